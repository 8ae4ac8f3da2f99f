#include "app/rereadingwindow.h"

#include "model/readerversion.h"
#include "platform/chromium/chromiumpage.h"
#include "search/notes.h"
#include "search/rereading.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

RereadingWindow::RereadingWindow(const QString &archivePath, QWidget *parent)
    : QDialog(parent)
    , m_browser(std::make_unique<ChromiumPage>(m_profile.path()))
{
    setObjectName(QStringLiteral("Rilettura"));
    setWindowTitle(QStringLiteral("Rileggi le pagine"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(640, 360);
    m_status = new QLabel(QStringLiteral("Rilettura delle pagine tenute in %1...").arg(QDir::toNativeSeparators(Archive::displayName(archivePath))), this);
    m_status->setObjectName(QStringLiteral("Stato"));
    m_status->setWordWrap(true);
    m_changes = new QTableWidget(0, 5, this);
    m_changes->setObjectName(QStringLiteral("Cambiate"));
    m_changes->setHorizontalHeaderLabels({QStringLiteral("frase"), QStringLiteral("ricerca"), QStringLiteral("prima"),
                                          QStringLiteral("dopo"), QStringLiteral("lettore")});
    m_changes->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_changes->horizontalHeader()->setStretchLastSection(true);
    m_changes->verticalHeader()->hide();
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Chiudi"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_status);
    layout->addWidget(m_changes, 1);
    layout->addWidget(buttons);

    m_browser->setKeptPagesOnly();
    m_rereading = std::make_unique<Rereading>(m_browser.get(), archivePath, ReaderVersion::kCurrent);
    connect(m_rereading.get(), &Rereading::runChanged, this, [this](const Rereading::Change &change) {
        const int row = m_changes->rowCount();
        m_changes->insertRow(row);
        const QStringList cells{change.phrase, change.started.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                                Rereading::Change::positionText(change.before), Rereading::Change::positionText(change.after),
                                QStringLiteral("%1 -> %2").arg(change.readerBefore).arg(change.readerAfter)};
        for (int column = 0; column < cells.size(); ++column)
            m_changes->setItem(row, column, new QTableWidgetItem(cells[column]));
    });
    connect(m_rereading.get(), &Rereading::finished, this, &RereadingWindow::finish);
    connect(m_browser.get(), &Browser::unavailable, this, [this](const QString &note) { m_status->setText(note); });
    connect(m_browser.get(), &Browser::startFailed, this,
            [this](const BrowserFault &fault) { m_status->setText(Notes::browserNotConnected(fault)); });
    if (const std::optional<QString> problem = m_rereading->start())
        m_status->setText(QStringLiteral("Impossibile aprire l'archivio: %1").arg(*problem));
}

RereadingWindow::~RereadingWindow() = default;

void RereadingWindow::finish()
{
    m_status->setText(m_rereading->summary().line());
}
