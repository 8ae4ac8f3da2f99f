// Writes a demo archive from the demo result log: for each saved outcome of
// a found address, a run whose results put it at its saved position among
// competitors that move from week to week, with ads, an AI overview from
// November on, and the address cited in it in the last weeks.
//
//   cerca-archivio-demo LOG ARCHIVE
#include "store/archive.h"
#include "store/runarchive.h"
#include "store/outcomes.h"
#include "store/textfile.h"

#include <QCoreApplication>
#include <QUrl>

#include <cstdio>

namespace {

const QStringList kCompetitors{
    "www.bimby.it", "www.vorwerk.com", "it.wikipedia.org", "www.cookidoo.it", "www.giallozafferano.it",
    "www.ricettario-bimby.it", "www.ricette-bimby.net", "www.youtube.com", "www.forum-bimby.it", "www.ilbimby.it",
    "www.amazon.it", "www.mediaworld.it", "www.ideericette.it", "www.cucchiaio.it", "support.google.com",
    "www.misya.info", "www.tavolartegusto.it", "www.bimby-tm31.it", "www.ricettebimby.eu", "www.lacucinaitaliana.it",
    "www.fattoincasadabenedetta.it", "www.ricetteperbimby.it", "www.trovaprezzi.it", "www.subito.it", "www.ebay.it"};

ArchivedPage pageOf(const Outcome &outcome, int week, int page)
{
    ArchivedPage read{page * 10, outcome.when, PageReading::Today, {}, PageFeatures{}, {}, 0};
    const qint64 ours = *outcome.position;
    int taken = 0;
    for (qint64 position = page * 10 + 1; position <= page * 10 + 10; ++position) {
        QString address;
        if (position == ours) {
            address = *outcome.address;
        } else {
            // The first places hold still; lower down they trade places.
            const int slot = int(position - (position > ours ? 2 : 1));
            const int moved = slot < 3 ? slot : (slot + (week * (slot % 3 + 1)) / 3) % int(kCompetitors.size());
            address = QStringLiteral("https://%1/bimby").arg(kCompetitors[(moved + taken * 0) % kCompetitors.size()]);
        }
        read.results.append(ArchivedResult{position, address, QUrl(address).host()});
        ++taken;
    }
    if (page == 0) {
        const bool november = outcome.when.date() >= QDate(2026, 11, 2);
        read.features = PageFeatures{week % 3 + 1, week % 2, read.results[0].address, november,
                                     {}, true};
        if (november) {
            read.features->aiCited = {read.results[2].address, QStringLiteral("https://it.wikipedia.org/wiki/Bimby")};
            if (outcome.when.date() >= QDate(2026, 12, 14))
                read.features->aiCited.append(*outcome.address);
        }
    } else {
        read.features = PageFeatures{0, 1, QString(), false, {}, false};
    }
    return read;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("uso: cerca-archivio-demo REGISTRO ARCHIVIO\n", stderr);
        return 2;
    }
    const Outcomes::ReadLog log = Outcomes::group(TextFile::readLines(QString::fromLocal8Bit(argv[1])).value_or(QStringList()));
    Archive archive(QString::fromLocal8Bit(argv[2]), ArchiveUse::Writing);
    if (const Result<void> opened = archive.open(); !opened) {
        std::fprintf(stderr, "%s\n", qPrintable(opened.error()));
        return 1;
    }
    RunArchive runs(archive);
    for (const SearchHistory &search : log.searches) {
        int week = 0;
        for (const Outcome &outcome : search.outcomes) {
            if (!outcome.found() || !outcome.address)
                continue;
            ArchivedRun run;
            run.phrase = search.phrase;
            run.host = QStringLiteral("www.google.it");
            run.italianOnly = search.italianOnly;
            run.fragment = search.fragment;
            run.started = outcome.when;
            const Result<qint64> id = runs.beginRun(run);
            Result<void> written = id ? Result<void>() : id.failure();
            for (int page = 0; written && page <= (*outcome.position - 1) / 10; ++page)
                written = runs.addPage(*id, pageOf(outcome, week, page));
            if (written)
                written = runs.endRun(*id, RunEnd::Found, *outcome.position, outcome.when.addSecs(12));
            if (!written) {
                std::fprintf(stderr, "%s\n", qPrintable(written.error()));
                return 1;
            }
            ++week;
        }
    }
    return 0;
}
