#pragma once

// A week of lists for the soak: the phrases, the results the service gives
// each, the faults it and the machine inject, and what each phrase's final
// outcome must be. Everything follows from the seed.

#include "model/runrecords.h"
#include "model/searchplace.h"

#include <QList>
#include <set>
#include <QString>
#include <QStringList>

namespace soak {

enum class ServiceFault { None, Hang, Cut, Error500, Error503, Check429, Unknown, NoResults, Slow };
enum class MachineFault { KillBrowser, KillProgram, DiskFull, DamagedArchive, TwoTogether };

QString nameOf(ServiceFault fault);
QString nameOf(MachineFault fault);
const QList<ServiceFault> &serviceFaults();
const QList<MachineFault> &machineFaults();

struct PlannedPhrase
{
    QString phrase;
    int list = 0;
    Device device = Device::Computer;
    bool today = false;            // today's markup; the classic one otherwise
    int hit = 0;                   // the position of the address holding the fragment; 0: none
    ServiceFault fault = ServiceFault::None;
    int faultPage = 0;             // the page (0 is the first) the fault is served on

    QString series() const;
    // Whether a run reads the fault's page before it finds the hit.
    bool faultReached() const;
    // What the service serves for it, in its catalog's words.
    QString catalogEntry() const;
};

// The one outcome that ends a phrase, as the archive holds it.
struct Expected
{
    QList<RunEnd> ends;            // any of these
    qint64 lowest = 0;             // the position, or the results counted, within these bounds
    qint64 highest = 0;
};

struct PlannedList
{
    int index = 0;
    Device device = Device::Computer;
    QList<int> phrases;            // indices into the plan's phrases
    std::set<MachineFault> faults;
    int faultAfterLines = 1;       // the machine's fault comes after this many printed lines

    QString file() const { return QStringLiteral("elenco-%1.txt").arg(index + 1, 3, 10, QLatin1Char('0')); }
};

class Plan
{
public:
    static constexpr int kPageLimit = 5;
    static constexpr int kResultsPerPage = 10;
    static constexpr const char *kFragment = "soakhit";

    static Plan make(int phraseCount, quint64 seed, bool faults = true);

    quint64 seed() const { return m_seed; }
    const QList<PlannedPhrase> &phrases() const { return m_phrases; }
    const QList<PlannedList> &lists() const { return m_lists; }
    QString catalog() const;
    static Expected expected(const PlannedPhrase &phrase);

private:
    quint64 m_seed = 0;
    QList<PlannedPhrase> m_phrases;
    QList<PlannedList> m_lists;
};

} // namespace soak
