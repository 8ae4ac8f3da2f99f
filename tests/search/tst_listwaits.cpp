#include "search/cooldown.h"
#include "search/pace.h"
#include "search/pauseschedule.h"
#include "watchdog.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>

// The waits of a list without a window, as rules over values: the cool-down
// after a check page, the pace between phrases, and when each search starts.
class TestListWaits : public QObject
{
    Q_OBJECT
private slots:
    void coolDownGrowsUntilTheTotalIsSpent_data();
    void coolDownGrowsUntilTheTotalIsSpent();
    void paceDoublesAndStepsBackDown_data();
    void paceDoublesAndStepsBackDown();
    void searchesNeverBunch_data();
    void searchesNeverBunch();
};

void TestListWaits::coolDownGrowsUntilTheTotalIsSpent_data()
{
    QTest::addColumn<qint64>("total");
    QTest::addColumn<QString>("events");   // c: a check page, p: a page that passed
    QTest::addColumn<QList<qint64>>("waits");   // of each check page; -1: the list ends
    const qint64 minute = 60'000;
    const qint64 defaultTotal = CoolDown::kDefaultTotalSeconds * 1000LL;
    QTest::newRow("doubled up to two hours, then what is left of six")
        << defaultTotal << QStringLiteral("cccccccc")
        << QList<qint64>{10 * minute, 20 * minute, 40 * minute, 80 * minute, 120 * minute, 90 * minute, -1, -1};
    QTest::newRow("a page that passes starts the row over, the total goes on")
        << 100 * minute << QStringLiteral("ccpcccc") << QList<qint64>{10 * minute, 20 * minute, 10 * minute, 20 * minute, 40 * minute, -1};
    QTest::newRow("no total: the first check page ends the list") << qint64(0) << QStringLiteral("c") << QList<qint64>{-1};
}

void TestListWaits::coolDownGrowsUntilTheTotalIsSpent()
{
    QFETCH(qint64, total);
    QFETCH(QString, events);
    QFETCH(QList<qint64>, waits);
    CoolDown coolDown(CoolDown::kDefaultFirstSeconds * 1000LL, CoolDown::kLongestSeconds * 1000LL, total);
    QList<qint64> seen;
    for (const QChar event : events) {
        if (event == QLatin1Char('p'))
            coolDown.pagePassed();
        else
            seen.append(coolDown.checkPage().value_or(-1));
    }
    QCOMPARE(seen, waits);
    QVERIFY(coolDown.waited() <= total);
}

void TestListWaits::paceDoublesAndStepsBackDown_data()
{
    QTest::addColumn<int>("kept");        // the pace the list starts from, in eighths
    QTest::addColumn<int>("keptLimit");   // -1: none kept
    QTest::addColumn<int>("keptPhrases");   // passed since the last check page, in lists before
    QTest::addColumn<QString>("events");  // c: a check page, p: a phrase that ended
    QTest::addColumn<int>("eighths");
    QTest::addColumn<int>("limit");
    const QString twenty(Pace::kPhrasesForAStepDown, QLatin1Char('p'));
    const QString longRun(Pace::kPhrasesToTryTheLimit - 1, QLatin1Char('p'));
    QTest::newRow("doubled at each check page, at most eight times") << 8 << -1 << 0 << QStringLiteral("cccc") << 64 << 8;
    QTest::newRow("after twenty, an eighth above the pace that met it") << 8 << -1 << 0 << QStringLiteral("c") + twenty << 9 << 8;
    // Seven searches may come within five and a half means on the schedule.
    QTest::newRow("a slower limit: a twelfth above it") << 16 << -1 << 0 << QStringLiteral("c") + twenty << 18 << 16;
    // A check page in a row says the block has not lifted, not where the limit is.
    QTest::newRow("check pages in a row") << 8 << -1 << 0 << QStringLiteral("cc") + twenty << 9 << 8;
    QTest::newRow("a check page starts the count over")
        << 8 << -1 << 0 << QStringLiteral("c") + twenty.mid(1) + QStringLiteral("c") + twenty.mid(1) << 32 << 16;
    QTest::newRow("met an eighth above: the limit moves up")
        << 8 << -1 << 0 << QStringLiteral("c") + twenty + QStringLiteral("pc") + twenty << 10 << 9;
    QTest::newRow("an eighth above the limit holds a long run") << 8 << -1 << 0 << QStringLiteral("c") + twenty + longRun << 9 << 8;
    QTest::newRow("... then tries the pause asked for, and knows no limit")
        << 8 << -1 << 0 << QStringLiteral("c") + twenty + longRun + "p" << 8 << -1;
    QTest::newRow("a long run counted over lists: the limit taken an eighth lower")
        << 18 << 16 << Pace::kPhrasesToTryTheLimit - 1 << QStringLiteral("p") << 17 << 15;
    QTest::newRow("no limit known: halfway down, never under the pause asked for")
        << 16 << -1 << 0 << twenty + twenty + twenty + twenty + twenty << 8 << -1;
    QTest::newRow("held at the most") << 64 << 64 << 0 << twenty << 64 << 64;
    QTest::newRow("a kept limit") << 16 << 10 << 0 << twenty << 11 << 10;
    QTest::newRow("a kept pace out of bounds") << 1000 << 2 << 0 << QString() << 8 * Pace::kMostTimes << -1;
}

