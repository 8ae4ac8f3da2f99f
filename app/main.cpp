#include "app/form1.h"
#include "platform/embeddedbrowser.h"
#include "platform/engineenvironment.h"
#include "platform/processclock.h"
#include "platform/qtdesktop.h"
#include "search/queryaddress.h"
#include "store/datafolder.h"

#include <QApplication>
#include <QIcon>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    EngineEnvironment::prepare();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("cerca-posizione"));
    QApplication::setApplicationDisplayName(QStringLiteral("Cerca Posizione"));

    QApplication::setDesktopFileName(QStringLiteral("cerca-posizione"));
    Form1Options options;
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app/cerca-posizione.png")));
    options.dataFolder = DataFolder(DataFolder::resolve(QApplication::applicationDirPath(),
                                                        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
                                                        QStringLiteral(CERCA_INSTALL_BINDIR)));
    options.host = QueryAddress::hostFromEnvironment();

    EmbeddedBrowser browser;
    QtDesktop desktop;
    // For the start-up benchmark only: the engine at start instead of at the
    // first navigation, a time stamp once the window is shown, and an exit.
    if (qEnvironmentVariableIsSet("CERCA_POSIZIONE_ENGINE_AT_START"))
        browser.startEngine();
    Form1 form(&browser, &desktop, options);
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
