#pragma once

#include "platform/browser.h"
#include "platform/chromium/devtoolssession.h"

#include <QJsonValue>
#include <QObject>
#include <QPointer>
#include <functional>

class PageEmulation;

// Pictures of the completed document, taken in the browser: the run's, from
// the page's top with its hits outlined, and the first screen of a page kept
// because nobody could read it.
class PagePictures : public QObject
{
    Q_OBJECT
public:
    // Runs an expression in the page and gives its value.
    using Evaluate = std::function<void(const QString &expression, std::function<void(const QJsonValue &)> done)>;

    PagePictures(PageEmulation &emulation, Evaluate evaluate, QObject *parent = nullptr);

    void attach(DevToolsSession *session) { m_session = session; }
    // The hits outlined, the picture taken, down to a little below the last
    // hit; an empty picture when none could be taken. The outlines stay until
    // removeOutlines().
    void take(const QStringList &hits, std::function<void(const PagePicture &)> done);
    void removeOutlines();
    // The document's markup as it stands, and a PNG picture of its first screen.
    void capturePage(std::function<void(const QByteArray &markup, const QByteArray &picture)> done);

private:
    void shoot(const QJsonObject &measured, double pictureScale, double pixelRatio, std::function<void(const PagePicture &)> done);

    PageEmulation &m_emulation;
    Evaluate m_evaluate;
    QPointer<DevToolsSession> m_session;
};
