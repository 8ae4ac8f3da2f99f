#include "app/gridwindow.h"

#include "app/gridpicture.h"
#include "search/gridsession.h"
#include "store/archive.h"

#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr int kPictureSide = 420;

} // namespace

GridWindow::GridWindow(SearchRun *run, ListSource source, QWidget *parent)
    : QDialog(parent)
    , m_searchRun(run)
    , m_source(std::move(source))
{
    setObjectName(QStringLiteral("GrigliaLocale"));
    setWindowTitle(QStringLiteral("Griglia locale"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    const RunInputs inputs = m_source.inputs();

    m_size = new QSpinBox(this);
    m_size->setObjectName(QStringLiteral("Lato"));
    m_size->setRange(GridPlan::kSmallest, GridPlan::kLargest);
    m_size->setSingleStep(2);
    m_size->setValue(5);
    m_size->setSuffix(QStringLiteral(" punti per lato"));
    m_centre = new QLineEdit(this);
    m_centre->setObjectName(QStringLiteral("Centro"));
    m_centre->setPlaceholderText(QStringLiteral("latitudine,longitudine: 45.4642,9.1900"));
    if (SearchPlaces::coordinatesOf(inputs.place.place))
        m_centre->setText(inputs.place.place);
    m_spacing = new QDoubleSpinBox(this);
    m_spacing->setObjectName(QStringLiteral("Passo"));
    m_spacing->setRange(GridPlan::kNearestKm, GridPlan::kFarthestKm);
    m_spacing->setDecimals(1);
    m_spacing->setSingleStep(0.1);
    m_spacing->setValue(1);
    m_spacing->setSuffix(QStringLiteral(" km"));
    m_phrase = new QLineEdit(m_source.history.value(0), this);
    m_phrase->setObjectName(QStringLiteral("Frase"));
    m_fragment = new QLineEdit(inputs.fragment, this);
    m_fragment->setObjectName(QStringLiteral("Frammento"));
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Frase"), m_phrase);
    form->addRow(QStringLiteral("Indirizzo o nome da cercare"), m_fragment);
    form->addRow(QStringLiteral("Centro"), m_centre);
    form->addRow(QStringLiteral("Griglia"), m_size);
    form->addRow(QStringLiteral("Distanza tra i punti"), m_spacing);

    m_start = new QPushButton(QStringLiteral("Avvia"), this);
    m_start->setObjectName(QStringLiteral("AvviaGriglia"));
    m_resume = new QPushButton(QStringLiteral("Riprendi"), this);
    m_resume->setObjectName(QStringLiteral("RiprendiGriglia"));
    m_resume->setToolTip(QStringLiteral("Continua l'ultima griglia non finita della stessa frase, centro e forma."));
    m_save = new QPushButton(QStringLiteral("Salva immagine..."), this);
    m_save->setEnabled(false);
    connect(m_start, &QPushButton::clicked, this, [this] { startOrStop(false); });
    connect(m_resume, &QPushButton::clicked, this, [this] { startOrStop(true); });
    connect(m_save, &QPushButton::clicked, this, &GridWindow::choosePictureFile);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_start);
    buttons->addWidget(m_resume);
    buttons->addStretch(1);
    buttons->addWidget(m_save);

    m_where = new QLabel(this);
    m_where->setObjectName(QStringLiteral("StatoGriglia"));
    m_where->setWordWrap(true);
    m_points = new QPlainTextEdit(this);
    m_points->setObjectName(QStringLiteral("PuntiGriglia"));
    m_points->setReadOnly(true);
    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("ImmagineGriglia"));
    m_picture->setMinimumSize(kPictureSide, kPictureSide);
    m_picture->setAlignment(Qt::AlignCenter);

    auto *left = new QVBoxLayout;
    left->addLayout(form);
    left->addLayout(buttons);
    left->addWidget(m_where);
    left->addWidget(m_points, 1);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addWidget(m_picture);
}

GridWindow::~GridWindow()
{
    if (m_session)
        m_session->stop();
}

GridPlan GridWindow::gridPlanOf() const
{
    GridPlan gridPlan;
    gridPlan.size = m_size->value();
    gridPlan.spacingKm = m_spacing->value();
    gridPlan.phrase = m_phrase->text().trimmed();
    gridPlan.fragment = m_fragment->text().trimmed();
    gridPlan.centre = SearchPlaces::coordinatesOf(m_centre->text()).value_or(Coordinates{999, 999});
    return gridPlan;
}

