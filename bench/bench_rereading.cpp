// Kept pages read again: an archive of N runs (1,000 unless told), each
// with a page of today's markup kept as the program keeps it, read again by
// a newer reader with no network; against the same documents merely set in
// the same browser, without the reader. Prints pages a second for both, the
// kept pages' sizes and what compressing them costs the writer's thread.
//   bench_rereading [N]
#include "platform/chromium/chromiumpage.h"
#include "search/rereading.h"
#include "store/archivewriter.h"
#include "store/pagecompression.h"
#include "resultsservice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 1000;
    QTemporaryDir dir;
    const QString archive = dir.filePath(QStringLiteral("Archivio.sqlite"));
    const results::Catalog catalog = results::Catalog::parse(
        "[bimby]\n@today\n@featured http://www.fonte.it/\n@ai http://www.citata.it/a http://www.velmora.it/\n@ads 3 2\n@generate 30\n");

    // The pages as a run would keep them: read once in the browser.
    QList<QByteArray> kept;
    {
        results::Service service(catalog);
        service.start();
        QTemporaryDir profile;
        ChromiumPage page(profile.path());
        page.setKeepingPages(true);
        for (int offset : {0, 10, 20}) {
            QSignalSpy complete(&page, &Browser::documentComplete);
            page.navigate2(QStringLiteral("http://127.0.0.1:%1/search?q=bimby&start=%2").arg(service.port()).arg(offset));
            complete.wait(20000);
            kept.append(page.keptMarkup());
        }
    }
    QList<qint64> sizes;
    QElapsedTimer clock;
    clock.start();
    for (const QByteArray &markup : kept)
        sizes.append(PageCompression::compress(markup).size());
    const double compressMs = clock.nsecsElapsed() / 1e6 / kept.size();
    std::sort(sizes.begin(), sizes.end());
    std::printf("kept page: %lld-%lld bytes of markup, %lld bytes compressed (median), %lld (largest); %.3f ms to compress\n",
                qint64(std::min_element(kept.begin(), kept.end(), [](auto &a, auto &b) { return a.size() < b.size(); })->size()),
                qint64(std::max_element(kept.begin(), kept.end(), [](auto &a, auto &b) { return a.size() < b.size(); })->size()),
                sizes[sizes.size() / 2], sizes.last(), compressMs);

    {
        ArchiveWriter writer(archive);
        for (int i = 0; i < runs; ++i) {
            ArchivedRun run;
            run.phrase = QStringLiteral("frase %1").arg(i);
            run.host = QStringLiteral("www.google.it");
            run.fragment = QStringLiteral("velmora");
            run.started = QDateTime(QDate(2026, 1, 1), QTime(8, 0), Qt::UTC).addSecs(i * 60);
            const quint64 handle = writer.beginRun(run);
            ArchivedPage page;
            page.readAt = run.started.addSecs(2);
            page.reading = PageReading::Today;
            page.reader = 1;
            page.results = {{1, QStringLiteral("http://www.fonte.it/"), QString()}};
            page.kept = KeptMarkup{kept[i % kept.size()], {}, 1, 10};
            writer.addPage(handle, page);
            writer.endRun(handle, RunEnd::NotFound, 1, run.started.addSecs(3));
        }
    }

    QTemporaryDir profile;
    ChromiumPage page(profile.path());
    page.setKeptPagesOnly();
    // The documents alone: set in the browser, without the reader.
    clock.restart();
    for (int i = 0; i < runs; ++i) {
        QSignalSpy complete(&page, &Browser::documentComplete);
        page.navigateKept(QStringLiteral("http://www.google.it/search?q=frase+%1").arg(i), kept[i % kept.size()]);
        complete.wait(20000);
    }
    const double bare = runs / (clock.nsecsElapsed() / 1e9);
    Rereading rereading(&page, archive, 2);
    QSignalSpy finished(&rereading, &Rereading::finished);
    clock.restart();
    rereading.start();
    finished.wait(3600 * 1000);
    const double reread = rereading.summary().pages / (clock.nsecsElapsed() / 1e9);
    std::printf("%d kept pages: read again %.1f a second (%d stored), the documents alone %.1f a second: %.2fx\n", runs, reread,
                rereading.summary().pages, bare, bare / reread);
    return 0;
}
