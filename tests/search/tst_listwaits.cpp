#include "search/cooldown.h"
#include "search/pace.h"
#include "watchdog.h"

#include <QTest>

// The waits of a list without a window, as rules over values: the cool-down
// after a check page, and the pace between phrases.
class TestListWaits : public QObject
{
    Q_OBJECT
private slots:
    void coolDownGrowsUntilTheTotalIsSpent_data();
    void coolDownGrowsUntilTheTotalIsSpent();
    void paceDoublesAndStepsBackDown_data();
    void paceDoublesAndStepsBackDown();
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
    QTest::addColumn<int>("kept");      // the pace the list starts from
    QTest::addColumn<QString>("events");   // c: a check page, p: a phrase that ended
    QTest::addColumn<int>("times");
    const QString twenty(Pace::kPhrasesForAStepDown, QLatin1Char('p'));
    QTest::newRow("doubled at each check page, at most eight times") << 1 << QStringLiteral("cccc") << 8;
    QTest::newRow("a step down after twenty phrases without one") << 1 << QStringLiteral("cc") + twenty << 2;
    QTest::newRow("nineteen are not enough") << 1 << QStringLiteral("cc") + twenty.mid(1) << 4;
    QTest::newRow("a check page starts the count over") << 1 << QStringLiteral("cc") + twenty.mid(1) + QStringLiteral("c") + twenty.mid(1) << 8;
    QTest::newRow("never under the pause asked for") << 2 << twenty + twenty + twenty << 1;
    // Down to the limit and back: the next step down waits forty phrases.
    QTest::newRow("a step down met by a check page") << 1 << QStringLiteral("c") + twenty + QStringLiteral("pc") + twenty << 2;
    QTest::newRow("... and after forty phrases steps down") << 1 << QStringLiteral("c") + twenty + QStringLiteral("pc") + twenty + twenty << 1;
    QTest::newRow("a step down that holds twenty phrases") << 1 << QStringLiteral("c") + twenty + twenty + QStringLiteral("c") + twenty << 1;
    QTest::newRow("a kept pace out of bounds") << 100 << QString() << Pace::kMostTimes;
}

void TestListWaits::paceDoublesAndStepsBackDown()
{
    QFETCH(int, kept);
    QFETCH(QString, events);
    Pace pace(kept);
    for (const QChar event : events) {
        if (event == QLatin1Char('c'))
            pace.checkPage();
        else
            pace.phraseEnded();
    }
    QTEST(pace.times(), "times");
    QCOMPARE(pace.meanOf(10000), pace.times() * 10000);
}

CERCA_WATCHED_GUILESS_TEST_MAIN(TestListWaits)

#include "tst_listwaits.moc"
