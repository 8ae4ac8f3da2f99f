#pragma once

#include "model/runrecords.h"
#include "store/archive.h"
#include "store/runarchive.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <memory>
#include <optional>

class Browser;

// Reads the pages kept in the archive again with today's reader, in a
// browser that asks the network for nothing, and stores each run's new
// reading beside the old one. A run's pages are read again all together:
// one that cannot be read leaves the whole run as it was. Stopped half way
// (the program killed), it goes on from the first run not yet read again.
class Rereading : public QObject
{
    Q_OBJECT
public:
    // A run whose position the new reading changed.
    struct Change
    {
        QString phrase;
        QDateTime started;
        std::optional<qint64> before;   // nullopt: the fragment was not on its pages
        std::optional<qint64> after;
        int readerBefore = 0;
        int readerAfter = 0;
        bool unreadBefore = false;      // a page of the run could not be read before
        // "bimby 2026-12-01 08:00: posizione 14 -> 9 (lettore 7 -> 8)"; a
        // run with a page unread before: "posizione pagina non letta -> 9".
        QString line() const;
        // "14", or "non trovato"
        static QString positionText(const std::optional<qint64> &position);
    };
    struct Summary
    {
        int pages = 0;              // read again and stored
        int changed = 0;            // runs
        int unchanged = 0;
        QStringList notRead;        // a page each, with why
        QString line() const;
    };

    // Every kept page read by a reader older than `reader`; of one phrase
    // when `phrase` is given.
    Rereading(Browser *browser, const QString &archive, int reader, const QString &phrase = QString());

    // Opens the archive and begins; why it could not, otherwise.
    std::optional<QString> start();
    const Summary &summary() const { return m_summary; }

    // How long a kept page may take to be made and read.
    static constexpr int kPageMilliseconds = 30000;

signals:
    void runChanged(const Rereading::Change &change);
    void finished();

private:
    void nextPage();
    void pageRead();
    void pageNotRead(const QString &why);
    void runDone();
    QString addressOf(const RunArchive::KeptPage &kept) const;

    QPointer<Browser> m_browser;
    Archive m_archive;
    int m_reader;
    QString m_phrase;
    QList<RunArchive::KeptPage> m_pages;
    qsizetype m_next = 0;                              // the page being read
    QList<std::pair<qint64, ArchivedPage>> m_readings; // of the run being read
    qint64 m_counted = 0;                              // results of the run's pages read so far
    bool m_runFailed = false;
    bool m_unreadBefore = false;                       // the run being read had a page unread
    QTimer m_timeout;
    Summary m_summary;
};
