#include "app/gridpicture.h"

#include "search/grid.h"

#include <QDir>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>

namespace GridPicture {

namespace {

constexpr int kCaptionHeight = 96;
constexpr int kMargin = 64;

QString kmText(double km)
{
    return QString::number(km, 'g', 3).replace(QLatin1Char('.'), QLatin1Char(','));
}

void triangle(QPainter &painter, QPointF at, double size, bool up, const QColor &colour)
{
    QPainterPath path;
    const double h = up ? -size : size;
    path.moveTo(at.x(), at.y() + h / 2);
    path.lineTo(at.x() - size / 2, at.y() - h / 2);
    path.lineTo(at.x() + size / 2, at.y() - h / 2);
    path.closeSubpath();
    painter.fillPath(path, colour);
}

} // namespace

QColor colourOf(const GridPointRecord &point)
{
    if (!point.measured)
        return QColor(160, 160, 160);
    switch (point.packPlace) {
    case 1:
        return QColor(0, 150, 60);
    case 2:
        return QColor(240, 200, 0);
    case 3:
        return QColor(255, 130, 0);
    default:
        return QColor(210, 30, 30);
    }
}

QImage draw(const ArchivedGrid &grid, const std::optional<ArchivedGrid> &before, int side)
{
    const GridPlan gridPlan = GridPlan::of(grid);
    QImage image(side, side + kCaptionHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF plot(kMargin, kMargin / 2.0, side - kMargin * 1.5, side - kMargin * 1.5);
    const int half = grid.size / 2;
    const double extent = (half + 0.6) * grid.spacingKm;   // km from the centre to the plot's edge
    const double scale = plot.width() / (2 * extent);
    const auto toPixel = [&](double east, double north) {
        return QPointF(plot.center().x() + east * scale, plot.center().y() - north * scale);
    };
    // The axes: km east and north of the centre, a tick a point.
    QFont small = painter.font();
    small.setPixelSize(qMax(10, side / 60));
    painter.setFont(small);
    painter.setPen(QPen(QColor(120, 120, 120), 1));
    painter.drawRect(plot);
    for (int k = -half; k <= half; ++k) {
        const QPointF x = toPixel(k * grid.spacingKm, -extent);
        const QPointF y = toPixel(-extent, k * grid.spacingKm);
        painter.drawLine(x, x + QPointF(0, 6));
        painter.drawLine(y, y - QPointF(6, 0));
        painter.drawText(QRectF(x.x() - 30, x.y() + 8, 60, 16), Qt::AlignHCenter | Qt::AlignTop, kmText(k * grid.spacingKm));
        painter.drawText(QRectF(y.x() - 48, y.y() - 8, 40, 16), Qt::AlignRight | Qt::AlignVCenter, kmText(k * grid.spacingKm));
    }
    painter.drawText(QRectF(plot.left(), plot.bottom() + 22, plot.width(), 16), Qt::AlignHCenter, QStringLiteral("km verso est"));
    painter.drawText(QRectF(4, plot.top() - 28, kMargin * 3, 16), Qt::AlignLeft, QStringLiteral("N \u2191  km verso nord"));
    // The points.
    const double radius = grid.spacingKm * scale * 0.38;
    QFont number = painter.font();
    number.setPixelSize(qMax(9, int(radius * 0.9)));
    number.setBold(true);
    QHash<QString, int> earlier;
    if (before) {
        for (const GridPointRecord &p : before->points) {
            if (p.measured)
                earlier.insert(SearchPlaces::coordinatesText(p.point), p.packPlace > 0 ? p.packPlace : GridMeasures::kNotInPack);
        }
    }
    for (const GridPointRecord &point : grid.points) {
        const auto [east, north] = gridPlan.kmFromCentre(point.point);
        const QPointF at = toPixel(east, north);
        const QColor fill = colourOf(point);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawEllipse(at, radius, radius);
        painter.setFont(number);
        painter.setPen(qGray(fill.rgb()) > 140 ? Qt::black : Qt::white);
        const QString text = !point.measured ? QStringLiteral("?") : point.packPlace > 0 ? QString::number(point.packPlace)
                                                                                          : QStringLiteral("\u2013");
        painter.drawText(QRectF(at.x() - radius, at.y() - radius, 2 * radius, 2 * radius), Qt::AlignCenter, text);
        const auto was = earlier.constFind(SearchPlaces::coordinatesText(point.point));
        if (point.measured && was != earlier.cend()) {
            const int now = point.packPlace > 0 ? point.packPlace : GridMeasures::kNotInPack;
            if (now != *was)
                triangle(painter, at + QPointF(radius, -radius), radius * 0.45, now < *was,
                         now < *was ? QColor(0, 110, 40) : QColor(150, 0, 0));
        }
    }
    // The centre, ringed.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, qMax(2.0, radius / 8)));
    painter.drawEllipse(toPixel(0, 0), radius + radius / 5, radius + radius / 5);
    // The caption: the grid, its measures, what changed.
    QStringList caption{QStringLiteral("%1 \u2014 %2x%2, ogni %3 km, %4")
                            .arg(grid.phrase)
                            .arg(grid.size)
                            .arg(kmText(grid.spacingKm), grid.started.toLocalTime().toString(QStringLiteral("dd/MM/yyyy HH:mm"))),
                        GridMeasures::of(grid.points).line()};
    if (before)
        caption.append(GridComparison::of(*before, grid).line(before->started));
    QFont captionFont = small;
    captionFont.setPixelSize(qMax(11, side / 52));
    painter.setFont(captionFont);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(12, side, side - 24, kCaptionHeight - 8), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                     caption.join(QLatin1Char('\n')));
    painter.end();
    return image;
}

QString fileIn(const QString &folder, const ArchivedGrid &grid)
{
    QString name = grid.phrase.toLower();
    name.replace(QRegularExpression(QStringLiteral("[^\\w]+")), QStringLiteral("-"));
    name = name.left(40);
    return QDir(folder).filePath(QStringLiteral("Griglia-%1-%2.png")
                                     .arg(name, grid.started.toLocalTime().toString(QStringLiteral("yyyy-MM-dd-HHmm"))));
}

} // namespace GridPicture
