#include "app/listoutcomes.h"
#include "search/listsession.h"
#include "store/datafolder.h"
#include "fakerun.h"
#include "watchdog.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The list window's table of outcomes, over a list's own outcomes while it
// runs, checked by Qt's model tester at every change.
class TestListOutcomes : public QObject
{
    Q_OBJECT
private slots:
    void rowsFollowTheList_data();
    void rowsFollowTheList();
    void anotherListOrNoneEmptiesTheTable();

private:
    std::unique_ptr<ListSession> listOf(const QStringList &phrases, const SearchPlace &place = {});
    void answer(int hit);

    QTemporaryDir m_dir;
    FakeBrowser m_page;
    SearchRun m_run{&m_page, fakeRunOptions(m_dir.path())};
};

std::unique_ptr<ListSession> TestListOutcomes::listOf(const QStringList &phrases, const SearchPlace &place)
{
    ListPlan plan = ListPlan::inFolder(DataFolder(m_dir.path()), QString(), QStringLiteral("/"));
    plan.phrases = phrases;
    plan.inputs.fragment = QStringLiteral("velmora");
    plan.inputs.pageLimit = QStringLiteral("1");
    plan.inputs.place = place;
    plan.pauseMilliseconds = 1;
    plan.minimumPauseMilliseconds = 1;
    plan.inWindow = true;
    return std::make_unique<ListSession>(plan);
}

// Completes the pending page; `hit` puts velmora at that position, 0 nowhere.
void TestListOutcomes::answer(int hit)
{
    const qsizetype asked = m_page.navigations.size();
    m_page.complete(classicPage(1, hit));
    // The next phrase's page, when there is one.
    (void)QTest::qWaitFor([&] { return m_page.navigations.size() > asked; }, 500);
}

void TestListOutcomes::rowsFollowTheList_data()
{
    QTest::addColumn<SearchPlace>("place");
    QTest::addColumn<QStringList>("series");
    QTest::newRow("from the defaults") << SearchPlace() << QStringList{"uno", "due"};
    QTest::newRow("from a phone in Milan") << SearchPlace{Device::Smartphone, "it", "it", "Milan,Lombardy,Italy"}
                                           << QStringList{"uno [smartphone, Milan]", "due [smartphone, Milan]"};
}

void TestListOutcomes::rowsFollowTheList()
{
    QFETCH(SearchPlace, place);
    QFETCH(QStringList, series);
    ListOutcomes table;
    QAbstractItemModelTester tester(&table, QAbstractItemModelTester::FailureReportingMode::QtTest);
    const std::unique_ptr<ListSession> list = listOf({"uno", "due"}, place);
    table.show(list.get());
    QCOMPARE(table.headerData(0, Qt::Horizontal).toString(), QStringLiteral("frase"));
    QCOMPARE(table.headerData(1, Qt::Horizontal).toString(), QStringLiteral("esito"));
    QSignalSpy inserted(&table, &QAbstractItemModel::rowsInserted);
    QSignalSpy finished(list.get(), &ListSession::finished);
    QVERIFY(!list->open());
    list->start(&m_run);
    QCOMPARE(table.rowCount(), 0);
    answer(4);
    QCOMPARE(table.rowCount(), 1);
    QCOMPARE(table.index(0, 0).data().toString(), series[0]);
    QCOMPARE(table.index(0, 1).data().toString(), QStringLiteral("posizione 4"));
    answer(0);
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(inserted.size(), 2);
    QCOMPARE(table.rowCount(), 2);
    QCOMPARE(table.index(1, 0).data().toString(), series[1]);
    QCOMPARE(table.index(1, 1).data().toString(), QStringLiteral("non trovato entro 10"));
    // The table reads the list's own outcomes.
    QCOMPARE(table.outcomeAt(1), &list->outcomes()[1]);
    QCOMPARE(table.outcomeAt(2), nullptr);
    QCOMPARE(table.outcomeAt(-1), nullptr);
}

void TestListOutcomes::anotherListOrNoneEmptiesTheTable()
{
    ListOutcomes table;
    QAbstractItemModelTester tester(&table, QAbstractItemModelTester::FailureReportingMode::QtTest);
    auto first = listOf({"uno"});
    table.show(first.get());
    QVERIFY(!first->open());
    first->start(&m_run);
    answer(2);
    QTRY_VERIFY(!first->running());
    QCOMPARE(table.rowCount(), 1);
    // The next list starts empty; the last one's rows stay until then.
    auto second = listOf({"due", "tre"});
    table.show(second.get());
    QCOMPARE(table.rowCount(), 0);
    QSignalSpy reset(&table, &QAbstractItemModel::modelReset);
    first.reset();
    QCOMPARE(reset.size(), 0);
    QVERIFY(!second->open());
    second->start(&m_run);
    answer(1);
    QCOMPARE(table.rowCount(), 1);
    QCOMPARE(table.index(0, 0).data().toString(), QStringLiteral("due"));
    // A list that goes away takes its rows with it.
    second->stop();
    answer(0);
    QTRY_VERIFY(!second->running());
    second.reset();
    QCOMPARE(reset.size(), 1);
    QCOMPARE(table.rowCount(), 0);
}

CERCA_WATCHED_GUILESS_TEST_MAIN(TestListOutcomes)

#include "tst_listoutcomes.moc"
