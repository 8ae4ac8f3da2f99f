#pragma once

#include <QHash>
#include <QJsonObject>
#include <QSet>
#include <QString>

// Decides, from the page's DevTools events, when a main-frame document has
// completed and whether it is one to read. Every main-frame load counts,
// ours and the user's (a consent answered in the page); a load that fails
// (no connection, a page cut short, the browser's error page, a server error
// answer) completes once, without anything to read; a navigation replaced before it committed, or the
// document it replaces, never reports.
class LoadTracker
{
public:
    enum class Step { None, Read, Failed };

    // We asked for a new page: the document shown until now no longer counts.
    void navigationRequested();
    Step onEvent(const QString &method, const QJsonObject &params);

    // A page target's main frame has the target's id.
    void setMainFrame(const QString &frameId) { m_mainFrame = frameId; }
    QString mainFrame() const { return m_mainFrame; }
    QString committedLoader() const { return m_committed; }
    // Why the last load failed, as the browser or the server said it.
    QString failure() const { return m_failure; }

private:
    Step complete(const QString &loaderId, Step step);

    QString m_mainFrame;
    QString m_committed;          // the main frame's document now, if it counts
    bool m_errorPage = false;     // that document is the browser's error page
    QString m_failure;
    QHash<QString, int> m_statuses;   // HTTP status by document request
    QSet<QString> m_documentRequests;
    QSet<QString> m_reported;     // loads that have completed already
};
