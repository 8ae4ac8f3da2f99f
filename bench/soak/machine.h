#pragma once

// What the soak reads off the machine: processes, their memory, and a small
// file system of the archive's own that can be filled for a while.

#include <QList>
#include <QString>

namespace soak {

// The processes under `pid`, children and theirs.
QList<qint64> descendantsOf(qint64 pid);
bool isAlive(qint64 pid);
QString commandLineOf(qint64 pid);
// The browser's own process among them: the one that is no helper.
qint64 browserAmong(const QList<qint64> &pids);
// Proportional set size in kB; 0 when the process is gone.
qint64 pssOf(qint64 pid);
// The memory the process has written and holds alone (private dirty pages:
// its heap, stacks and data), in kB: what a leak grows. Unlike the
// proportional size or the clean pages of its code, it does not move when
// another process shares its libraries or the kernel drops clean pages.
qint64 privateDirtyOf(qint64 pid);

// A tmpfs of its own, when the soak runs as root; filled on demand.
class SmallDisk
{
public:
    explicit SmallDisk(QString folder);
    ~SmallDisk();
    bool mounted() const { return m_mounted; }
    QString folder() const { return m_folder; }
    bool fill();      // until no byte is left
    void empty();
    bool full() const { return m_full; }

private:
    QString m_folder;
    bool m_mounted = false;
    bool m_full = false;
};

} // namespace soak
