#include "app/pageviewer.h"

#include "store/archive.h"
#include "store/runarchive.h"

#include <QAbstractItemView>
#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

PageViewer::PageViewer(const ArchivedRun &run, QWidget *parent)
    : QDialog(parent)
    , m_run(run)
{
    setObjectName(QStringLiteral("MostraPagina"));
    setWindowTitle(QStringLiteral("La pagina letta: %1").arg(run.series()));
    setAttribute(Qt::WA_DeleteOnClose);
    if (run.picture && !m_image.load(run.picture->file))
        m_image.loadFromData(run.picture->jpeg, "JPEG");
    m_caption = new QLabel(captionOf(run), this);
    m_caption->setObjectName(QStringLiteral("Descrizione"));
    m_caption->setWordWrap(true);
    m_caption->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("Immagine"));
    m_picture->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    m_area = new QScrollArea(this);
    m_area->setObjectName(QStringLiteral("Pagina"));
    m_area->setWidget(m_picture);
    m_area->setWidgetResizable(false);
    m_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A page is nearly always taller than the view: a scroll bar that came
    // and went would change the width the picture was scaled to.
    m_area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    if (m_image.isNull()) {
        m_picture->setText(QStringLiteral("L'immagine di questa ricerca non è più conservata (%1).")
                               .arg(run.picture ? QDir::toNativeSeparators(run.picture->file) : QString()));
        m_picture->setWordWrap(true);
    }

    auto *save = new QPushButton(QStringLiteral("Salva una copia..."), this);
    save->setObjectName(QStringLiteral("SalvaCopia"));
    save->setEnabled(!m_image.isNull());
    connect(save, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Salva una copia della pagina"),
                                                          QFileInfo(m_run.picture->file).completeBaseName() + QStringLiteral(".png"),
                                                          QStringLiteral("PNG (*.png);;JPEG (*.jpg *.jpeg)"));
        if (!path.isEmpty() && !saveCopy(path))
            QMessageBox::warning(this, windowTitle(), QStringLiteral("Impossibile scrivere %1.").arg(QDir::toNativeSeparators(path)));
    });
    auto *close = new QPushButton(QStringLiteral("Chiudi"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(save);
    buttons->addStretch();
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_caption);
    layout->addWidget(m_area, 1);
    layout->addLayout(buttons);
    resize(760, 620);
}

void PageViewer::open(const QString &archivePath, const QString &series, const QDateTime &when, QWidget *parent)
{
    std::optional<ArchivedRun> run;
    // An archive that cannot be read has no picture to show either.
    if (Archive::isServer(archivePath) || QFileInfo::exists(archivePath)) {
        Archive archive(archivePath, ArchiveUse::Reading);
        RunArchive runs(archive);
        if (archive.open()) {
            if (const Result<std::optional<ArchivedRun>> near = runs.runWithPictureNear(series, when))
                run = *near;
        }
        // Another machine's run: its picture is in the shared archive.
        if (run && run->picture && !QFileInfo::exists(run->picture->file)) {
            if (const Result<QByteArray> jpeg = runs.pictureJpeg(run->id))
                run->picture->jpeg = *jpeg;
        }
    }
    open(run, parent);
}

void PageViewer::open(const std::optional<ArchivedRun> &run, QWidget *parent)
{
    if (!run || !run->picture) {
        QMessageBox::information(parent, QStringLiteral("Mostra la pagina"),
                                 QStringLiteral("Per questa ricerca non c'è un'immagine della pagina letta."));
        return;
    }
    auto *viewer = new PageViewer(*run, parent);
    viewer->show();
}

QAction *PageViewer::offerIn(QAbstractItemView *view)
{
    auto *action = new QAction(QStringLiteral("Mostra la pagina"), view);
    action->setObjectName(QStringLiteral("MostraPagina"));
    view->setContextMenuPolicy(Qt::ActionsContextMenu);
    view->addAction(action);
    return action;
}

QString PageViewer::captionOf(const ArchivedRun &run)
{
    const QString place = run.place.place.isEmpty() ? QStringLiteral("paese %1, lingua %2").arg(run.place.country, run.place.language)
                                                    : run.place.place;
    return QStringLiteral("%1 \u2014 %2 \u2014 %3 \u2014 %4 \u2014 %5")
        .arg(run.phrase, run.started.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")), SearchPlaces::deviceName(run.place.device),
             place, RunEnds::describe(run.end, run.position));
}

bool PageViewer::saveCopy(const QString &path) const
{
    return !m_image.isNull() && m_image.save(path);
}

int PageViewer::scrolledTo() const
{
    return m_area->verticalScrollBar()->value();
}

void PageViewer::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    // Once the layout has given the view its new size.
    QTimer::singleShot(0, this, &PageViewer::showPicture);
}

void PageViewer::showPicture()
{
    if (m_image.isNull())
        return;
    // At the view's width, never larger than the picture itself.
    const int width = std::min(m_area->viewport()->width(), m_image.width());
    const QImage shown = m_image.scaledToWidth(std::max(1, width), Qt::SmoothTransformation);
    m_picture->setPixmap(QPixmap::fromImage(shown));
    m_picture->resize(m_area->viewport()->width(), shown.height());
    const QRect hit = m_run.picture->hitBox;
    if (hit.isEmpty())
        return;
    // The hit in the middle of the view.
    const double scale = double(shown.width()) / m_image.width();
    const int middle = qRound((hit.center().y()) * scale) - m_area->viewport()->height() / 2;
    m_area->verticalScrollBar()->setValue(std::max(0, middle));
}
