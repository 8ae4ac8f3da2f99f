#pragma once

#include "platform/browser.h"
#include "platform/chromium/devtoolssession.h"

#include <QByteArray>
#include <QJsonObject>
#include <QPointer>
#include <QString>
#include <optional>

// The page's frames while the user sees it: started in front, stopped
// behind the lists (frames are worth their cost only while someone looks),
// each frame acknowledged so that the next one comes.
class PageScreencast
{
public:
    void attach(DevToolsSession *session) { m_session = session; }
    void start();
    void stop();
    // A frame event: acknowledged, and its picture with what it shows of the
    // page (its size and zoom); nothing for any other event.
    std::optional<PageFrame> frameOf(const QString &method, const QJsonObject &params);

private:
    QPointer<DevToolsSession> m_session;
};
