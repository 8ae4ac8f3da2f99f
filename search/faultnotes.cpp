#include "search/faultnotes.h"

#include "search/notes.h"
#include "search/searchrun.h"

#include <utility>

void FaultNotes::follow(SearchRun *run)
{
    connect(run, &SearchRun::archiveFault, this, [this](const ArchiveFault &fault) {
        if (const std::optional<QString> text = ofArchive(fault))
            emit note(*text);
    });
    connect(run, &SearchRun::pictureNotKept, this, [this](const QString &problem) {
        if (const std::optional<QString> text = ofPicture(problem))
            emit note(*text);
    });
}

std::optional<QString> FaultNotes::ofArchive(const ArchiveFault &fault)
{
    // Kept pages lost are said once, apart from the runs waiting.
    if (fault.kind == ArchiveFault::Kind::PageNotKept) {
        if (std::exchange(m_pageNotKeptSaid, true))
            return std::nullopt;
    } else if (fault.kind != ArchiveFault::Kind::SetAside && std::exchange(m_archiveSaid, true)) {
        return std::nullopt;
    }
    return Notes::archiveFault(fault);
}

std::optional<QString> FaultNotes::ofPicture(const QString &problem)
{
    if (std::exchange(m_pictureSaid, true))
        return std::nullopt;
    return Notes::pictureNotKept(problem);
}