void GridWindow::startOrStop(bool resume)
{
    if (m_session && m_session->list() && m_session->list()->running()) {
        m_session->stop();
        m_start->setEnabled(false);
        m_where->setText(m_where->text() + QStringLiteral(" \u2014 la griglia si ferma alla fine di questo punto."));
        return;
    }
    const GridPlan gridPlan = gridPlanOf();
    if (!SearchPlaces::coordinatesOf(m_centre->text())) {
        m_where->setText(QStringLiteral("Il centro si scrive come latitudine e longitudine in gradi, \"45.4642,9.1900\"."));
        return;
    }
    if (const std::optional<QString> problem = gridPlan.problem()) {
        m_where->setText(*problem);
        return;
    }
    ListPlan plan = ListPlan::inFolder(m_source.dataFolder, m_source.dataFolder.archiveInUse(), m_source.dateSeparator);
    plan.inputs = m_source.inputs();
    plan.pauseMilliseconds = ListRun::kDefaultPauseSeconds * m_source.millisecondsPerSecond;
    plan.minimumPauseMilliseconds = ListRun::kMinimumPauseSeconds * m_source.millisecondsPerSecond;
    plan.progressFile = QDir(m_source.dataFolder.path()).filePath(QStringLiteral("Griglia.ini"));
    plan.inWindow = true;
    auto session = std::make_unique<GridSession>(gridPlan, plan);
    if (const std::optional<QString> problem = session->open(resume)) {
        m_where->setText(QStringLiteral("La griglia non parte: %1.").arg(*problem));
        return;
    }
    connect(session.get(), &GridSession::note, this, [this](const QString &text) { m_source.warn(text); });
    connect(session->list(), &ListSession::note, this, [this](const QString &text) { m_source.warn(text); });
    connect(session.get(), &GridSession::pointEnded, this, &GridWindow::pointEnded);
    connect(session.get(), &GridSession::finished, this, &GridWindow::finished);
    m_session = std::move(session);
    m_points->clear();
    for (const GridPointRecord &point : m_session->grid().points)
        m_points->appendPlainText(GridPoints::line(point));
    const int left = m_session->list()->count();
    m_where->setText(QStringLiteral("%1 punti da cercare%2.")
                         .arg(left)
                         .arg(m_session->resumed() > 0 ? QStringLiteral(", %1 già misurati").arg(m_session->resumed()) : QString()));
    showPicture();
    setInputsEnabled(false);
    m_start->setText(QStringLiteral("Arresta"));
    m_session->start(m_searchRun);
}

void GridWindow::pointEnded(const GridPointRecord &point)
{
    m_points->appendPlainText(GridPoints::line(point));
    showPicture();
}

void GridWindow::finished()
{
    m_where->setText(m_session->endLines().join(QLatin1Char('\n')));
    showPicture();
    setInputsEnabled(true);
    m_start->setEnabled(true);
    m_start->setText(QStringLiteral("Avvia"));
}

void GridWindow::showPicture()
{
    if (!m_session)
        return;
    const QImage image = GridPicture::draw(m_session->grid(), m_session->previous());
    m_picture->setPixmap(QPixmap::fromImage(image.scaledToWidth(kPictureSide, Qt::SmoothTransformation)));
    m_save->setEnabled(true);
}

bool GridWindow::savePicture(const QString &file) const
{
    return m_session && GridPicture::draw(m_session->grid(), m_session->previous()).save(file, "PNG");
}

void GridWindow::choosePictureFile()
{
    if (!m_session)
        return;
    const QString archive = m_source.dataFolder.archiveInUse();
    const QString folder = Archive::isServer(archive) ? m_source.dataFolder.path() : QFileInfo(archive).absolutePath();
    const QString file = QFileDialog::getSaveFileName(this, QStringLiteral("Salva l'immagine della griglia"),
                                                      GridPicture::fileIn(folder, m_session->grid()),
                                                      QStringLiteral("Immagini PNG (*.png)"));
    if (!file.isEmpty() && !savePicture(file))
        m_source.warn(QStringLiteral("Impossibile scrivere %1.").arg(QDir::toNativeSeparators(file)));
}

void GridWindow::setInputsEnabled(bool enabled)
{
    for (QWidget *input : {static_cast<QWidget *>(m_size), static_cast<QWidget *>(m_centre), static_cast<QWidget *>(m_spacing),
                           static_cast<QWidget *>(m_phrase), static_cast<QWidget *>(m_fragment),
                           static_cast<QWidget *>(m_resume)})
        input->setEnabled(enabled);
}
