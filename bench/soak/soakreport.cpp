#include "soakreport.h"

#include "store/csv.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

#include <cstdio>

namespace soak {

namespace {

bool isFinal(RunEnd end)
{
    return end == RunEnd::Found || end == RunEnd::NotFound || end == RunEnd::ResultsEnded;
}

// The outcomes a one-time fault of the service shows as, when the run that
// met it was not killed first; the faults a run asks again for have none.
QList<RunEnd> ownOutcomes(const QString &kind)
{
    if (kind == QLatin1String("hang"))
        return {RunEnd::PageNotLoaded};
    if (kind == QLatin1String("unknown"))
        return {RunEnd::PageUnreadable};
    if (kind == QLatin1String("429"))
        return {RunEnd::WaitingForUser, RunEnd::PageNotLoaded};
    return {};
}

QString runsText(const QList<Report::RunSeen> &runs)
{
    QStringList parts;
    for (const Report::RunSeen &run : runs)
        parts << QStringLiteral("%1 %2").arg(RunEnds::name(run.end)).arg(run.position);
    return parts.join(QStringLiteral("; "));
}

QStringList linesAbout(const QString &path, const QString &phrase)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    QStringList found;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        if (lines[i].contains(phrase))
            found << lines.mid(std::max(0, i - 2), 5);
    }
    return found.mid(std::max(0, int(found.size()) - 15));
}

} // namespace

void Report::checkPhrases(const QString &programLog)
{
    m_csv.clear();
    m_csv = Csv::row({QStringLiteral("frase"), QStringLiteral("serie"), QStringLiteral("elenco"), QStringLiteral("impaginazione"),
                      QStringLiteral("posizione servita"), QStringLiteral("guasto"), QStringLiteral("pagina del guasto"),
                      QStringLiteral("guasto servito"), QStringLiteral("esiti"), QStringLiteral("esito finale"),
                      QStringLiteral("atteso"), QStringLiteral("righe nel registro"), QStringLiteral("ok")});
    for (const PlannedPhrase &phrase : plan->phrases()) {
        const QList<RunSeen> seen = runs.value(phrase.series());
        QList<RunSeen> finals;
        for (const RunSeen &run : seen) {
            if (isFinal(run.end))
                finals << run;
        }
        const Expected expected = Plan::expected(phrase);
        QStringList wrong;
        if (finals.size() != 1)
            wrong << QStringLiteral("%1 esiti finali nell'archivio").arg(finals.size());
        for (const RunSeen &run : finals) {
            if (!expected.ends.contains(run.end) || run.position < expected.lowest || run.position > expected.highest)
                wrong << QStringLiteral("esito %1 %2, atteso %3 %4-%5").arg(RunEnds::name(run.end)).arg(run.position)
                             .arg(RunEnds::name(expected.ends.constFirst())).arg(expected.lowest).arg(expected.highest);
        }
        int logged = 0;
        for (const QString &line : logLines) {
            if (line.startsWith(phrase.series() + QStringLiteral(" - (")) || line.startsWith(phrase.series() + QStringLiteral(" < ")))
                ++logged;
        }
        if (logged != 1)
            wrong << QStringLiteral("%1 righe nel registro dei risultati").arg(logged);
        QStringList servedHere;
        for (const Served &fault : served) {
            if (fault.phrase != phrase.phrase)
                continue;
            servedHere << fault.kind;
            const QList<RunEnd> own = ownOutcomes(fault.kind);
            // A browser killed while the page hangs is asked again, and the fault is gone with it.
            const std::set<MachineFault> &machine = plan->lists()[phrase.list].faults;
            const bool killed = machine.contains(MachineFault::KillBrowser) || machine.contains(MachineFault::KillProgram);
            const bool shown = own.isEmpty() || killed || std::any_of(seen.begin(), seen.end(), [&](const RunSeen &run) {
                return own.contains(run.end) || run.end == RunEnd::Unfinished;
            });
            if (!shown)
                wrong << QStringLiteral("il guasto %1 non ha un esito suo").arg(fault.kind);
        }
        const bool oneTime = phrase.fault != ServiceFault::None && phrase.fault != ServiceFault::NoResults
            && phrase.fault != ServiceFault::Slow;
        if (oneTime && phrase.faultReached() && servedHere.isEmpty())
            wrong << QStringLiteral("il guasto %1 non è stato servito").arg(nameOf(phrase.fault));
        for (const QString &what : wrong)
            broken.append({phrase.phrase, what, linesAbout(programLog, phrase.phrase)});
        const QString last = finals.isEmpty() ? QString()
                                              : QStringLiteral("%1 %2").arg(RunEnds::name(finals.constLast().end)).arg(finals.constLast().position);
        m_csv += Csv::row({phrase.phrase, phrase.series(), QString::number(phrase.list + 1),
                            phrase.device == Device::Smartphone ? QStringLiteral("telefono") : phrase.today ? QStringLiteral("oggi")
                                                                                                                 : QStringLiteral("classica"),
                            QString::number(phrase.hit), nameOf(phrase.fault), QString::number(phrase.faultPage + 1),
                            servedHere.join(QLatin1Char(' ')), runsText(seen), last,
                            QStringLiteral("%1 %2-%3").arg(RunEnds::name(expected.ends.constFirst())).arg(expected.lowest).arg(expected.highest),
                            QString::number(logged), wrong.isEmpty() ? QStringLiteral("sì") : QStringLiteral("no")});
    }
}

