#include "cli/cli.h"

#include "cli/desktopnotices.h"

#include "platform/chromium/chromiumpage.h"
#include "platform/messagelog.h"
#include "model/readerversion.h"
#include "search/gridsession.h"
#include "search/listsession.h"
#include "search/notes.h"
#include "search/rereading.h"
#include "store/archive.h"
#include "store/archivecsv.h"
#include "store/datafolder.h"
#include "store/resultlog.h"
#include "store/searchoptionsfile.h"
#include "store/textfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>

namespace {

void print(std::FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

// Seconds as the end line says them: whole, or with one decimal after a comma.
QString secondsOf(double seconds)
{
    const double tenths = std::round(seconds * 10);
    return std::fmod(tenths, 10) == 0 ? QString::number(qint64(tenths / 10))
                                      : QString::number(tenths / 10, 'f', 1).replace(QLatin1Char('.'), QLatin1Char(','));
}

// The list of the command line: no window, no widget, no display. Each phrase
// is a search run, its outcome printed and appended to the result log; the
// window's settings file is never touched. A grid is a list of its points,
// each printed as it ends, its measures at the end.
int runList(const CommandLine &line, const QStringList &phrases, int argc, char *argv[])
{
    const bool grid = line.action == CommandLine::Action::Grid;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("cerca-posizione"));
    const DataFolder folder(Cli::dataFolderPath());
    MessageLog::setFile(QDir(folder.path()).filePath(QStringLiteral("cerca-posizione.log")));
    // For the tests alone: a lease that runs out in seconds; and, for the soak
    // test, which runs a week of lists in an hour, pauses of about this many
    // milliseconds, between pages too. Not offered to users.
    const int testLease = qEnvironmentVariableIntValue("CERCA_POSIZIONE_AFFITTO_DI_PROVA_S");
    const int testPause = qEnvironmentVariableIntValue("CERCA_POSIZIONE_PAUSA_DI_PROVA_MS");
    ListPlan plan = ListPlan::inFolder(folder, Cli::archiveOf(line, folder.path()), ResultLog::systemDateSeparator());
    plan.phrases = phrases;
    plan.inputs = RunInputs{QString(), line.fragment, line.pageLimit, false, line.italianOnly, line.place, line.picturesKept};
    plan.pauseMilliseconds = testPause > 0 ? testPause : line.pauseSeconds * 1000;
    plan.minimumPauseMilliseconds = testPause > 0 ? testPause / 2 : ListRun::kMinimumPauseSeconds * 1000;
    // The waits after a check page shrink with the pauses, in proportion.
    const double scale = testPause > 0 ? testPause / (line.pauseSeconds * 1000.0) : 1.0;
    const auto scaled = [scale](qint64 seconds) { return qint64(std::llround(seconds * 1000 * scale)); };
    plan.coolDownMilliseconds = scaled(line.coolDownSeconds);
    plan.longestCoolDownMilliseconds = scaled(CoolDown::kLongestSeconds);
    plan.coolDownTotalMilliseconds = scaled(line.coolDownTotalSeconds);
    plan.pageMilliseconds = line.pageSeconds * 1000;
    plan.resume = line.resume;
    plan.cookieFile = ChromiumPage::cookieFile(folder.path());
    plan.sharedName = line.sharedList;
    if (testLease > 0)
        plan.leaseSeconds = testLease;
    std::unique_ptr<GridSession> gridSession;
    std::unique_ptr<ListSession> ownList;
    if (grid) {
        plan.progressFile = QDir(folder.path()).filePath(QStringLiteral("Griglia.ini"));
        gridSession = std::make_unique<GridSession>(line.grid, plan);
        if (const std::optional<QString> problem = gridSession->open(line.resume)) {
            print(stderr, QStringLiteral("cerca-posizione: %1\n").arg(*problem));
            return 2;
        }
        QObject::connect(gridSession.get(), &GridSession::note,
                         [](const QString &text) { print(stderr, QStringLiteral("cerca-posizione: %1\n").arg(text)); });
        QObject::connect(gridSession.get(), &GridSession::pointEnded,
                         [](const GridPointRecord &point) { print(stdout, GridPoints::line(point) + QLatin1Char('\n')); });
    } else {
        ownList = std::make_unique<ListSession>(plan);
    }
    ListSession &list = grid ? *gridSession->list() : *ownList;
    // A shared list: the archive must answer before any page is asked for.
    if (const std::optional<ListSession::Refusal> refusal = list.open()) {
        if (refusal->kind == ListSession::Refusal::Kind::NotShared)
            print(stderr, QStringLiteral("cerca-posizione: --condiviso vuole un archivio condiviso (--archivio postgresql://...)\n"));
        else
            print(stderr, QStringLiteral("cerca-posizione: l'archivio condiviso %1 non risponde: %2\n")
                              .arg(refusal->archive, refusal->problem));
        return 2;
    }
    ChromiumPage page(folder.path());
    page.setSettleSeconds(line.settleSeconds.value_or(SearchOptionsFile::load(folder.searchOptions()).settleSeconds));
    if (!page.startEngine()) {
        print(stderr, QStringLiteral("cerca-posizione: %1\n").arg(page.errorString()));
        return 1;
    }
    SearchRunOptions options = SearchRunOptions::inFolder(folder, plan.archive);
    if (testPause > 0)
        options.pageInterval = testPause;
    SearchRun run(&page, options);
    QObject::connect(&list, &ListSession::note,
                     [](const QString &text) { print(stderr, QStringLiteral("cerca-posizione: %1\n").arg(text)); });
    if (!grid)
        QObject::connect(&list, &ListSession::phraseEnded,
                         [](int, const RunOutcome &outcome) { print(stdout, outcome.line() + QLatin1Char('\n')); });
    // The first reason to stop is the one the program ends with.
    int stopped = 0;
    auto stop = [&stopped](int status) {
        if (stopped == 0)
            stopped = status;
        QCoreApplication::exit(stopped);
    };
    QObject::connect(&list, &ListSession::needsUser, [&stop](int, const QString &phrase) {
        print(stderr, QStringLiteral("cerca-posizione: per \"%1\" il motore chiede una risposta (consenso o verifica) "
                                     "che senza finestra non si può dare: esegui una ricerca nella finestra una volta, "
                                     "poi riprova (--riprendi continua da qui).\n")
                          .arg(phrase));
        stop(3);
    });
    const QString listName = QFileInfo(line.listFile).fileName();
    QObject::connect(&list, &ListSession::coolingDown, [&list, &listName](int index, const QString &phrase, const QDateTime &retry) {
        const QString at = QLocale::c().toString(retry.time(), QStringLiteral("HH:mm"));
        print(stderr, QStringLiteral("cerca-posizione: per \"%1\" il motore chiede una verifica: il browser è chiuso, "
                                     "la ricerca riprova alle %2.\n")
                          .arg(phrase, at));
        DesktopNotices::notify(QStringLiteral("Cerca Posizione"),
                               DesktopNotices::checkPage(listName, index + 1, list.count(), at));
    });
    QObject::connect(&list, &ListSession::askingAgain, [](int, const QString &phrase) {
        print(stderr, QStringLiteral("cerca-posizione: riprovo \"%1\".\n").arg(phrase));
    });
    QObject::connect(&list, &ListSession::browserUnreachable, [&stop](const QString &note) {
        print(stderr, QStringLiteral("cerca-posizione: %1\n").arg(note));
        stop(1);
    });
    if (grid)
        QObject::connect(gridSession.get(), &GridSession::finished, [&stop] { stop(0); });
    else
        QObject::connect(&list, &ListSession::settled, [&stop] { stop(0); });
    list.start(&run);
    // 1 when the browser cannot be reached; 3 when a page asked the user
    // and the waits allowed were spent; 4 when every phrase was tried, but
    // one had a page not loaded or not read.
    QCoreApplication::exec();
    // The list's end line, with the pace it ended with; none when no
    // browser could search.
    if (grid && stopped != 1) {
        print(stdout, gridSession->endLines().join(QLatin1Char('\n')) + QLatin1Char('\n'));
    } else if (stopped != 1) {
        const ListSummary summary = list.summary();
        print(stdout, QStringLiteral("%1; pausa media tra le frasi %2 s\n")
                          .arg(summary.line(listName))
                          .arg(secondsOf(line.pauseSeconds * list.paceTimes())));
        DesktopNotices::notify(QStringLiteral("Cerca Posizione"), summary.line(listName));
        if (!line.summaryFile.isEmpty()) {
            QSaveFile file(line.summaryFile);
            if (!file.open(QIODevice::WriteOnly) || file.write(summary.csv()) < 0 || !file.commit())
                print(stderr, QStringLiteral("cerca-posizione: impossibile scrivere %1: %2\n").arg(line.summaryFile, file.errorString()));
        }
    }
    return stopped != 0 ? stopped : list.anyUnchecked() ? 4 : 0;
}

// The archive as CSV: no window, no browser.
int exportArchive(const CommandLine &line, int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("cerca-posizione"));
    const QString path = Cli::archiveOf(line, Cli::dataFolderPath());
    if (!Archive::isServer(path) && !QFileInfo::exists(path)) {
        print(stderr, QStringLiteral("cerca-posizione: nessun archivio in %1\n").arg(QDir::toNativeSeparators(path)));
        return 2;
    }
    Archive archive(path, ArchiveUse::Reading);
    if (const Result<void> opened = archive.open(); !opened) {
        print(stderr, QStringLiteral("cerca-posizione: impossibile aprire l'archivio %1: %2\n")
                          .arg(QDir::toNativeSeparators(Archive::displayName(path)), opened.error()));
        return 2;
    }
    if (!archive.setAside().isEmpty())
        print(stderr, QStringLiteral("cerca-posizione: l'archivio era danneggiato ed è stato rinominato in %1\n")
                          .arg(QDir::toNativeSeparators(archive.setAside())));
    const QString problem = ArchiveCsv::write(archive, line.phrase, line.exportFile, line.everyReading);
    if (!problem.isEmpty()) {
        print(stderr, QStringLiteral("cerca-posizione: impossibile scrivere %1: %2\n").arg(line.exportFile, problem));
        return 2;
    }
    return 0;
}

