// cerca-soak: a week of lists in an hour, under faults. Drives the program's
// command line, with the real browser, against the local results service,
// injects the service's and the machine's faults from a seed, and checks at
// the end that nothing hung and nothing was lost.
//   cerca-soak [--frasi N] [--seme S] [--cartella DIR] [--programma PATH]
//   cerca-soak --grafico memoria.csv FILE.png

#include "machine.h"
#include "soakplan.h"
#include "soakreport.h"

#include "resultsservice.h"
#include "store/archive.h"
#include "store/runarchive.h"
#include "store/datafolder.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <memory>

namespace soak {
namespace {

void say(const QString &text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

struct Settings
{
    int phrases = 1000;
    quint64 seed = 0;
    QString folder;
    QString program;
    int pauseMilliseconds = 300;
    int pageSeconds = 8;
    bool faults = true;
    bool everyFault = false;       // a kind of fault never injected breaks the soak
};

// One list as the user runs it from a timer: the program, then the program
// with --riprendi after every stop, until the list is done.
struct ListRunner
{
    const PlannedList *list = nullptr;
    std::unique_ptr<QProcess> process;
    int attempts = 0;
    int linesThisAttempt = 0;
    qint64 lastActivity = 0;       // ms on the soak's clock
    QList<qint64> seenPids;
    bool killedByUs = false;
    bool done = false;
    std::set<MachineFault> faultsDone;
    QList<qint64> warmMemory;      // private memory, sampled once warm
    QStringList err;
};

class Soak
{
public:
    explicit Soak(Settings settings)
        : m_settings(std::move(settings))
        , m_plan(Plan::make(m_settings.phrases, m_settings.seed, m_settings.faults))
        , m_disk(QDir(m_settings.folder).filePath(QStringLiteral("disco")))
    {
        m_report.seed = m_settings.seed;
        m_report.plan = &m_plan;
    }

    int run();

private:
    QString dataFolder() const { return QDir(m_settings.folder).filePath(QStringLiteral("programma")); }
    QString archiveLink() const { return DataFolder(dataFolder()).archive(); }
    void prepareArchive();
    void damageArchive();
    void start(ListRunner &runner);
    void watch(ListRunner &runner);
    void ended(ListRunner &runner);
    void injectMachineFault(ListRunner &runner);
    void checkNoBrowserLeft(ListRunner &runner);
    void check();
    qint64 now() const { return m_clock.elapsed(); }

    Settings m_settings;
    Plan m_plan;
    SmallDisk m_disk;
    std::unique_ptr<results::Service> m_service;
    QElapsedTimer m_clock;
    Report m_report;
    QStringList m_archives;        // every archive file the program was given, in order
    QStringList m_damaged;         // those the soak damaged
    qint64 m_diskFullUntil = -1;
    int m_archiveCount = 0;
};


// The phrases after which a program's memory is taken as its own.
constexpr int kWarmPhrases = 10;

// The hung-run bound: a phrase prints its line within its pages' time
// limits, 10 s each for the rest of a page's work, and 30 s more.
qint64 phraseBoundMs(const Settings &settings)
{
    return qint64(Plan::kPageLimit) * (settings.pageSeconds + 10) * 1000 + 30000;
}

void Soak::prepareArchive()
{
    // The archive lives on its own small disk, reached through a link, so
    // that the disk can be filled for a while.
    if (!m_disk.mounted())
        return;
    const QFileInfo link(archiveLink());
    if (link.isSymLink())
        return;
    const QString target = QDir(m_disk.folder()).filePath(QStringLiteral("Archivio-%1.sqlite").arg(++m_archiveCount));
    if (link.exists()) {
        for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
            if (QFileInfo::exists(archiveLink() + suffix))
                QFile::copy(archiveLink() + suffix, target + suffix) && QFile::remove(archiveLink() + suffix);
        }
    }
    QFile::link(target, archiveLink());
    m_archives.append(target);
}

void Soak::damageArchive()
{
    const QString path = QFileInfo(archiveLink()).canonicalFilePath();
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadWrite))
        return;
    file.write("no longer sqlite");
    file.close();
    m_damaged.append(path);
    m_report.machineFaults[MachineFault::DamagedArchive]++;
    say(QStringLiteral("  guasto: archivio danneggiato (%1)").arg(path));
}

