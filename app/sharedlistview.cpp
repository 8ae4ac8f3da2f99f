#include "app/sharedlistview.h"

#include "search/sharedlistwatch.h"
#include "store/archive.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

SharedListView::SharedListView(QWidget *parent)
    : QWidget(parent)
    , m_summary(new QLabel(this))
    , m_table(new QTableWidget(0, 3, this))
{
    setObjectName(QStringLiteral("ElencoCondivisoVista"));
    m_summary->setObjectName(QStringLiteral("CondivisoStato"));
    m_summary->setWordWrap(true);
    m_table->setObjectName(QStringLiteral("Condiviso"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("frase"), QStringLiteral("chi la cerca"), QStringLiteral("esito")});
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_summary);
    layout->addWidget(m_table, 1);
}

SharedListView::~SharedListView() = default;

void SharedListView::watch(const QString &archive, const QString &name, int intervalMilliseconds)
{
    if (m_watch && name == m_name && archive == m_archive)
        return;
    m_name = name;
    m_archive = archive;
    m_summary->setText(QStringLiteral("Elenco condiviso \"%1\": lettura dall'archivio...").arg(name));
    // Never more often than a person could follow, whatever a test asks.
    m_watch = std::make_unique<SharedListWatch>(archive, name, std::max(20, intervalMilliseconds));
    connect(m_watch.get(), &SharedListWatch::read, this, &SharedListView::showStates);
    connect(m_watch.get(), &SharedListWatch::unreachable, this, [this](const QString &problem) {
        m_summary->setText(QStringLiteral("L'archivio condiviso %1 non risponde (%2): riprovo fra poco.")
                               .arg(Archive::displayName(m_archive), problem));
    });
}

void SharedListView::showStates(const QList<SharedPhrases::State> &states, const QList<SharedPhrases::Pause> &pauses)
{
    m_summary->setText(SharedListWatch::summary(m_name, states, pauses));
    m_table->setRowCount(int(states.size()));
    int done = 0;
    for (int row = 0; row < states.size(); ++row) {
        const SharedPhrases::State &state = states[row];
        done += state.done ? 1 : 0;
        const QString texts[] = {state.phrase, SharedListWatch::held(state) ? state.holder : QString(),
                                 state.done || !state.outcome.isEmpty() ? state.outcome : QString()};
        for (int column = 0; column < 3; ++column) {
            QTableWidgetItem *item = m_table->item(row, column);
            if (!item)
                m_table->setItem(row, column, item = new QTableWidgetItem);
            item->setText(texts[column]);
        }
    }
    emit progress(done, int(states.size()));
}
