#pragma once

#include <QRegularExpression>
#include <QString>
#include <QtGlobal>

namespace UserAgent {

// The name the embedded browser sends: the engine's own without its
// "QtWebEngine/..." token, which sites take for an unsupported browser;
// CERCA_POSIZIONE_USER_AGENT, when set and not empty, replaces it whole.
inline QString forEngine(const QString &engineAgent)
{
    const QString chosen = qEnvironmentVariable("CERCA_POSIZIONE_USER_AGENT");
    if (!chosen.trimmed().isEmpty())
        return chosen;
    static const QRegularExpression token(QStringLiteral("\\s*QtWebEngine/\\S*"));
    return QString(engineAgent).remove(token).simplified();
}

} // namespace UserAgent
