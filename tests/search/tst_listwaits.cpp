#include "search/cooldown.h"
#include "watchdog.h"

#include <QTest>

// The waits of a list without a window, as rules over values: the cool-down
// after a check page.
class TestListWaits : public QObject
{
    Q_OBJECT
private slots:
    void coolDownGrowsUntilTheTotalIsSpent_data();
    void coolDownGrowsUntilTheTotalIsSpent();
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

CERCA_WATCHED_GUILESS_TEST_MAIN(TestListWaits)

#include "tst_listwaits.moc"
