// From the navigation to the reading of a results page in the real engine,
// read at its load at once (settling 0 s) and once settled (the default),
// on a page complete at its load and on one whose AI overview comes 3 s
// after it: medians of 10, and whether the overview's source was read.
#include "platform/chromium/chromiumpage.h"
#include "resultsservice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    results::Service service(results::Catalog::parse("[completa]\n@today\n@ai http://www.fonte.it/\n@generate 10\n"
                                                     "[tardiva]\n@today\n@ai-dopo 3000 http://www.fonte.it/\n@generate 10\n"));
    service.start();
    ChromiumPage browser(dir.path());
    for (const char *phrase : {"completa", "tardiva"}) {
        for (const int settle : {0, Settling::kDefaultSeconds}) {
            browser.setSettleSeconds(settle);
            QList<double> times;
            int cited = 0;
            for (int i = 0; i < 10; ++i) {
                QEventLoop loop;
                QElapsedTimer timer;
                const auto done = QObject::connect(&browser, &Browser::documentComplete, &loop, &QEventLoop::quit);
                QTimer::singleShot(60000, &loop, &QEventLoop::quit);
                timer.start();
                browser.navigate2(QStringLiteral("http://127.0.0.1:%1/search?q=%2&n=%3").arg(service.port()).arg(QLatin1String(phrase)).arg(i));
                loop.exec();
                times.append(timer.nsecsElapsed() / 1e6);
                QObject::disconnect(done);
                const std::optional<PageFeatures> features = browser.pageLinks().features;
                cited += features && features->aiCited.contains(QStringLiteral("http://www.fonte.it/"));
            }
            std::sort(times.begin(), times.end());
            std::printf("%-8s page, settling %2d s: navigation to reading best %.0f ms, median %.0f ms; source read %d of 10\n",
                        phrase, settle, times.front(), times[times.size() / 2], cited);
        }
    }
    return 0;
}
