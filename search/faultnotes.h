#pragma once

#include <QObject>
#include <QString>
#include <optional>

class SearchRun;
struct ArchiveFault;

// Which faults of the runs are said, and how often: the runs go on after
// each, so an archive that cannot be written is said once for the program's
// whole life (what was not written waits for it), a damaged archive set
// aside every time it happens, and a picture or a page's markup that could
// not be kept once.
// The window and the list without a window say them alike.
class FaultNotes : public QObject
{
    Q_OBJECT
public:
    explicit FaultNotes(QObject *parent = nullptr) : QObject(parent) {}

    // Says, as `note`, the faults of `run` that call for it.
    void follow(SearchRun *run);

    // What to say of a fault; nothing when it has been said already.
    std::optional<QString> ofArchive(const ArchiveFault &fault);
    std::optional<QString> ofPicture(const QString &problem);

signals:
    void note(const QString &text);

private:
    bool m_archiveSaid = false;
    bool m_pictureSaid = false;
    bool m_pageNotKeptSaid = false;
};
