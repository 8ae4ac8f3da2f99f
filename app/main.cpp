#include "app/form1.h"
#include "cli/cli.h"
#include "platform/chromium/chromiumpage.h"
#include "platform/processclock.h"
#include "platform/qtdesktop.h"
#include "store/datafolder.h"
#include "store/searchoptionsfile.h"

#include <QApplication>
#include <QIcon>
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

} // namespace

int main(int argc, char *argv[])
{
    const CommandLine line = CommandLine::parse(argumentsOf(argc, argv));
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
