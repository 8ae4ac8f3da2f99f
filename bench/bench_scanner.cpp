// The scan of a 1 MB results page against a bare search for the result
// marker over the same text. Prints the best time of each and their ratio.
#include "search/scanner.h"

#include <QElapsedTimer>
#include <QString>

#include <algorithm>
#include <cstdio>

namespace {

// Ten results spread over 1 MB of other markup, the last one near the end,
// so that both the scan and the bare search read the whole text.
QString bigPage()
{
    const QString filler = QStringLiteral("<div class=s><span>testo di riempimento &amp; altro</span></div>\n");
    const qsizetype target = 1024 * 1024;
    QString page = QStringLiteral("<head><script>var a=\"//x\";</script></head><body>");
    for (int i = 1; i <= 10; ++i) {
        while (page.size() < target * i / 10 - 200)
            page += filler;
        page += QStringLiteral("<li class=g><h3 class=r><a href=\"http://www.sito%1.it/pagina\">t</a></h3></li>").arg(i);
    }
    return page + QStringLiteral("</body>");
}

template <typename F>
double bestMicroseconds(F work, int rounds)
{
    double best = 1e300;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, timer.nsecsElapsed() / 1000.0);
    }
    return best;
}

} // namespace

int main()
{
    const QString page = bigPage();
    const int rounds = 200;
    qsizetype sink = 0;

    const double scan = bestMicroseconds([&] {
        RunValues run{0, 0, std::nullopt};
        const ScanResult result = Scanner::scanPage(page, ScanInput{QStringLiteral("velmora"), QStringLiteral("10"), false, false}, run);
        sink += result.entries.size();
    }, rounds);

    const QString marker = QStringLiteral("class=r");
    const double bare = bestMicroseconds([&] {
        qsizetype from = 0;
        for (int i = 0; i < 10; ++i) {
            from = page.indexOf(marker, from);
            if (from < 0)
                break;
            sink += from++;
        }
    }, rounds);

    std::printf("page: %lld characters, 10 results\n", static_cast<long long>(page.size()));
    std::printf("scan:        %8.1f us (best of %d)\n", scan, rounds);
    std::printf("bare search: %8.1f us (best of %d)\n", bare, rounds);
    std::printf("ratio:       %8.2f\n", scan / bare);
    return sink == 0;
}
