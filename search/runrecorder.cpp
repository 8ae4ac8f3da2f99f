#include "search/runrecorder.h"

#include "model/readerversion.h"
#include "search/localpack.h"
#include "store/archivewriter.h"

void RunRecorder::runStarted(const ArchivedRun &run)
{
    m_fragment = run.fragment;
    m_citation.reset();
    m_aiIncomplete = false;
    m_packSeen = false;
    m_packPlace = 0;
    m_run = m_writer ? m_writer->beginRun(run) : 0;
}

void RunRecorder::pageRead(PageReading reading, qint64 offset, qint64 before,
                           const QList<ResultLinks::TitledLink> &results, const std::optional<PageFeatures> &features,
                           const QDateTime &when, const KeptMarkup &kept)
{
    if (!m_run)
        return;
    if (features && !features->pack.isEmpty() && !m_packSeen) {
        m_packSeen = true;
        m_packPlace = LocalPack::placeOf(features->pack, m_fragment).value_or(0);
    }
    ArchivedPage page{offset, when, reading, {}, features, kept, ReaderVersion::kCurrent};
    for (const ResultLinks::TitledLink &result : results)
        page.results.append(ArchivedResult{before + page.results.size() + 1, result.address, result.title});
    m_aiIncomplete = m_aiIncomplete || (features && features->aiOverview && features->aiLoading);
    if (features && !m_citation) {
        const QStringList &sources = features->aiCited;
        for (qsizetype i = 0; i < sources.size() && !m_citation; ++i) {
            if (sources[i].contains(m_fragment))
                m_citation = AiCitation{int(i + 1), int(sources.size())};
        }
    }
    if (m_writer)
        m_writer->addPage(*m_run, page);
}

void RunRecorder::pageUnread(qint64 offset, const QDateTime &when, const KeptMarkup &kept)
{
    if (m_run && m_writer && !kept.text.isEmpty())
        m_writer->addPage(*m_run, ArchivedPage{offset, when, PageReading::Unread, {}, std::nullopt, kept, ReaderVersion::kCurrent});
}

RunEnd RunRecorder::endOf(ScanOutcome outcome, bool stopRequested)
{
    switch (outcome) {
    case ScanOutcome::Found:
        return RunEnd::Found;
    case ScanOutcome::EndOfResults:
        return RunEnd::ResultsEnded;
    case ScanOutcome::LimitOrStop:
        return stopRequested ? RunEnd::Stopped : RunEnd::NotFound;
    case ScanOutcome::Failed:
        return RunEnd::NotFound;
    case ScanOutcome::PageIgnored:
    case ScanOutcome::NextPage:
        break;
    }
    return RunEnd::Unfinished;
}

void RunRecorder::runEnded(RunEnd end, const RunValues &values, const QDateTime &when)
{
    if (!m_run)
        return;
    if (m_writer)
        m_writer->endRun(*m_run, end, values.contaPosizione.value_or(0), when, m_packPlace);
    m_run.reset();
}

void RunRecorder::pictureKept(quint64 handle, const ArchivedPicture &picture)
{
    if (m_writer)
        m_writer->addPicture(handle, picture);
}
