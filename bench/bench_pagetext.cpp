// The time the embedded browser takes to write the page text of a 500 KB
// results page, in the real engine. Prints the best and the median of 20.
#include "platform/engineenvironment.h"
#include "platform/webengine/webenginebrowser.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineScript>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    EngineEnvironment::prepare();
    QApplication app(argc, argv);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("risultati.html"));
    QByteArray html = "<!DOCTYPE html><html><head><title>t</title><style>a{color:#1a0dab}</style>"
                      "<script>var g={u:\"//www.google.it/\"};</script></head><body><div id=res><ol>";
    int i = 0;
    while (html.size() < 500 * 1024) {
        ++i;
        html += "<li class=\"g\"><h3 class=r><a href=\"http://www.sito" + QByteArray::number(i)
            + ".it/pagina\" onmousedown=\"return rwt(this)\">Risultato " + QByteArray::number(i)
            + "</a></h3><div class=\"s\"><cite>www.sito" + QByteArray::number(i)
            + ".it</cite> Una pagina &amp; il suo <b>riassunto</b>.</div></li>\n";
    }
    html += "</ol></div></body></html>";
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write(html);
    file.close();

    QWebEnginePage page;
    QEventLoop loop;
    QObject::connect(&page, &QWebEnginePage::loadFinished, &loop, &QEventLoop::quit);
    page.load(QUrl::fromLocalFile(path));
    loop.exec();

    const QString script = WebEngineBrowser::pageTextScript();
    std::vector<double> times;
    qsizetype length = 0;
    for (int round = 0; round < 20; ++round) {
        QElapsedTimer timer;
        timer.start();
        page.runJavaScript(script, QWebEngineScript::ApplicationWorld, [&](const QVariant &result) {
            length = result.toMap().value(QStringLiteral("text")).toString().size();
            times.push_back(timer.nsecsElapsed() / 1e6);
            loop.quit();
        });
        loop.exec();
    }
    std::sort(times.begin(), times.end());
    std::printf("page: %lld bytes, page text: %lld characters\n", static_cast<long long>(html.size()),
                static_cast<long long>(length));
    std::printf("page text: best %.1f ms, median %.1f ms (20 rounds)\n", times.front(), times[times.size() / 2]);
    return 0;
}
