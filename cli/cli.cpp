#include "cli/cli.h"

#include "platform/chromium/chromiumpage.h"
#include "platform/messagelog.h"
#include "search/listrun.h"
#include "search/notes.h"
#include "search/sharedlist.h"
#include "store/archive.h"
#include "store/archivecsv.h"
#include "store/datafolder.h"
#include "store/listprogress.h"
#include "store/textfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>

namespace {

void print(std::FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

// The list of the command line: no window, no widget, no display. Each phrase
// is a search run, its outcome printed and appended to the result log; the
// window's settings file is never touched.
int runList(const CommandLine &line, const QStringList &phrases, int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("cerca-posizione"));
    const DataFolder folder(Cli::dataFolderPath());
    MessageLog::setFile(QDir(folder.path()).filePath(QStringLiteral("cerca-posizione.log")));
    const QString archive = Cli::archiveOf(line, folder.path());
    // A shared list: the archive must answer before any page is asked for.
    std::unique_ptr<SharedList> shared;
    if (!line.sharedList.isEmpty()) {
        if (!Archive::isServer(archive)) {
            print(stderr, QStringLiteral("cerca-posizione: --condiviso vuole un archivio condiviso (--archivio postgresql://...)\n"));
            return 2;
        }
        // For the tests alone: a lease that runs out in seconds.
        const int testLease = qEnvironmentVariableIntValue("CERCA_POSIZIONE_AFFITTO_DI_PROVA_S");
        shared = std::make_unique<SharedList>(archive, line.sharedList, testLease > 0 ? testLease : SharedList::kDefaultLeaseSeconds);
        if (!shared->open(phrases, line.resume)) {
            print(stderr, QStringLiteral("cerca-posizione: l'archivio condiviso %1 non risponde: %2\n")
                              .arg(Archive::displayName(archive), shared->problem()));
            return 2;
        }
    }
    ChromiumPage page(folder.path());
    if (!page.startEngine()) {
        print(stderr, QStringLiteral("cerca-posizione: %1\n").arg(page.errorString()));
        return 1;
    }
    // For the soak test alone, which runs a week of lists in an hour: pauses
    // of about this many milliseconds, between pages too. Not offered to users.
    const int testPause = qEnvironmentVariableIntValue("CERCA_POSIZIONE_PAUSA_DI_PROVA_MS");
    SearchRunOptions options = SearchRunOptions::inFolder(folder, archive);
    if (testPause > 0)
        options.pageInterval = testPause;
    SearchRun run(&page, options);
    bool faultSaid = false;
    QObject::connect(&run, &SearchRun::archiveFault, [&faultSaid](const ArchiveFault &fault) {
        if (fault.kind == ArchiveFault::Kind::SetAside || !std::exchange(faultSaid, true))
            print(stderr, QStringLiteral("cerca-posizione: %1\n").arg(Notes::archiveFault(fault)));
    });
    bool pictureFaultSaid = false;
    QObject::connect(&run, &SearchRun::pictureNotKept, [&pictureFaultSaid](const QString &problem) {
        if (!std::exchange(pictureFaultSaid, true))
            print(stderr, QStringLiteral("cerca-posizione: %1\n").arg(Notes::pictureNotKept(problem)));
    });
    ListProgress progress(folder.listProgress(), phrases, line.fragment, line.pageLimit, line.italianOnly, line.place);
    if (!line.resume && !shared)
        progress.restart();
    RunInputs inputs;
    inputs.fragment = line.fragment;
    inputs.pageLimit = line.pageLimit;
    inputs.italianOnly = line.italianOnly;
    inputs.place = line.place;
    inputs.picturesKept = line.picturesKept;
    ListRun list(&run, phrases, inputs, testPause > 0 ? testPause : line.pauseSeconds * 1000,
                 testPause > 0 ? testPause / 2 : ListRun::kMinimumPauseSeconds * 1000);
    list.setPageTimeout(line.pageSeconds * 1000);
    if (shared)
        list.setShared([&shared] { return shared->take(); }, [&shared](const RunOutcome &outcome) { shared->ended(outcome); });
    else
        list.setProgress(&progress);
    list.setResultLog(folder.resultLog(), ResultLog::systemDateSeparator());
    int status = 0;
    QObject::connect(&list, &ListRun::phraseEnded, [&status](int, const RunOutcome &outcome) {
        // A browser that started but cannot be reached: no phrase can be searched.
        if (outcome.end == RunEnd::Unfinished && !outcome.detail.isEmpty()) {
            print(stderr, QStringLiteral("cerca-posizione: %1\n").arg(outcome.detail));
            status = 1;
            QCoreApplication::exit(1);
            return;
        }
        print(stdout, outcome.line() + QLatin1Char('\n'));
        if (outcome.unchecked())
            status = 4;
    });
    QObject::connect(&list, &ListRun::resultNotSaved, [](const QString &log) {
        print(stderr, QStringLiteral("cerca-posizione: %1\n").arg(Notes::resultNotSaved(log)));
    });
    QObject::connect(&list, &ListRun::needsUser, [&status, &shared](int, const QString &phrase) {
        if (shared)
            shared->release();
        print(stderr, QStringLiteral("cerca-posizione: per \"%1\" il motore chiede una risposta (consenso o verifica) "
                                     "che senza finestra non si può dare: esegui una ricerca nella finestra una volta, "
                                     "poi riprova (--riprendi continua da qui).\n")
                          .arg(phrase));
        status = 3;
        QCoreApplication::exit(3);
    });
    QObject::connect(&list, &ListRun::finished, [&run] {
        // The last phrase's picture may still be on its way: it is kept first.
        if (run.pictureInFlight())
            QObject::connect(&run, &SearchRun::picturesSettled, [] { QCoreApplication::exit(0); });
        else
            QCoreApplication::exit(0);
    });
    list.start();
    const int exitCode = QCoreApplication::exec();
    return status != 0 ? status : exitCode;
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
    const QString problem = ArchiveCsv::write(archive, line.phrase, line.exportFile);
    if (!problem.isEmpty()) {
        print(stderr, QStringLiteral("cerca-posizione: impossibile scrivere %1: %2\n").arg(line.exportFile, problem));
        return 2;
    }
    return 0;
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
    case CommandLine::Action::Window:
        break;
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
