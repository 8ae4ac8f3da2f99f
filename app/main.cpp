#include "app/form1.h"
#include "platform/engineenvironment.h"
#include "platform/qtdesktop.h"
#include "platform/webenginebrowser.h"
#include "search/queryaddress.h"
#include "store/datafolder.h"

#include <QApplication>
#include <QIcon>
#include <QStandardPaths>

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

    WebEngineBrowser browser;
    QtDesktop desktop;
    Form1 form(&browser, &desktop, options);
    form.show();
    return app.exec();
}
