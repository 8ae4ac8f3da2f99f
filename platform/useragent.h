#pragma once

#include <QRegularExpression>
#include <QString>
#include <QtGlobal>

namespace UserAgent {

// The name the embedded browser sends: the browser's own, with the
// "HeadlessChrome" of a browser without a window read as "Chrome" (sites
// treat the former as a robot); CERCA_POSIZIONE_USER_AGENT, when set and not
// empty, replaces it whole.
inline QString forEngine(const QString &engineAgent)
{
    const QString chosen = qEnvironmentVariable("CERCA_POSIZIONE_USER_AGENT");
    if (!chosen.trimmed().isEmpty())
        return chosen;
    static const QRegularExpression headless(QStringLiteral("\\bHeadlessChrome/"));
    return QString(engineAgent).replace(headless, QStringLiteral("Chrome/")).simplified();
}

} // namespace UserAgent
