#include "app/form1.h"
#include "app/gridpicture.h"
#include "cli/cli.h"
#include "platform/chromium/chromiumpage.h"
#include "platform/processclock.h"
#include "platform/qtdesktop.h"
#include "store/archive.h"
#include "store/datafolder.h"
#include "store/gridarchive.h"
#include "store/searchoptionsfile.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
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

// The picture of the grid the command line ran, beside the archive (in the
// data folder for a shared one). Drawn once the grid has run, on Qt's
// platform that needs no display; without it the grid stands, unpictured.
void writeGridPicture(const CommandLine &line, int argc, char *argv[])
{
    const QString plugins = qEnvironmentVariableIsSet("QT_QPA_PLATFORM_PLUGIN_PATH")
        ? qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH")
        : QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms");
    if (!QFileInfo::exists(plugins + QStringLiteral("/libqoffscreen.so"))) {
        std::fprintf(stderr, "cerca-posizione: l'immagine della griglia non è disegnata: manca il modulo \"offscreen\" di Qt "
                             "(pacchetto qt6-qpa-plugins)\n");
        return;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString dataFolder = Cli::dataFolderPath();
    const QString path = Cli::archiveOf(line, dataFolder);
    Archive archive(path, ArchiveUse::Reading);
    std::optional<ArchivedGrid> grid;
    std::optional<ArchivedGrid> before;
    if (archive.open()) {
        GridArchive grids(archive);
        if (Result<std::optional<ArchivedGrid>> latest = grids.latest(line.grid.series()))
            grid = *latest;
        if (grid) {
            if (Result<std::optional<ArchivedGrid>> earlier = grids.previous(grid->series, grid->id))
                before = *earlier;
        }
    }
    if (!grid || grid->points.isEmpty())
        return;
    const QString file = GridPicture::fileIn(Archive::isServer(path) ? dataFolder : QFileInfo(path).absolutePath(), *grid);
    if (GridPicture::draw(*grid, before).save(file, "PNG"))
        std::printf("immagine della griglia: %s\n", qPrintable(QDir::toNativeSeparators(file)));
    else
        std::fprintf(stderr, "cerca-posizione: impossibile scrivere %s\n", qPrintable(QDir::toNativeSeparators(file)));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    const CommandLine line = CommandLine::parse(argumentsOf(argc, argv));
    if (line.action == CommandLine::Action::Grid) {
        const int status = Cli::run(line, argc, argv);
        if (status != 1 && status != 2)
            writeGridPicture(line, argc, argv);
        return status;
    }
    if (line.action != CommandLine::Action::Window)
        return Cli::run(line, argc, argv);

    QApplication app(argc, argv);
    // No display name: the desktop would add it to every window's title.
    QApplication::setApplicationName(QStringLiteral("cerca-posizione"));
    QApplication::setDesktopFileName(QStringLiteral("cerca-posizione"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app/cerca-posizione.png")));
    Form1Options options;
    options.dataFolder = DataFolder(Cli::dataFolderPath());
    ChromiumPage page(options.dataFolder.path());
    QtDesktop desktop;
    // For the start-up benchmark only: the engine at start instead of at the
    // first navigation, a time stamp once the window is shown, and an exit.
    if (qEnvironmentVariableIsSet("CERCA_POSIZIONE_ENGINE_AT_START"))
        page.startEngine();
    SearchRun run(&page, SearchRunOptions::inFolder(options.dataFolder, Cli::archiveOf(line, options.dataFolder.path())));
    Form1 form(&run, &desktop, options);
    form.show();
    if (qEnvironmentVariableIsSet("CERCA_POSIZIONE_STARTUP_REPORT")) {
        QTimer::singleShot(0, &form, [] {
            std::printf("window shown %.1f ms after the start\n", ProcessClock::millisecondsSinceStart());
            std::fflush(stdout);
            QTimer::singleShot(2000, qApp, &QApplication::quit);
        });
    }
    return app.exec();
}