// The kept pages read again by today's reader: a line for each run whose
// position changed, then what was done.
int rereadArchive(const CommandLine &line, int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("cerca-posizione"));
    const DataFolder folder(Cli::dataFolderPath());
    const QString path = Cli::archiveOf(line, folder.path());
    if (!Archive::isServer(path) && !QFileInfo::exists(path)) {
        print(stderr, QStringLiteral("cerca-posizione: nessun archivio in %1\n").arg(QDir::toNativeSeparators(path)));
        return 2;
    }
    // A browser of its own, on a profile of its own, that never asks the network.
    QTemporaryDir profile;
    ChromiumPage page(profile.path());
    page.setKeptPagesOnly();
    if (!page.startEngine()) {
        print(stderr, QStringLiteral("cerca-posizione: %1\n").arg(page.errorString()));
        return 1;
    }
    // For the tests alone: a reader newer than this one.
    const int testReader = qEnvironmentVariableIntValue("CERCA_POSIZIONE_LETTORE_DI_PROVA");
    Rereading rereading(&page, path, testReader > 0 ? testReader : ReaderVersion::kCurrent, line.phrase);
    QObject::connect(&rereading, &Rereading::runChanged,
                     [](const Rereading::Change &change) { print(stdout, change.line() + QLatin1Char('\n')); });
    QObject::connect(&rereading, &Rereading::finished, [] { QCoreApplication::exit(0); });
    QObject::connect(&page, &Browser::startFailed, [](const BrowserFault &fault) {
        print(stderr, QStringLiteral("cerca-posizione: %1\n").arg(Notes::browserNotConnected(fault)));
        QCoreApplication::exit(1);
    });
    if (const std::optional<QString> problem = rereading.start()) {
        print(stderr, QStringLiteral("cerca-posizione: impossibile aprire l'archivio %1: %2\n")
                          .arg(QDir::toNativeSeparators(Archive::displayName(path)), *problem));
        return 2;
    }
    const int status = QCoreApplication::exec();
    print(stdout, rereading.summary().line() + QLatin1Char('\n'));
    return status;
}

} // namespace

