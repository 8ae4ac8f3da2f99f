// The archive after a year of weekly runs for 1,000 phrases at 30 results
// each (52,000 runs, 1.56 million results, three pages a run): its size on
// disk, the cost of archiving one more page, the time to open "Concorrenti"
// for one phrase (the archive read and the window built), and the time of a
// "Confronta con" query. Medians of repeated measures.
//
//   bench_archive [FOLDER]   builds the archive in FOLDER (a temporary one
//                            by default) unless it is there already
#include "app/history/competitorsmodel.h"
#include "app/history/competitorswindow.h"
#include "store/archive.h"
#include "store/archivewriter.h"
#include "store/runarchive.h"
#include "pgserver.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kPhrases = 1000;
constexpr int kWeeks = 52;
constexpr int kResultsPerPage = 10;
constexpr int kPages = 3;

QString phraseOf(int index)
{
    return QStringLiteral("ricetta numero %1 con il bimby").arg(index);
}

// A page of results: the same forty sites move about from week to week.
ArchivedPage pageOf(int phrase, int week, int page)
{
    ArchivedPage read{page * kResultsPerPage, QDateTime::currentDateTime(), PageReading::Today, {},
                      PageFeatures{(week + phrase) % 4, week % 2, QString(), week % 3 == 0, {}, true}, {}, 0};
    for (int i = 0; i < kResultsPerPage; ++i) {
        const int position = page * kResultsPerPage + i + 1;
        const int site = (position * 7 + week * (phrase % 5 + 1)) % 40;
        read.results.append(ArchivedResult{position,
                                           QStringLiteral("https://www.sito%1.example.it/ricette/%2/pagina-%3.html")
                                               .arg(site).arg(phrase).arg(position),
                                           QStringLiteral("Ricetta %1 del sito %2: come farla con il bimby").arg(phrase).arg(site)});
    }
    if (read.features->aiOverview)
        read.features->aiCited = {read.results[0].address, read.results[3].address};
    return read;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <typename F>
double millisecondsOf(F &&work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir temporary;
    // --postgresql: the same on a PostgreSQL server of the benchmark's own.
    const bool server = argc > 1 && qstrcmp(argv[1], "--postgresql") == 0;
    PgServer postgres;
    if (server && !postgres.start()) {
        std::fprintf(stderr, "the PostgreSQL server did not start: %s\n", qPrintable(postgres.problem()));
        return 1;
    }
    if (server)
        qputenv("PGPASSFILE", postgres.passFile().toLocal8Bit());
    const QString folder = argc > 1 && !server ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    QDir().mkpath(folder);
    const QString path = server ? postgres.address() : QDir(folder).filePath(QStringLiteral("Archivio.sqlite"));
    const bool build = server || !QFileInfo::exists(path);
    Archive archive(path);
    if (const Result<void> opened = archive.open(); !opened) {
        std::fprintf(stderr, "cannot open %s: %s\n", qPrintable(path), qPrintable(opened.error()));
        return 1;
    }
    RunArchive runs(archive);
    if (build) {
        std::printf("building %d runs of %d results...\n", kPhrases * kWeeks, kPages * kResultsPerPage);
        std::fflush(stdout);
        const double built = millisecondsOf([&] {
            const QDateTime start(QDate(2025, 12, 1), QTime(3, 0));
            for (int week = 0; week < kWeeks; ++week) {
                for (int phrase = 0; phrase < kPhrases; ++phrase) {
                    ArchivedRun run;
                    run.phrase = phraseOf(phrase);
                    run.host = QStringLiteral("www.google.it");
                    run.fragment = QStringLiteral("sito7.example.it");
                    run.started = start.addDays(7 * week).addSecs(phrase * 20);
                    const qint64 id = *runs.beginRun(run);
                    for (int page = 0; page < kPages; ++page)
                        (void)runs.addPage(id, pageOf(phrase, week, page));
                    (void)runs.endRun(id, RunEnd::NotFound, kPages * kResultsPerPage, run.started.addSecs(15));
                }
            }
        });
        std::printf("built in %.0f s\n", built / 1000);
    }
    qint64 bytes = 0;
    for (const char *suffix : {"", "-wal"})
        bytes += QFileInfo(path + QLatin1String(suffix)).size();
    if (!server)
        std::printf("size on disk: %.1f MB (%lld bytes, with the write-ahead log)\n", double(bytes) / 1e6, bytes);

    // One more page, as a run archives it: 200 pages into the full archive.
    std::vector<double> pages;
    ArchivedRun extra;
    extra.phrase = phraseOf(kPhrases + 1);
    extra.started = QDateTime::currentDateTime();
    const qint64 id = *runs.beginRun(extra);
    for (int i = 0; i < 200; ++i) {
        const ArchivedPage page = pageOf(kPhrases + 1, i, i % kPages);
        pages.push_back(millisecondsOf([&] { (void)runs.addPage(id, page); }));
    }
    std::printf("archiving one page of %d results: median %.2f ms, slowest %.2f ms (aim: under 5 ms)\n",
                kResultsPerPage, median(pages), *std::max_element(pages.begin(), pages.end()));

    // What a run waits for: the page handed to the writer's thread.
    std::vector<double> handed;
    {
        ArchiveWriter writer(path);
        const quint64 run = writer.beginRun(extra);
        for (int i = 0; i < 200; ++i) {
            const ArchivedPage page = pageOf(kPhrases + 1, i, i % kPages);
            handed.push_back(millisecondsOf([&] { writer.addPage(run, page); }));
        }
    }
    std::printf("what a run waits for, the page handed to the writer: median %.3f ms, slowest %.3f ms\n",
                median(handed), *std::max_element(handed.begin(), handed.end()));

    std::vector<double> models;
    std::vector<double> windows;
    std::vector<double> comparisons;
    for (int i = 0; i < 11; ++i) {
        const QString phrase = phraseOf(i * 97 % kPhrases);
        models.push_back(millisecondsOf([&] { CompetitorsModel model(archive, phrase); }));
        windows.push_back(millisecondsOf([&] {
            CompetitorsWindow window(path, phrase);
            window.setAttribute(Qt::WA_DeleteOnClose, false);
            window.show();
            QApplication::processEvents();
        }));
        CompetitorsModel model(archive, phrase);
        comparisons.push_back(millisecondsOf([&] { (void)model.compareWith(QStringLiteral("sito13.example")); }));
    }
    std::printf("opening \"Concorrenti\" for one phrase (%d runs): archive read %.1f ms, window shown %.1f ms "
                "(aim: under 300 ms)\n", kWeeks, median(models), median(windows));
    std::printf("\"Confronta con\" over %d runs: %.2f ms (aim: under 100 ms)\n", kWeeks, median(comparisons));
    return 0;
}