void TestListWaits::paceDoublesAndStepsBackDown()
{
    QFETCH(int, kept);
    QFETCH(int, keptLimit);
    QFETCH(int, keptPhrases);
    QFETCH(QString, events);
    Pace pace(kept, keptLimit < 0 ? std::nullopt : std::optional<int>(keptLimit), keptPhrases);
    for (const QChar event : events) {
        if (event == QLatin1Char('c'))
            pace.checkPage();
        else
            pace.phraseEnded();
    }
    QTEST(pace.eighths(), "eighths");
    QTEST(pace.limit().value_or(-1), "limit");
    QCOMPARE(pace.meanOf(10000), pace.eighths() * 1250);
}

void TestListWaits::searchesNeverBunch_data()
{
    QTest::addColumn<qint64>("mean");
    QTest::addColumn<qint64>("busy");   // the most a phrase takes between its search and its pause
    QTest::addColumn<int>("lateEvery");   // a search that starts 30 s late, every so many; 0: none
    QTest::newRow("the pace asked for") << qint64(10000) << qint64(2000) << 0;
    QTest::newRow("phrases slower than the pause") << qint64(6000) << qint64(9000) << 0;
    QTest::newRow("searches now and then late") << qint64(10000) << qint64(2000) << 7;
}

void TestListWaits::searchesNeverBunch()
{
    QFETCH(qint64, mean);
    QFETCH(qint64, busy);
    QFETCH(int, lateEvery);
    const qint64 minimum = 5000;
    QRandomGenerator random(20261209);
    PauseSchedule schedule;
    QList<qint64> starts;
    qint64 now = 1000;
    for (int i = 0; i < 2000; ++i) {
        if (lateEvery && i % lateEvery == lateEvery - 1)
            now += 30000;
        schedule.searchStarted(now);
        starts.append(now);
        now += qint64(random.bounded(int(busy)));
        const qint64 pause = schedule.next(now, mean, minimum, random.generateDouble());
        QVERIFY(pause >= minimum);
        now += pause;
    }
    // Seven searches in a row never come within six means less half a mean;
    // drawn each on its own, they would.
    for (qsizetype i = 6; i < starts.size(); ++i)
        QVERIFY2(starts[i] - starts[i - 6] >= 6 * mean - mean / 2 - 1, qPrintable(QString::number(i)));
    // Each gap still spreads over most of half to one and a half means.
    if (busy < minimum && !lateEvery) {
        QList<qint64> gaps;
        for (qsizetype i = 1; i < starts.size(); ++i)
            gaps.append(starts[i] - starts[i - 1]);
        const auto [shortest, longest] = std::minmax_element(gaps.cbegin(), gaps.cend());
        QVERIFY(*shortest >= mean / 2 && *shortest < mean * 6 / 10 && *longest > mean * 14 / 10 && *longest <= mean * 3 / 2 + 1);
    }
}

CERCA_WATCHED_GUILESS_TEST_MAIN(TestListWaits)

#include "tst_listwaits.moc"
