// The time the embedded browser takes to read a 500 KB results page in the
// real engine (the page text and today's results, in one script), side by
// side with the engine's own serializer, document.documentElement.innerHTML,
// on the same page in the same run. Two pages: the classic markup, thousands
// of results; today's markup, ten results among 500 KB of scripts and blocks.
// Prints the best and the median of 20 rounds and the ratio of the medians.
#include "platform/webengine/webenginebrowser.h"
#include "resultsservice.h"

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

namespace {

QByteArray classicPage()
{
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
    return html + "</ol></div></body></html>";
}

QByteArray todayPage()
{
    // Today's pages carry most of their weight in inline scripts and styles,
    // and in markup around few results.
    results::PhraseResults results;
    results.today = true;
    results.addresses = results::generatedAddresses("bimby", 30);
    QByteArray html = QByteArray::fromStdString(results::todayResultsPage("bimby", 0, results));
    QByteArray padding;
    int i = 0;
    while (html.size() + padding.size() < 500 * 1024) {
        ++i;
        padding += "<script nonce=\"x\">(function(){var a" + QByteArray::number(i)
            + "={k:\"//www.gstatic.com/x\",v:[1,2,3]};window.g" + QByteArray::number(i) + "=a" + QByteArray::number(i)
            + ";})();</script><style>.c" + QByteArray::number(i) + "{color:#202124;margin:0 4px}</style>"
            + "<div class=\"rIxsve c" + QByteArray::number(i) + "\" data-ved=\"0ahUKEw" + QByteArray::number(i)
            + "\" jscontroller=\"SC7lYd\"><span class=\"rVusze\">Elemento " + QByteArray::number(i)
            + "</span><svg viewBox=\"0 0 24 24\"><path d=\"M12 2L2 22h20z\"></path></svg></div>\n";
    }
    return html.replace("</body>", padding + "</body>");
}

struct Timing
{
    double best;
    double median;
};

Timing measure(QWebEnginePage &page, const QString &script, qsizetype &length)
{
    QEventLoop loop;
    std::vector<double> times;
    for (int round = 0; round < 20; ++round) {
        QElapsedTimer timer;
        timer.start();
        page.runJavaScript(script, QWebEngineScript::ApplicationWorld, [&](const QVariant &result) {
            times.push_back(timer.nsecsElapsed() / 1e6);
            const QVariant text = result.typeId() == QMetaType::QVariantMap ? result.toMap().value(QStringLiteral("text"))
                                                                             : result;
            length = text.toString().size();
            loop.quit();
        });
        loop.exec();
    }
    std::sort(times.begin(), times.end());
    return {times.front(), times[times.size() / 2]};
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString ours = WebEngineBrowser::pageTextScript();
    const QString engines = QStringLiteral("document.documentElement.innerHTML");
    double worst = 0;

    for (const auto &[name, html] : {std::pair{"classic", classicPage()}, std::pair{"today", todayPage()}}) {
        const QString path = dir.filePath(QString::fromLatin1(name) + QStringLiteral(".html"));
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

        qsizetype ourLength = 0, engineLength = 0;
        // Alternate the two, so that neither has the machine to itself.
        Timing a{}, b{};
        std::vector<Timing> oursTimes, enginesTimes;
        for (int pass = 0; pass < 3; ++pass) {
            oursTimes.push_back(measure(page, ours, ourLength));
            enginesTimes.push_back(measure(page, engines, engineLength));
        }
        auto byMedian = [](const Timing &x, const Timing &y) { return x.median < y.median; };
        a = *std::min_element(oursTimes.begin(), oursTimes.end(), byMedian);
        b = *std::min_element(enginesTimes.begin(), enginesTimes.end(), byMedian);
        const double ratio = a.median / b.median;
        worst = std::max(worst, ratio);
        std::printf("%s page: %lld bytes; page text %lld characters, innerHTML %lld characters\n", name,
                    static_cast<long long>(html.size()), static_cast<long long>(ourLength),
                    static_cast<long long>(engineLength));
        std::printf("  page text and results: best %.1f ms, median %.1f ms\n", a.best, a.median);
        std::printf("  innerHTML:             best %.1f ms, median %.1f ms\n", b.best, b.median);
        std::printf("  ratio of the medians:  %.2f (goal <= 2)\n", ratio);
    }
    return worst <= 2.0 ? 0 : 1;
}
