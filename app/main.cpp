#include "app/commandline.h"
#include "app/form1.h"
#include "app/notes.h"
#include "platform/chromium/chromiumpage.h"
#include "platform/messagelog.h"
#include "platform/processclock.h"
#include "platform/qtdesktop.h"
#include "search/listrun.h"
#include "search/sharedlist.h"
#include "search/queryaddress.h"
#include "store/archive.h"
#include "store/archivecsv.h"
#include "store/datafolder.h"
#include "store/listprogress.h"
#include "store/textfile.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>

namespace {

QStringList argumentsOf(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

void print(std::FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

QString dataFolderPath();

// The archive the command line names, or the one the search options name.
QString archiveOf(const CommandLine &line, const DataFolder &folder)
{
    return line.archive.isEmpty() ? folder.archiveInUse() : line.archive;
}

SearchRunOptions runOptions(const DataFolder &folder, const QString &archive)
{
    SearchRunOptions options;
    // The local service's host wins over the country's domain.
    options.host = qEnvironmentVariable("CERCA_POSIZIONE_HOST");
    options.archive = archive;
    options.archiveSpool = folder.sharedArchiveSpool();
    options.unreadPages = folder.unreadPages();
    options.pictures = folder.runPictures();
    return options;
}

// The list of the command line: no window, no widget, no display. Each phrase
// is a search run, its outcome printed and appended to the result log; the
// window's settings file is never touched.
int runList(const CommandLine &line, const QStringList &phrases, int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("cerca-posizione"));
    const DataFolder folder(dataFolderPath());
    MessageLog::setFile(QDir(folder.path()).filePath(QStringLiteral("cerca-posizione.log")));
    const QString archive = archiveOf(line, folder);
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
    SearchRunOptions options = runOptions(folder, archive);
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

QString dataFolderPath()
{
    return DataFolder::resolve(QCoreApplication::applicationDirPath(),
                               QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
                               QStringLiteral(CERCA_INSTALL_BINDIR));
}

// The archive as CSV: no window, no browser.
int exportArchive(const CommandLine &line, int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("cerca-posizione"));
    const QString path = archiveOf(line, DataFolder(dataFolderPath()));
    if (!Archive::isServer(path) && !QFileInfo::exists(path)) {
        print(stderr, QStringLiteral("cerca-posizione: nessun archivio in %1\n").arg(QDir::toNativeSeparators(path)));
        return 2;
    }
    Archive archive(path);
    if (!archive.open()) {
        print(stderr, QStringLiteral("cerca-posizione: impossibile aprire l'archivio %1: %2\n")
                          .arg(QDir::toNativeSeparators(Archive::displayName(path)), archive.problem()));
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

int main(int argc, char *argv[])
{
    const CommandLine line = CommandLine::parse(argumentsOf(argc, argv));
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
    case CommandLine::Action::List:
    case CommandLine::Action::Window:
        break;
    }
    if (line.action == CommandLine::Action::List) {
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

    QApplication app(argc, argv);
    // No display name: the desktop would add it to every window's title.
    QApplication::setApplicationName(QStringLiteral("cerca-posizione"));
    QApplication::setDesktopFileName(QStringLiteral("cerca-posizione"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app/cerca-posizione.png")));
    Form1Options options;
    options.dataFolder = DataFolder(dataFolderPath());
    ChromiumPage page(options.dataFolder.path());
    QtDesktop desktop;
    // For the start-up benchmark only: the engine at start instead of at the
    // first navigation, a time stamp once the window is shown, and an exit.
    if (qEnvironmentVariableIsSet("CERCA_POSIZIONE_ENGINE_AT_START"))
        page.startEngine();
    SearchRun run(&page, runOptions(options.dataFolder, archiveOf(line, options.dataFolder)));
    Form1 form(&run, &desktop, options);
    form.show();
    if (qEnvironmentVariableIsSet("CERCA_POSIZIONE_STARTUP_REPORT")) {
        QTimer::singleShot(0, &form, [] {
            std::printf("window shown %.0f ms after the start\n", ProcessClock::millisecondsSinceStart());
            std::fflush(stdout);
            QTimer::singleShot(2000, qApp, &QApplication::quit);
        });
    }
    return app.exec();
}
