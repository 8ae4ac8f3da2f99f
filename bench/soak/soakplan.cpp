#include "soakplan.h"

#include <QRandomGenerator>

namespace soak {

namespace {

const QStringList kWords{QStringLiteral("caffè"), QStringLiteral("ricette"), QStringLiteral("città"),
                         QStringLiteral("perché"), QStringLiteral("scarpe"), QStringLiteral("viaggi"),
                         QStringLiteral("mutuo"), QStringLiteral("pizza"), QStringLiteral("ghiaccio")};

// Far enough from the page's time limit that a slow page is never a timed-out one.
constexpr int kSlowMilliseconds = 2500;

} // namespace

QString nameOf(ServiceFault fault)
{
    switch (fault) {
    case ServiceFault::None: return QStringLiteral("nessuno");
    case ServiceFault::Hang: return QStringLiteral("pagina che non finisce");
    case ServiceFault::Cut: return QStringLiteral("connessione interrotta");
    case ServiceFault::Error500: return QStringLiteral("errore 500");
    case ServiceFault::Error503: return QStringLiteral("errore 503");
    case ServiceFault::Check429: return QStringLiteral("429 con verifica");
    case ServiceFault::Unknown: return QStringLiteral("impaginazione sconosciuta");
    case ServiceFault::NoResults: return QStringLiteral("nessun risultato");
    case ServiceFault::Slow: return QStringLiteral("pagina lenta");
    }
    return QString();
}

QString nameOf(MachineFault fault)
{
    switch (fault) {
    case MachineFault::KillBrowser: return QStringLiteral("browser ucciso");
    case MachineFault::KillProgram: return QStringLiteral("programma ucciso");
    case MachineFault::DiskFull: return QStringLiteral("disco dell'archivio pieno");
    case MachineFault::DamagedArchive: return QStringLiteral("archivio danneggiato");
    case MachineFault::TwoTogether: return QStringLiteral("due elenchi insieme");
    }
    return QString();
}

const QList<ServiceFault> &serviceFaults()
{
    static const QList<ServiceFault> all{ServiceFault::Hang, ServiceFault::Cut, ServiceFault::Error500,
                                         ServiceFault::Error503, ServiceFault::Check429, ServiceFault::Unknown,
                                         ServiceFault::NoResults, ServiceFault::Slow};
    return all;
}

const QList<MachineFault> &machineFaults()
{
    static const QList<MachineFault> all{MachineFault::KillBrowser, MachineFault::DamagedArchive, MachineFault::KillProgram,
                                         MachineFault::DiskFull, MachineFault::TwoTogether};
    return all;
}

QString PlannedPhrase::series() const
{
    SearchPlace place;
    place.device = device;
    return SearchPlaces::seriesOf(phrase, place);
}

bool PlannedPhrase::faultReached() const
{
    return fault != ServiceFault::None && (hit == 0 || (hit - 1) / Plan::kResultsPerPage >= faultPage);
}

QString PlannedPhrase::catalogEntry() const
{
    QString entry = QStringLiteral("[%1]\n").arg(phrase);
    if (today)
        entry += QStringLiteral("@today\n");
    constexpr int kResults = 60;
    if (hit > 0) {
        if (hit > 1)
            entry += QStringLiteral("@generate %1\n").arg(hit - 1);
        entry += QStringLiteral("http://www.%1.it/%2\n").arg(QLatin1String(Plan::kFragment), phrase.section(QLatin1Char(' '), 1, 1));
        entry += QStringLiteral("@generate %1\n").arg(kResults - hit);
    } else {
        entry += QStringLiteral("@generate %1\n").arg(kResults);
    }
    const int offset = faultPage * Plan::kResultsPerPage;
    switch (fault) {
    case ServiceFault::None: break;
    case ServiceFault::Hang: entry += QStringLiteral("@fail %1 hang\n").arg(offset); break;
    case ServiceFault::Cut: entry += QStringLiteral("@fail %1 cut\n").arg(offset); break;
    case ServiceFault::Error500: entry += QStringLiteral("@fail %1 500\n").arg(offset); break;
    case ServiceFault::Error503: entry += QStringLiteral("@fail %1 503\n").arg(offset); break;
    case ServiceFault::Check429: entry += QStringLiteral("@fail %1 429\n").arg(offset); break;
    case ServiceFault::Unknown: entry += QStringLiteral("@fail %1 unknown\n").arg(offset); break;
    case ServiceFault::NoResults: entry += QStringLiteral("@noresults %1\n").arg(offset); break;
    case ServiceFault::Slow: entry += QStringLiteral("@slow %1 %2\n").arg(offset).arg(kSlowMilliseconds); break;
    }
    return entry;
}

Plan Plan::make(int phraseCount, quint64 seed, bool faults)
{
    Plan plan;
    plan.m_seed = seed;
    QRandomGenerator random(seed);
    const int listSize = std::clamp(phraseCount / 20, 10, 60);
    int next = 0;
    while (next < phraseCount) {
        PlannedList list;
        list.index = int(plan.m_lists.size());
        list.device = list.index % 5 == 4 ? Device::Smartphone : Device::Computer;
        const int size = std::min(phraseCount - next, int(listSize * (0.6 + 0.8 * random.generateDouble())) + 1);
        for (int i = 0; i < size; ++i, ++next) {
            PlannedPhrase phrase;
            phrase.phrase = QStringLiteral("frase %1 %2").arg(next + 1, 4, 10, QLatin1Char('0')).arg(kWords[random.bounded(int(kWords.size()))]);
            phrase.list = list.index;
            phrase.device = list.device;
            phrase.today = list.device == Device::Computer && random.generateDouble() < 0.4;
            const bool classic = list.device == Device::Computer && !phrase.today;
            // Today's pages and the phone's hold 8 to 11 results: a hit within
            // 40 is always within the page limit.
            if (random.generateDouble() < 0.8)
                phrase.hit = 1 + random.bounded(classic ? kPageLimit * kResultsPerPage : 40);
            if (random.generateDouble() < 0.3) {
                phrase.fault = serviceFaults()[random.bounded(int(serviceFaults().size()))];
                phrase.faultPage = classic ? random.bounded(kPageLimit) : 0;
            }
            list.phrases.append(next);
            plan.m_phrases.append(phrase);
        }
        plan.m_lists.append(list);
    }
    // Every kind of fault at least once, on phrases of the first lists.
    for (int i = 0; i < serviceFaults().size() && i * 5 + 2 < plan.m_phrases.size(); ++i) {
        PlannedPhrase &phrase = plan.m_phrases[i * 5 + 2];
        phrase.fault = serviceFaults()[i];
        phrase.faultPage = 0;
    }
    const int lists = int(plan.m_lists.size());
    for (int i = 0; i < lists; ++i) {
        PlannedList &list = plan.m_lists[i];
        list.faultAfterLines = 1 + random.bounded(std::max(1, int(list.phrases.size()) / 2));
        for (MachineFault fault : machineFaults()) {
            if (random.generateDouble() < (fault == MachineFault::TwoTogether ? 0.1 : 0.2))
                list.faults.insert(fault);
        }
    }
    const QList<MachineFault> firsts{MachineFault::KillBrowser, MachineFault::DamagedArchive, MachineFault::KillProgram,
                                     MachineFault::DiskFull};
    for (int i = 0; i < firsts.size() && i < lists; ++i) {
        plan.m_lists[i].faults.insert(firsts[i]);
        plan.m_lists[i].faults.erase(MachineFault::TwoTogether);
    }
    if (lists >= 2)
        plan.m_lists[lists - 2].faults.insert(MachineFault::TwoTogether);
    // A list started together with the one before it starts as that one does.
    plan.m_lists[0].faults.erase(MachineFault::DamagedArchive);
    for (int i = 0; i < lists; ++i) {
        if (i + 1 >= lists)
            plan.m_lists[i].faults.erase(MachineFault::TwoTogether);
        if (plan.m_lists[i].faults.contains(MachineFault::TwoTogether) && i + 1 < lists) {
            plan.m_lists[i].faults.erase(MachineFault::DamagedArchive);
            plan.m_lists[i + 1].faults.erase(MachineFault::TwoTogether);
            plan.m_lists[i + 1].faults.erase(MachineFault::DamagedArchive);
        }
    }
    if (!faults) {
        for (PlannedPhrase &phrase : plan.m_phrases)
            phrase.fault = ServiceFault::None;
        for (PlannedList &list : plan.m_lists)
            list.faults.clear();
    }
    return plan;
}

QString Plan::catalog() const
{
    QString text;
    for (const PlannedPhrase &phrase : m_phrases)
        text += phrase.catalogEntry();
    return text;
}

Expected Plan::expected(const PlannedPhrase &phrase)
{
    const bool classic = phrase.device == Device::Computer && !phrase.today;
    if (phrase.fault == ServiceFault::NoResults && phrase.faultReached()) {
        const qint64 counted = qint64(phrase.faultPage) * kResultsPerPage;
        return {{RunEnd::NotFound, RunEnd::ResultsEnded}, counted, counted};
    }
    if (phrase.hit > 0)
        return {{RunEnd::Found}, phrase.hit, phrase.hit};
    const qint64 all = qint64(kPageLimit) * kResultsPerPage;
    return {{RunEnd::NotFound}, classic ? all : 40, classic ? all : 55};
}

} // namespace soak
