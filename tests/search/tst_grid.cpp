#include "search/grid.h"

#include <QRegularExpression>
#include <QTest>

Q_DECLARE_METATYPE(GridPlan)
Q_DECLARE_METATYPE(GridPointRecord)

// The grid's rules: which grids can be searched, where their points stand,
// and what they measure.
class TestGrid : public QObject
{
    Q_OBJECT
private slots:
    void gridsThatCannotBeSearched_data();
    void gridsThatCannotBeSearched();
    void pointsStandNorthUpAtTheirDistance();
    void measuresCountThePointsOutsideThePack_data();
    void measuresCountThePointsOutsideThePack();
};

namespace {

GridPlan milan(int size = 3, double km = 1)
{
    return GridPlan{size, {45.4642, 9.19}, km, QStringLiteral("idraulico milano"), QStringLiteral("velmora")};
}

GridPointRecord point(int packPlace, bool measured = true)
{
    GridPointRecord p;
    p.packPlace = packPlace;
    p.measured = measured;
    p.result = measured ? QStringLiteral("posizione 14") : QStringLiteral("pagina non caricata");
    return p;
}

} // namespace

void TestGrid::gridsThatCannotBeSearched_data()
{
    QTest::addColumn<GridPlan>("grid");
    QTest::addColumn<QString>("problem");   // in part; empty: it can be searched
    QTest::newRow("3 x 3, 1 km") << milan() << "";
    QTest::newRow("9 x 9, 20 km") << milan(9, 20) << "";
    QTest::newRow("0.2 km") << milan(5, 0.2) << "";
    QTest::newRow("even") << milan(4) << "dispari";
    QTest::newRow("too small") << milan(1) << "da 3 a 9";
    QTest::newRow("too large") << milan(11) << "da 3 a 9";
    QTest::newRow("spacing too short") << milan(3, 0.1) << "da 0,2 a 20 km";
    QTest::newRow("spacing too long") << milan(3, 20.5) << "da 0,2 a 20 km";
    GridPlan north = milan();
    north.centre.latitude = 91;
    QTest::newRow("a centre past the pole") << north << "fuori dalla Terra";
    north.centre.latitude = 89.995;
    QTest::newRow("points past the pole") << north << "esce dalla Terra";
    GridPlan bare = milan();
    bare.phrase = QStringLiteral(" ");
    QTest::newRow("no phrase") << bare << "Manca la frase";
    bare = milan();
    bare.fragment.clear();
    QTest::newRow("no fragment") << bare << "Manca il frammento";
}

void TestGrid::gridsThatCannotBeSearched()
{
    QFETCH(GridPlan, grid);
    QFETCH(QString, problem);
    const std::optional<QString> said = grid.problem();
    QCOMPARE(said.has_value(), !problem.isEmpty());
    if (said) {
        QVERIFY2(said->contains(problem), qPrintable(*said));
        QCOMPARE(said->count(QLatin1Char('.')) - said->count(QRegularExpression(QStringLiteral("\\d\\.\\d"))), 1);   // one sentence
    }
}

void TestGrid::pointsStandNorthUpAtTheirDistance()
{
    const GridPlan grid = milan();
    QStringList written;
    for (const Coordinates &p : grid.points())
        written << SearchPlaces::coordinatesText(p);
    QCOMPARE(written, (QStringList{"45.4732,9.1772", "45.4732,9.1900", "45.4732,9.2028", "45.4642,9.1772", "45.4642,9.1900",
                                   "45.4642,9.2028", "45.4552,9.1772", "45.4552,9.1900", "45.4552,9.2028"}));
    const auto [east, north] = grid.kmFromCentre(grid.points().constFirst());
    QVERIFY2(qAbs(east + 1) < 0.01 && qAbs(north - 1) < 0.01, qPrintable(QStringLiteral("%1 %2").arg(east).arg(north)));
    QCOMPARE(milan(9, 0.2).points().size(), 81);
}

void TestGrid::measuresCountThePointsOutsideThePack_data()
{
    // Against a grid before whose places were 2, 1, 1, ...: a place in the
    // pack beats none, a higher place a lower one.
    QTest::addColumn<QList<GridPointRecord>>("points");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("changes");
    QTest::newRow("found, missing, not measured")
        << QList<GridPointRecord>{point(1), point(2), point(0), point(3), point(0, false)}
        << "nel pacchetto locale in 3 punti su 4 (75%); posto medio 2,0 dove c'è, 2,5 contando 4 dove manca"
        << "1 punto meglio, 3 punti peggio";
    QTest::newRow("never in the pack") << QList<GridPointRecord>{point(0), point(0)}
                                       << "nel pacchetto locale in 0 punti su 2 (0%); mai nel pacchetto, 4,0 contando 4 dove manca"
                                       << "0 punti meglio, 2 punti peggio";
    QTest::newRow("nothing measured") << QList<GridPointRecord>{point(0, false)} << "nessun punto misurato"
                                      << "0 punti meglio, 0 punti peggio";
}

void TestGrid::measuresCountThePointsOutsideThePack()
{
    QFETCH(QList<GridPointRecord>, points);
    QFETCH(QString, changes);
    QTEST(GridMeasures::of(points).line(), "line");
    ArchivedGrid before;
    ArchivedGrid now;
    const QList<Coordinates> at = milan().points();
    for (qsizetype i = 0; i < points.size(); ++i) {
        before.points << point(i == 0 ? 2 : 1);
        before.points.last().point = at[i];
        now.points << points[i];
        now.points.last().point = at[i];
    }
    const QDateTime when(QDate(2026, 3, 2), QTime(8, 0), Qt::LocalTime);
    QCOMPARE(GridComparison::of(before, now).line(when), QStringLiteral("rispetto alla griglia del 02/03/2026 08:00: ") + changes);
}

QTEST_GUILESS_MAIN(TestGrid)
#include "tst_grid.moc"
