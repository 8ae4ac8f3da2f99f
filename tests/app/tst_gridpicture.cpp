#include "app/gridpicture.h"
#include "search/grid.h"

#include <QGuiApplication>
#include <QTest>

// The picture of a grid, read back from its pixels: the circles' colours at
// their places, north up, a number in each, the centre ringed.
class TestGridPicture : public QObject
{
    Q_OBJECT
private slots:
    void circlesStandWhereThePointsAre_data();
    void circlesStandWhereThePointsAre();
};

namespace {

struct Blob
{
    QColor colour;
    QRect box;
    int inked = 0;   // pixels of the number drawn in it
};

// The circles: the regions of each fill colour, in reading order (top to bottom, left to right).
QList<Blob> circlesOf(const QImage &image, const QList<QColor> &fills)
{
    QList<Blob> blobs;
    for (const QColor &fill : fills) {
        QImage seen(image.size(), QImage::Format_Mono);
        seen.fill(0);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixelColor(x, y) != fill || seen.pixelIndex(x, y))
                    continue;
                // The region of the colour around the seed, whatever is drawn inside it.
                QRect box(x, y, 1, 1);
                QList<QPoint> todo{QPoint(x, y)};
                seen.setPixel(x, y, 1);
                while (!todo.isEmpty()) {
                    const QPoint p = todo.takeLast();
                    box |= QRect(p, QSize(1, 1));
                    for (const QPoint &next : {p + QPoint(1, 0), p - QPoint(1, 0), p + QPoint(0, 1), p - QPoint(0, 1)}) {
                        if (image.rect().contains(next) && !seen.pixelIndex(next) && image.pixelColor(next) == fill) {
                            seen.setPixel(next, 1);
                            todo.append(next);
                        }
                    }
                }
                Blob blob{fill, box, 0};
                const QRect inner = box.adjusted(box.width() / 4, box.height() / 4, -box.width() / 4, -box.height() / 4);
                for (int by = box.top(); by <= box.bottom(); ++by) {
                    for (int bx = box.left(); bx <= box.right(); ++bx) {
                        const QColor c = image.pixelColor(bx, by);
                        blob.inked += inner.contains(bx, by) && (c.lightness() < 60 || c.lightness() > 245) ? 1 : 0;
                    }
                }
                if (box.width() > 10 && box.height() > 10)
                    blobs.append(blob);
            }
        }
    }
    std::sort(blobs.begin(), blobs.end(), [](const Blob &a, const Blob &b) {
        return qAbs(a.box.center().y() - b.box.center().y()) > 5 ? a.box.center().y() < b.box.center().y()
                                                                  : a.box.center().x() < b.box.center().x();
    });
    return blobs;
}

} // namespace

void TestGridPicture::circlesStandWhereThePointsAre_data()
{
    QTest::addColumn<QList<int>>("places");   // row by row from the north-west; -1: not measured
    QTest::newRow("every colour") << QList<int>{1, 2, 3, 0, 1, 2, 3, 0, -1};
    QTest::newRow("found in the north only") << QList<int>{1, 1, 2, 0, 0, 0, 0, 0, 0};
}

void TestGridPicture::circlesStandWhereThePointsAre()
{
    QFETCH(QList<int>, places);
    const GridPlan gridPlan{3, {45.4642, 9.19}, 1, QStringLiteral("idraulico milano"), QStringLiteral("velmora")};
    ArchivedGrid grid = gridPlan.record();
    grid.started = QDateTime(QDate(2026, 3, 10), QTime(7, 0));
    const QList<Coordinates> points = gridPlan.points();
    QList<QColor> expected;
    for (qsizetype i = 0; i < points.size(); ++i) {
        GridPointRecord point{points[i], qMax(0, places[i]), std::nullopt, places[i] >= 0, QStringLiteral("posizione 14")};
        grid.points << point;
        expected << GridPicture::colourOf(point);
    }
    const QImage image = GridPicture::draw(grid, std::nullopt, 600);
    QList<QColor> fills;
    for (const QColor &colour : expected) {
        if (!fills.contains(colour))
            fills << colour;
    }
    const QList<Blob> circles = circlesOf(image, fills);
    QList<QColor> read;
    for (const Blob &blob : circles)
        read << blob.colour;
    QCOMPARE(read, expected);   // north up: the first row on top
    for (const Blob &blob : circles)
        QVERIFY2(blob.inked > 8, "a number in each circle");
    // Equal spacing on the picture, as on the ground.
    QCOMPARE(qAbs((circles[1].box.center() - circles[0].box.center()).x() - (circles[4].box.center() - circles[1].box.center()).y()) < 3,
             true);
    // The centre ringed: dark pixels just west of the middle circle, none west of the others.
    const auto ringed = [&image](const QRect &box) {
        int dark = 0;
        for (int x = box.left() - 2; x > box.left() - box.width() / 4; --x)
            dark += image.pixelColor(x, box.center().y()).lightness() < 80 ? 1 : 0;
        return dark > 0;
    };
    QVERIFY(ringed(circles[4].box));
    QVERIFY(!ringed(circles[3].box));
}

QTEST_MAIN(TestGridPicture)
#include "tst_gridpicture.moc"
