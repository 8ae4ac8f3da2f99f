// A bare Qt window, started and measured as the program's window is (see
// startup.sh): what the program's start-up is compared with.
#include "platform/processclock.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(800, 600);
    window.show();
    QTimer::singleShot(0, &window, [] {
        std::printf("window shown %.1f ms after the start\n", ProcessClock::millisecondsSinceStart());
        std::fflush(stdout);
        QTimer::singleShot(2000, qApp, &QApplication::quit);
    });
    return app.exec();
}
