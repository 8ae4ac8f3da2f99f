#include "store/resultlog.h"

#include "store/textfile.h"

#include <QLocale>

namespace ResultLog {

namespace {

QString datePart(const QDate &date, const QString &separator)
{
    return date.toString(QStringLiteral("yyyy")) + separator + date.toString(QStringLiteral("MM"))
        + separator + date.toString(QStringLiteral("dd"));
}

QString enginePart(const ResultReport &report)
{
    return QStringLiteral(" (con ") + report.engine + QLatin1Char(' ')
        + (report.italianOnly ? QStringLiteral("solo ita.") : QString()) + QLatin1Char(')');
}

} // namespace

QString systemDateSeparator()
{
    const QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
    // Quoted literals aside, the first character that is no field letter
    // separates the fields.
    bool quoted = false;
    for (QChar c : format) {
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            continue;
        }
        if (quoted || c.isLetter() || c.isSpace())
            continue;
        return QString(c);
    }
    return QStringLiteral("/");
}

std::optional<QString> buildLine(const ResultReport &report, const QDateTime &now,
                                 const QString &dateSeparator)
{
    if (report.report.isEmpty())
        return std::nullopt;
    const QString date = datePart(now.date(), dateSeparator);
    const QString time = now.time().toString(QStringLiteral("HH:mm:ss"));
    const QString when = QStringLiteral(" < ") + date + QStringLiteral(" - ") + time + QStringLiteral(" > ");

    if (report.report.right(12) == QLatin1String("non trovato!")) {
        QString caption = report.report;
        caption.replace(QLatin1Char('!'), QLatin1Char(','));
        const QString counted = report.position ? QString::number(*report.position) : QString();
        return report.phrase + when + caption + QStringLiteral(" ultima posizione controllata ") + counted
            + enginePart(report);
    }
    QString caption = report.report;
    caption.replace(QStringLiteral(" trovato nella posizione"), QStringLiteral(" pos."));
    return report.phrase + QStringLiteral(" - (") + report.lastAddress + QLatin1Char(')') + when + caption
        + enginePart(report);
}

bool append(const QString &path, const QString &line)
{
    return TextFile::appendLine(path, line);
}

} // namespace ResultLog
