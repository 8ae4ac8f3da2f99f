// The cost of a grid's picture: a 9 x 9 grid drawn and written as PNG, the
// largest the program makes, and a 5 x 5 one.
#include "app/gridpicture.h"
#include "search/grid.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    for (const int size : {5, 9}) {
        const GridPlan gridPlan{size, {45.4642, 9.19}, 0.5, QStringLiteral("idraulico milano"), QStringLiteral("velmora")};
        ArchivedGrid grid = gridPlan.record();
        grid.started = QDateTime::currentDateTime();
        int i = 0;
        for (const Coordinates &point : gridPlan.points())
            grid.points.append({point, i++ % 4, 12, true, QStringLiteral("posizione 12")});
        ArchivedGrid before = grid;
        for (GridPointRecord &point : before.points)
            point.packPlace = (point.packPlace + 1) % 4;
        constexpr int kRounds = 20;
        qint64 drawn = 0;
        qint64 written = 0;
        qint64 bytes = 0;
        for (int round = 0; round < kRounds; ++round) {
            QElapsedTimer clock;
            clock.start();
            const QImage image = GridPicture::draw(grid, before);
            drawn += clock.nsecsElapsed();
            clock.restart();
            QBuffer png;
            png.open(QIODevice::WriteOnly);
            image.save(&png, "PNG");
            written += clock.nsecsElapsed();
            bytes = png.size();
        }
        std::printf("%dx%d: drawn in %.1f ms, PNG in %.1f ms (%lld bytes), mean of %d\n", size, size, drawn / 1e6 / kRounds,
                    written / 1e6 / kRounds, static_cast<long long>(bytes), kRounds);
    }
    return 0;
}