void Soak::start(ListRunner &runner)
{
    QStringList lines;
    for (int index : runner.list->phrases)
        lines << m_plan.phrases()[index].phrase;
    const QString listFile = QDir(m_settings.folder).filePath(runner.list->file());
    if (runner.attempts == 0) {
        QFile file(listFile);
        file.open(QIODevice::WriteOnly);
        file.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    }
    QStringList arguments{QStringLiteral("--elenco"), listFile, QStringLiteral("--frammento"), QLatin1String(Plan::kFragment),
                          QStringLiteral("--pagine"), QString::number(Plan::kPageLimit), QStringLiteral("--attesa"),
                          QString::number(m_settings.pageSeconds),
                          // The service's pages are whole at their load: a week of
                          // lists in an hour reads them at once, as the settling's
                          // own tests show it would after half a second.
                          QStringLiteral("--attesa-lettura"), QStringLiteral("0")};
    if (runner.list->device == Device::Smartphone)
        arguments << QStringLiteral("--dispositivo") << QStringLiteral("smartphone");
    if (runner.attempts > 0)
        arguments << QStringLiteral("--riprendi");
    ++runner.attempts;
    runner.linesThisAttempt = 0;
    runner.killedByUs = false;
    runner.warmMemory.clear();
    runner.process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("CERCA_POSIZIONE_HOST"), QStringLiteral("127.0.0.1:%1").arg(m_service->port()));
    environment.insert(QStringLiteral("CERCA_POSIZIONE_PAUSA_DI_PROVA_MS"), QString::number(m_settings.pauseMilliseconds));
    environment.insert(QStringLiteral("HOME"), QDir(m_settings.folder).filePath(QStringLiteral("home")));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    runner.process->setProcessEnvironment(environment);
    // The service's sockets are this process's: a program that held copies
    // would keep connections open that the service has closed.
    runner.process->setChildProcessModifier(results::closeDescriptorsOnExec);
    runner.process->start(QDir(dataFolder()).filePath(QStringLiteral("cerca-posizione")), arguments);
    runner.process->waitForStarted();
    runner.lastActivity = now();
    m_report.invocations++;
    say(QStringLiteral("elenco %1, prova %2%3").arg(runner.list->index + 1).arg(runner.attempts)
            .arg(runner.attempts > 1 ? QStringLiteral(" (--riprendi)") : QString()));
}

void Soak::injectMachineFault(ListRunner &runner)
{
    const qint64 pid = runner.process->processId();
    for (MachineFault fault : {MachineFault::KillBrowser, MachineFault::KillProgram, MachineFault::DiskFull}) {
        if (!runner.list->faults.contains(fault) || runner.faultsDone.contains(fault)
            || runner.linesThisAttempt < runner.list->faultAfterLines)
            continue;
        if (fault == MachineFault::KillBrowser) {
            const qint64 browser = browserAmong(descendantsOf(pid));
            if (browser == 0)
                continue;   // between two pages; it will be back
            ::kill(pid_t(browser), SIGKILL);
        } else if (fault == MachineFault::KillProgram) {
            // Not at once: in the middle of the next phrase.
            QThread::msleep(QRandomGenerator::global()->bounded(300, 1500));
            runner.killedByUs = true;
            ::kill(pid_t(pid), SIGKILL);
        } else if (fault == MachineFault::DiskFull) {
            // An archive begun anew after a damaged one is on the big disk until the next start.
            if (m_disk.mounted() && !QFileInfo(archiveLink()).isSymLink())
                continue;
            if (!m_disk.fill()) {
                m_report.notInjected.insert(MachineFault::DiskFull);
                runner.faultsDone.insert(fault);
                continue;
            }
            m_diskFullUntil = now() + 15000;
        }
        runner.faultsDone.insert(fault);
        m_report.machineFaults[fault]++;
        say(QStringLiteral("  guasto: %1").arg(nameOf(fault)));
    }
}