QString Cli::dataFolderPath()
{
    return DataFolder::resolve(QCoreApplication::applicationDirPath(),
                               QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
                               QStringLiteral(CERCA_INSTALL_BINDIR));
}

QString Cli::archiveOf(const CommandLine &line, const QString &dataFolder)
{
    return line.archive.isEmpty() ? DataFolder(dataFolder).archiveInUse() : line.archive;
}

int Cli::run(const CommandLine &line, int argc, char *argv[])
{
    switch (line.action) {
    case CommandLine::Action::Help:
        print(stdout, CommandLine::help());
        return 0;
    case CommandLine::Action::Version:
        print(stdout, CommandLine::version() + QLatin1Char('\n'));
        return 0;
    case CommandLine::Action::Error:
        print(stderr, line.error + QStringLiteral("\nProva \"cerca-posizione --help\".\n"));
        return 2;
    case CommandLine::Action::Export:
        return exportArchive(line, argc, argv);
    case CommandLine::Action::Reread:
        MessageLog::install();
        return rereadArchive(line, argc, argv);
    case CommandLine::Action::Window:
        break;
    case CommandLine::Action::Grid:
        MessageLog::install();
        return runList(line, QStringList(), argc, argv);
    case CommandLine::Action::List: {
        const std::optional<QStringList> lines = TextFile::readLines(line.listFile);
        if (!lines) {
            print(stderr, QStringLiteral("cerca-posizione: impossibile leggere l'elenco %1\n").arg(line.listFile));
            return 2;
        }
        const QStringList phrases = ListRun::phrasesOf(*lines);
        if (phrases.isEmpty()) {
            print(stderr, QStringLiteral("cerca-posizione: l'elenco %1 non contiene frasi\n").arg(line.listFile));
            return 2;
        }
        MessageLog::install();
        return runList(line, phrases, argc, argv);
    }
    }
    return 2;
}
