#pragma once

#include <QRegularExpression>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace UserAgent {

// The name the embedded browser sends: the browser's own, with the
// "HeadlessChrome" of a browser without a window read as "Chrome" (sites
// treat the former as a robot); CERCA_POSIZIONE_USER_AGENT, when set and not
// empty, replaces it whole.
// The user's own choice, when there is one.
inline std::optional<QString> chosen()
{
    const QString agent = qEnvironmentVariable("CERCA_POSIZIONE_USER_AGENT");
    return agent.trimmed().isEmpty() ? std::nullopt : std::optional<QString>(agent);
}

inline QString forEngine(const QString &engineAgent)
{
    if (const std::optional<QString> agent = chosen())
        return *agent;
    static const QRegularExpression headless(QStringLiteral("\\bHeadlessChrome/"));
    return QString(engineAgent).replace(headless, QStringLiteral("Chrome/")).simplified();
}

// The same browser and version on a phone: Android, and "Mobile" before
// "Safari", as Chrome for Android writes it.
inline QString forPhone(const QString &engineAgent)
{
    if (const std::optional<QString> agent = chosen())
        return *agent;
    static const QRegularExpression platform(QStringLiteral("^([^(]*)\\([^)]*\\)"));
    static const QRegularExpression safari(QStringLiteral("\\bSafari/"));
    return forEngine(engineAgent)
        .replace(platform, QStringLiteral("\\1(Linux; Android 10; K)"))
        .replace(safari, QStringLiteral("Mobile Safari/"));
}

} // namespace UserAgent