void Soak::watch(ListRunner &runner)
{
    QProcess &process = *runner.process;
    while (process.canReadLine()) {
        process.readLine();
        ++runner.linesThisAttempt;
        runner.lastActivity = now();
    }
    for (const QByteArray &line : process.readAllStandardError().split('\n')) {
        if (!line.isEmpty())
            runner.err.append(QString::fromUtf8(line));
    }
    if (process.state() != QProcess::Running)
        return;
    const QList<qint64> pids = descendantsOf(process.processId());
    for (qint64 pid : pids) {
        if (!runner.seenPids.contains(pid))
            runner.seenPids.append(pid);
    }
    if (m_report.memory.isEmpty() || now() - m_report.memory.constLast().atMs >= 1000) {
        qint64 browser = 0;
        for (qint64 pid : pids)
            browser += pssOf(pid);
        const qint64 program = privateDirtyOf(process.processId());
        m_report.memory.append({now(), runner.list->index, program, browser});
        if (runner.linesThisAttempt >= kWarmPhrases)
            runner.warmMemory.append(program);
    }
    injectMachineFault(runner);
    if (now() - runner.lastActivity > phraseBoundMs(m_settings)) {
        m_report.broken.append({QString(), QStringLiteral("nessuna riga per %1 s: il programma è fermo (elenco %2)")
                                               .arg((now() - runner.lastActivity) / 1000).arg(runner.list->index + 1),
                                runner.err.mid(std::max(0, int(runner.err.size()) - 10))});
        runner.killedByUs = true;
        process.kill();
    }
}

void Soak::checkNoBrowserLeft(ListRunner &runner)
{
    QThread::msleep(2000);
    QStringList left;
    for (qint64 pid : runner.seenPids) {
        if (isAlive(pid) && commandLineOf(pid).contains(QLatin1String("chrom")))
            left << QStringLiteral("%1 %2").arg(pid).arg(commandLineOf(pid).left(120));
    }
    if (!left.isEmpty())
        m_report.broken.append({QString(), QStringLiteral("processi del browser rimasti dopo il programma (elenco %1)")
                                               .arg(runner.list->index + 1), left});
    runner.seenPids.clear();
}

void Soak::ended(ListRunner &runner)
{
    QProcess &process = *runner.process;
    watch(runner);
    const int code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    m_report.exits[code]++;
    checkNoBrowserLeft(runner);
    // A list that ran 20 phrases or more in one go: its memory at the end
    // against its memory once warm (the archive's cache filled, the first
    // pictures taken), after 10 phrases. What a page holds while it is read
    // comes and goes: the lowest samples of the first and the last quarter
    // are the program's own, and a leak lifts the last.
    const QList<qint64> &samples = runner.warmMemory;
    if (runner.linesThisAttempt >= 2 * kWarmPhrases && samples.size() >= 8) {
        const qsizetype quarter = samples.size() / 4;
        const qint64 warm = *std::min_element(samples.begin(), samples.begin() + quarter);
        const qint64 end = *std::min_element(samples.end() - quarter, samples.end());
        if (end > warm * 12 / 10)
            m_report.broken.append({QString(), QStringLiteral("memoria del programma da %1 kB a %2 kB (elenco %3)")
                                                   .arg(warm).arg(end).arg(runner.list->index + 1), {}});
    }
    if (code == 0) {
        runner.done = true;
        return;
    }
    if (code != 3 && code != 4 && !runner.killedByUs)
        m_report.broken.append({QString(), QStringLiteral("il programma è finito con lo stato %1 (elenco %2)").arg(code).arg(runner.list->index + 1),
                                runner.err.mid(std::max(0, int(runner.err.size()) - 10))});
    if (runner.attempts >= 15) {
        m_report.broken.append({QString(), QStringLiteral("l'elenco %1 non è finito dopo %2 prove").arg(runner.list->index + 1).arg(runner.attempts), {}});
        runner.done = true;
        return;
    }
    start(runner);
}

