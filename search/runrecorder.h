#pragma once

#include "search/resultlinks.h"
#include "search/runoutcome.h"
#include "search/scanner.h"
#include "model/runrecords.h"

#include <QDateTime>
#include <QObject>
#include <optional>

class ArchiveWriter;

// Keeps what a run reads for the archive: the run when it starts, each page
// with its results numbered as the run counts them, and how it ended.
class RunRecorder
{
public:
    // Without a writer nothing is kept, but the run's own facts still are.
    explicit RunRecorder(ArchiveWriter *writer) : m_writer(writer) {}

    void runStarted(const ArchivedRun &run);
    // A page whose results were read; `before` is the position of the last
    // result before it; `kept`, its markup to keep, if any.
    void pageRead(PageReading reading, qint64 offset, qint64 before, const QList<ResultLinks::TitledLink> &results,
                  const std::optional<PageFeatures> &features, const QDateTime &when, const KeptMarkup &kept = {});
    // A page the reader could not place: kept, when pages are kept, for a
    // mended reader to read again; it counts as no page read.
    void pageUnread(qint64 offset, const QDateTime &when, const KeptMarkup &kept);
    // How the run ended, whatever ended it: its own rules (see endOf), a
    // stop, a page that asked the user, the window closed, no browser.
    void runEnded(RunEnd end, const RunValues &values, const QDateTime &when);

    bool running() const { return m_run.has_value(); }
    // The current run's handle, for what comes after its end.
    std::optional<quint64> handle() const { return m_run; }
    void pictureKept(quint64 handle, const ArchivedPicture &picture);
    // Where an AI overview of the current or last run first cites an address
    // that holds the fragment, among its sources; nothing when none does.
    std::optional<AiCitation> aiCitation() const { return m_citation; }
    // Whether a page of the current or last run was read with its AI
    // overview still being generated.
    bool aiIncomplete() const { return m_aiIncomplete; }
    // The fragment's place in the first local pack the current or last run
    // saw, from 1; 0 when it is not in it, or the run saw none.
    int packPlace() const { return m_packPlace; }

    // How a scan outcome ends a run.
    static RunEnd endOf(ScanOutcome outcome, bool stopRequested);

private:
    ArchiveWriter *m_writer;
    std::optional<quint64> m_run;
    QString m_fragment;
    std::optional<AiCitation> m_citation;
    bool m_aiIncomplete = false;
    bool m_packSeen = false;
    int m_packPlace = 0;
};
