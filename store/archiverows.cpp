#include "store/archiverows.h"

#include <QSqlQuery>
#include <QVariant>

namespace ArchiveRows {

QString timeText(const QDateTime &time)
{
    return time.isValid() ? time.toUTC().toString(Qt::ISODateWithMs) : QString();
}

QDateTime timeOf(const QVariant &text)
{
    return text.isNull() || text.toString().isEmpty() ? QDateTime()
                                                      : QDateTime::fromString(text.toString(), Qt::ISODateWithMs).toLocalTime();
}

QString readingName(PageReading reading)
{
    switch (reading) {
    case PageReading::Classic:
        return QStringLiteral("classica");
    case PageReading::Unread:
        return kUnreadName;
    case PageReading::Today:
        break;
    }
    return QStringLiteral("attuale");
}

PageReading readingNamed(const QString &name)
{
    if (name == QLatin1String("classica"))
        return PageReading::Classic;
    return name == kUnreadName ? PageReading::Unread : PageReading::Today;
}

const QString kRunColumns = QStringLiteral("r.id, r.phrase, r.host, r.italian_only, r.fragment, r.started, r.ended, r.outcome,"
                                           " r.position, r.device, r.country, r.language, r.place");

ArchivedRun runOf(const QSqlQuery &query)
{
    ArchivedRun run;
    run.id = query.value(0).toLongLong();
    run.phrase = query.value(1).toString();
    run.host = query.value(2).toString();
    run.italianOnly = query.value(3).toInt() != 0;
    run.fragment = query.value(4).toString();
    run.started = timeOf(query.value(5));
    run.ended = timeOf(query.value(6));
    run.end = RunEnds::fromName(query.value(7).toString());
    run.position = query.value(8).toLongLong();
    run.place.device = SearchPlaces::deviceNamed(query.value(9).toString()).value_or(Device::Computer);
    run.place.country = query.value(10).toString();
    run.place.language = query.value(11).toString();
    run.place.place = query.value(12).toString();
    return run;
}

const QString kPictureColumns = QStringLiteral("pic.file, pic.bytes, pic.hit_x, pic.hit_y, pic.hit_width, pic.hit_height,"
                                               " pic.width, pic.height");

ArchivedPicture pictureOf(const QSqlQuery &query, int first)
{
    auto value = [&query, first](int i) { return query.value(first + i).toInt(); };
    return ArchivedPicture{query.value(first).toString(), query.value(first + 1).toLongLong(),
                           QRect(value(2), value(3), value(4), value(5)), QSize(value(6), value(7)), QByteArray()};
}

} // namespace ArchiveRows