int Soak::run()
{
    QDir().mkpath(dataFolder());
    const QString program = QDir(dataFolder()).filePath(QStringLiteral("cerca-posizione"));
    QFile::remove(program);
    if (!QFile::copy(m_settings.program, program)) {
        say(QStringLiteral("cerca-soak: impossibile copiare %1").arg(m_settings.program));
        return 2;
    }
    if (!m_disk.mounted())
        m_report.notInjected.insert(MachineFault::DiskFull);
    m_service = std::make_unique<results::Service>(results::Catalog::parse(m_plan.catalog().toStdString()));
    if (m_service->start() < 0) {
        say(QStringLiteral("cerca-soak: il servizio dei risultati non parte"));
        return 2;
    }
    say(QStringLiteral("seme %1: %2 frasi in %3 elenchi").arg(m_plan.seed()).arg(m_plan.phrases().size()).arg(m_plan.lists().size()));
    m_clock.start();
    const QList<PlannedList> &lists = m_plan.lists();
    for (int i = 0; i < lists.size(); ++i) {
        std::vector<ListRunner> runners(1);
        runners[0].list = &lists[i];
        if (lists[i].faults.contains(MachineFault::TwoTogether) && i + 1 < lists.size()) {
            runners.emplace_back().list = &lists[++i];
            m_report.machineFaults[MachineFault::TwoTogether]++;
            say(QStringLiteral("  guasto: %1").arg(nameOf(MachineFault::TwoTogether)));
        }
        prepareArchive();
        if (runners[0].list->faults.contains(MachineFault::DamagedArchive))
            damageArchive();
        for (ListRunner &runner : runners)
            start(runner);
        for (;;) {
            bool running = false;
            for (ListRunner &runner : runners) {
                if (runner.done)
                    continue;
                running = true;
                runner.process->waitForReadyRead(100);
                if (runner.process->state() == QProcess::NotRunning) {
                    // Both ends of a pair see the archive as it stands when they restart.
                    prepareArchive();
                    ended(runner);
                } else {
                    watch(runner);
                }
            }
            if (m_diskFullUntil >= 0 && now() > m_diskFullUntil) {
                m_disk.empty();
                m_diskFullUntil = -1;
            }
            if (!running)
                break;
        }
        if (m_disk.full()) {
            m_disk.empty();
            m_diskFullUntil = -1;
        }
    }
    m_report.elapsedMs = now();
    m_service->stop();
    for (const auto &fault : m_service->faultsServed())
        m_report.served.append({QString::fromStdString(fault.phrase), fault.offset, QString::fromStdString(fault.kind)});
    check();
    if (m_settings.everyFault)
        m_report.checkEveryFault();
    return m_report.write(m_settings.folder) ? 0 : 1;
}