void Report::checkEveryFault()
{
    const QMap<ServiceFault, QString> kinds{{ServiceFault::Hang, QStringLiteral("hang")}, {ServiceFault::Cut, QStringLiteral("cut")},
                                            {ServiceFault::Error500, QStringLiteral("500")}, {ServiceFault::Error503, QStringLiteral("503")},
                                            {ServiceFault::Check429, QStringLiteral("429")}, {ServiceFault::Unknown, QStringLiteral("unknown")}};
    for (ServiceFault fault : serviceFaults()) {
        bool injected = false;
        if (kinds.contains(fault)) {
            injected = std::any_of(served.begin(), served.end(), [&](const Served &s) { return s.kind == kinds.value(fault); });
        } else {
            injected = std::any_of(plan->phrases().begin(), plan->phrases().end(),
                                   [&](const PlannedPhrase &p) { return p.fault == fault && p.faultReached(); });
        }
        if (!injected)
            broken.append({QString(), QStringLiteral("guasto mai iniettato: %1").arg(nameOf(fault)), {}});
    }
    for (MachineFault fault : soak::machineFaults()) {
        if (machineFaults.value(fault) == 0)
            broken.append({QString(), QStringLiteral("guasto mai iniettato: %1").arg(nameOf(fault)), {}});
    }
}

bool Report::write(const QString &folder) const
{
    QString text;
    QTextStream out(&text);
    const double minutes = elapsedMs / 60000.0;
    int pages = 0;
    QMap<QString, int> outcomes;
    for (const QList<RunSeen> &series : runs) {
        for (const RunSeen &run : series) {
            pages += run.pages;
            outcomes[RunEnds::name(run.end)]++;
        }
    }
    out << "Rapporto della prova lunga\n\n";
    out << "seme: " << seed << "\n";
    out << "frasi: " << plan->phrases().size() << " in " << plan->lists().size() << " elenchi, " << invocations
        << " avvii del programma\n";
    out << "durata: " << QString::number(minutes, 'f', 1) << " min; pagine lette: " << pages << " ("
        << QString::number(minutes > 0 ? pages / minutes : 0, 'f', 1) << " al minuto)\n";
    out << "archivi controllati: " << archivesChecked << "\n\n";
    QMap<QString, int> serviceFaults;
    for (const Served &fault : served)
        serviceFaults[fault.kind]++;
    for (const PlannedPhrase &phrase : plan->phrases()) {
        if (phrase.fault == ServiceFault::NoResults && phrase.faultReached())
            serviceFaults[QStringLiteral("noresults")]++;
        else if (phrase.fault == ServiceFault::Slow && phrase.faultReached())
            serviceFaults[QStringLiteral("slow")]++;
    }
    out << "Guasti del servizio serviti:\n";
    for (auto it = serviceFaults.cbegin(); it != serviceFaults.cend(); ++it)
        out << "  " << it.key() << ": " << it.value() << "\n";
    out << "Guasti della macchina:\n";
    for (MachineFault fault : soak::machineFaults())
        out << "  " << nameOf(fault) << ": "
            << (notInjected.contains(fault) ? QStringLiteral("non iniettato (serve root per il tmpfs)")
                                            : QString::number(machineFaults.value(fault)))
            << "\n";
    out << "Esiti nell'archivio, per tipo:\n";
    for (auto it = outcomes.cbegin(); it != outcomes.cend(); ++it)
        out << "  " << it.key() << ": " << it.value() << "\n";
    out << "Stati d'uscita del programma:\n";
    for (auto it = exits.cbegin(); it != exits.cend(); ++it)
        out << "  " << (it.key() < 0 ? QStringLiteral("ucciso") : QString::number(it.key())) << ": " << it.value() << "\n";
    qint64 programPeak = 0;
    qint64 browserPeak = 0;
    for (const Sample &sample : memory) {
        programPeak = std::max(programPeak, sample.programKb);
        browserPeak = std::max(browserPeak, sample.browserKb);
    }
    out << "memoria al massimo: programma " << programPeak << " kB (privata scritta), browser " << browserPeak << " kB (PSS)\n\n";
    out << "Invarianti violate: " << broken.size() << "\n";
    for (const Broken &fault : broken) {
        out << "- " << (fault.phrase.isEmpty() ? QString() : fault.phrase + QStringLiteral(": ")) << fault.what << "\n";
        for (const QString &line : fault.lines)
            out << "    " << line << "\n";
    }
    out.flush();
    std::fputs(text.toLocal8Bit().constData(), stdout);

    bool written = true;
    const auto save = [&](const QString &name, const QString &content) {
        QFile file(QDir(folder).filePath(name));
        written = file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content.toUtf8()) >= 0 && written;
    };
    save(QStringLiteral("rapporto.txt"), text);
    save(QStringLiteral("esiti.csv"), QString::fromUtf8(m_csv));
    QStringList samples{QStringLiteral("secondi,elenco,programma kB (privata scritta),browser kB (PSS)")};
    for (const Sample &sample : memory)
        samples << QStringLiteral("%1,%2,%3,%4").arg(sample.atMs / 1000.0, 0, 'f', 1).arg(sample.list + 1).arg(sample.programKb).arg(sample.browserKb);
    save(QStringLiteral("memoria.csv"), samples.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    return written && broken.isEmpty();
}

} // namespace soak