void Soak::check()
{
    // The damaged archives were set aside; mended, they must hold what they held.
    for (const QString &path : m_damaged) {
        QFile file(path);
        if (file.open(QIODevice::ReadWrite))
            file.write(QByteArray("SQLite format 3\0", 16));
    }
    QStringList archives = m_archives;
    if (archives.isEmpty())
        archives << archiveLink();
    int setAside = 0;
    for (const QString &name : QDir(dataFolder()).entryList({QStringLiteral("Archivio-danneggiato-*.sqlite")}))
        setAside += name.isEmpty() ? 0 : 1;
    if (setAside != m_damaged.size())
        m_report.broken.append({QString(), QStringLiteral("%1 archivi danneggiati, %2 messi da parte").arg(m_damaged.size()).arg(setAside), {}});
    for (const QString &path : archives) {
        if (!QFileInfo::exists(path))
            continue;
        Archive archive(path);
        if (const Result<void> opened = archive.open(); !opened) {
            m_report.broken.append({QString(), QStringLiteral("l'archivio %1 non si apre: %2").arg(path, opened.error()), {}});
            continue;
        }
        const Result<QStringList> problems = archive.integrityProblems();
        if (!problems || !problems->isEmpty())
            m_report.broken.append({QString(), QStringLiteral("l'archivio %1 non passa il controllo d'integrità").arg(path),
                                    problems ? *problems : QStringList{problems.error()}});
        RunArchive runs(archive);
        const Result<QStringList> series = runs.series();
        for (const QString &one : series ? *series : QStringList()) {
            const Result<QList<ArchivedRun>> read = runs.runsOf(one);
            if (!read)
                m_report.broken.append({QString(), QStringLiteral("l'archivio %1 non si legge: %2").arg(path, read.error()), {}});
            for (const ArchivedRun &run : read ? *read : QList<ArchivedRun>())
                m_report.runs[one].append({run.end, run.position, run.started, int(run.pages.size())});
        }
        if (!series)
            m_report.broken.append({QString(), QStringLiteral("l'archivio %1 non si legge: %2").arg(path, series.error()), {}});
        m_report.archivesChecked++;
    }
    QFile log(DataFolder(dataFolder()).resultLog());
    if (log.open(QIODevice::ReadOnly)) {
        QStringDecoder decoder("windows-1252");
        const QString text = decoder.decode(log.readAll());
        for (const QString &line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
            m_report.logLines.append(line);
    }
    // The small disk goes with the soak: the archives stay beside the report.
    QDir().mkpath(QDir(m_settings.folder).filePath(QStringLiteral("archivi")));
    for (const QString &path : archives)
        QFile::copy(path, QDir(m_settings.folder).filePath(QStringLiteral("archivi/") + QFileInfo(path).fileName()));
    m_report.checkPhrases(QFile::exists(QDir(dataFolder()).filePath(QStringLiteral("cerca-posizione.log")))
                              ? QDir(dataFolder()).filePath(QStringLiteral("cerca-posizione.log"))
                              : QString());
}

} // namespace
} // namespace soak

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("frasi"), QStringLiteral("Frasi della settimana."), QStringLiteral("N"), QStringLiteral("1000")});
    parser.addOption({QStringLiteral("seme"), QStringLiteral("Seme dei guasti."), QStringLiteral("S")});
    parser.addOption({QStringLiteral("cartella"), QStringLiteral("Dove lavorare e scrivere il rapporto."), QStringLiteral("DIR")});
    parser.addOption({QStringLiteral("programma"), QStringLiteral("Il programma."), QStringLiteral("PATH"), QStringLiteral(CERCA_PROGRAM)});
    parser.addOption({QStringLiteral("ogni-guasto"), QStringLiteral("Ogni tipo di guasto almeno una volta, o la prova fallisce.")});
    parser.addOption({QStringLiteral("senza-guasti"), QStringLiteral("La stessa settimana, senza guasti.")});
    parser.addOption({QStringLiteral("pausa-ms"), QStringLiteral("Pause di circa tanti millisecondi."), QStringLiteral("MS"), QStringLiteral("300")});
    parser.addOption({QStringLiteral("grafico"), QStringLiteral("Disegna memoria.csv in un PNG."), QStringLiteral("CSV")});
    parser.addPositionalArgument(QStringLiteral("png"), QStringLiteral("Con --grafico: il PNG."));
    parser.process(app);
    if (parser.isSet(QStringLiteral("grafico")))
        return soak::drawMemoryChart(parser.value(QStringLiteral("grafico")), parser.positionalArguments().value(0), argc, argv);

    soak::Settings settings;
    settings.phrases = parser.value(QStringLiteral("frasi")).toInt();
    settings.seed = parser.isSet(QStringLiteral("seme")) ? parser.value(QStringLiteral("seme")).toULongLong()
                                                         : QRandomGenerator::system()->generate();
    settings.program = parser.value(QStringLiteral("programma"));
    settings.faults = !parser.isSet(QStringLiteral("senza-guasti"));
    settings.everyFault = parser.isSet(QStringLiteral("ogni-guasto"));
    settings.pauseMilliseconds = std::max(1, parser.value(QStringLiteral("pausa-ms")).toInt());
    QTemporaryDir temporary;
    settings.folder = parser.isSet(QStringLiteral("cartella")) ? parser.value(QStringLiteral("cartella")) : temporary.path();
    QDir().mkpath(settings.folder);
    temporary.setAutoRemove(!parser.isSet(QStringLiteral("cartella")));
    if (settings.phrases < 1) {
        std::fprintf(stderr, "cerca-soak: --frasi vuole un numero da 1 in su\n");
        return 2;
    }
    return soak::Soak(settings).run();
}
