#pragma once

// Archives as the program wrote them at each step of its schema, kept in
// tests/store/archives/: stepN.sql holds the rows of an archive written at
// step N, stepN-read.txt what the program read of it once brought up to
// date. tst_archive opens them and reads them as they were read.
//
// Once a new step N is appended, before it is released, writeRuns() writes
// what the step holds too, and
//   build/tests/tst_archive --passo N tests/store/archives
// writes the files of an archive at step N, kept as they are from then on.
// Written again for an earlier step, they come out the same, byte for byte.

#include "store/archive.h"
#include "store/archivereports.h"
#include "store/gridarchive.h"
#include "store/pagecompression.h"
#include "store/runarchive.h"
#include "store/sharedphrases.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTextStream>

namespace ArchiveFixtures {

inline QDateTime at(int day, int hour, int minute, int second = 0, int ms = 0)
{
    return QDateTime(QDate(2026, 3, day), QTime(hour, minute, second, ms), Qt::UTC);
}

inline ArchivedRun runOf(const QString &phrase, const QDateTime &started, const QString &fragment, const QString &token, int step)
{
    ArchivedRun run;
    run.phrase = phrase;
    run.host = QStringLiteral("www.google.it");
    run.fragment = fragment;
    run.started = started;
    if (step >= int(ArchiveStep::RunTokens))
        run.token = token;
    return run;
}

// The runs of the fixtures, with what each step could hold: a computer's run
// found on its second page (a classic page, then one of today's), the same
// phrase a week on, a run never ended, a phone's run in Milan; a picture, a
// shared list with a phrase done and one given back.
inline Result<void> writeRuns(Archive &archive, int step)
{
    RunArchive runs(archive);
    ArchivedRun first = runOf(QStringLiteral("bimby"), at(2, 8, 0, 1, 250), QStringLiteral("velmora.it"),
                              QStringLiteral("4b1e0c1a-7f3e-4a57-9a52-0d6c6f3a1b01"), step);
    first.italianOnly = true;
    const Result<qint64> one = runs.beginRun(first);
    if (!one)
        return one.failure();
    ArchivedPage classic{0, at(2, 8, 0, 3), PageReading::Classic, {}, std::nullopt, {}, 0};
    for (int i = 1; i <= 3; ++i)
        classic.results.append({i, QStringLiteral("https://www.sito%1.it/ricette?x=%1&y=\"a,b\"").arg(i), QString()});
    ArchivedPage today{10, at(2, 8, 0, 7, 5), PageReading::Today, {},
                       PageFeatures{2, 1, QStringLiteral("https://www.fonte.it/risposta"), true,
                                    {QStringLiteral("https://www.velmora.it/bimby"), QStringLiteral("https://www.altro.it/")}, true}, {}, 0};
    today.results.append({11, QStringLiteral("https://www.altro.it/"), QStringLiteral("Altro: ricette è \"facili\", veloci")});
    today.results.append({12, QStringLiteral("https://www.velmora.it/bimby"), QStringLiteral("Velmora - Bimby")});
    if (step >= int(ArchiveStep::KeptPages))
        today.kept = KeptMarkup{{}, PageCompression::compress("<!DOCTYPE html><html><body><div id=\"rso\">velmora</div></body></html>"),
                                1, 10};
    Result<void> done = runs.addPage(*one, classic);
    if (done)
        done = runs.addPage(*one, today);
    if (done)
        done = runs.keepPage(*one, today);
    if (done)
        done = runs.endRun(*one, RunEnd::Found, 12, at(2, 8, 0, 9, 999));
    if (done && step >= int(ArchiveStep::Pictures)) {
        ArchivedPicture picture{QStringLiteral("/home/utente/CercaPosizione/Pagine/bimby-1.jpg"), 48213, QRect(10, 620, 600, 80),
                                QSize(1366, 2400), {}};
        if (step >= int(ArchiveStep::PictureBytes))
            picture.jpeg = QByteArray("\xff\xd8\xff\xe0 bytes ", 12) + '\0' + QByteArray("\xff\xd9", 2);
        done = runs.addPicture(*one, picture);
    }
    if (!done)
        return done;

    const Result<qint64> two = runs.beginRun(runOf(QStringLiteral("bimby"), at(9, 8, 0), QStringLiteral("velmora.it"),
                                                   QStringLiteral("4b1e0c1a-7f3e-4a57-9a52-0d6c6f3a1b02"), step));
    if (!two)
        return two.failure();
    ArchivedPage later{0, at(9, 8, 0, 4), PageReading::Today, {}, PageFeatures{0, 0, QString(), false, {}, false}, {}, 0};
    later.results.append({1, QStringLiteral("https://www.altro.it/"), QStringLiteral("Altro")});
    later.results.append({2, QStringLiteral("https://www.velmora.it/"), QString()});
    done = runs.addPage(*two, later);
    if (done)
        done = runs.endRun(*two, RunEnd::NotFound, 10, at(9, 8, 0, 6));
    if (!done)
        return done;
    if (const Result<qint64> three = runs.beginRun(runOf(QStringLiteral("velmora ricette"), at(9, 9, 30), QStringLiteral("velmora"),
                                                         QString(), step));
        !three)
        return three.failure();

    if (step >= int(ArchiveStep::Places)) {
        ArchivedRun phone = runOf(QStringLiteral("bimby"), at(9, 10, 0), QStringLiteral("velmora.it"),
                                  QStringLiteral("4b1e0c1a-7f3e-4a57-9a52-0d6c6f3a1b04"), step);
        phone.place = SearchPlace{Device::Smartphone, QStringLiteral("it"), QStringLiteral("en"), QStringLiteral("Milan,Lombardy,Italy")};
        const Result<qint64> four = runs.beginRun(phone);
        if (!four)
            return four.failure();
        ArchivedPage page{0, at(9, 10, 0, 5), PageReading::Today, {}, PageFeatures{1, 0, QString(), false, {}, true}, {}, 0};
        page.results.append({1, QStringLiteral("https://www.velmora.it/bimby"), QStringLiteral("Velmora")});
        if (step >= int(ArchiveStep::LocalPack))
            page.features->pack = {{QStringLiteral("Bimby Point \"Duomo\""), QString(), QStringLiteral("https://maps.google.com/?cid=1")},
                                   {QStringLiteral("Velmora, negozio"), QStringLiteral("https://www.velmora.it/negozio"),
                                    QStringLiteral("https://maps.google.com/?cid=2")}};
        done = runs.addPage(*four, page);
        if (done)
            done = runs.endRun(*four, RunEnd::Found, 1, at(9, 10, 0, 8), step >= int(ArchiveStep::LocalPack) ? 2 : 0);
        if (!done)
            return done;
    }
    if (step >= int(ArchiveStep::SharedLists)) {
        SharedPhrases shared(archive);
        const QString list = QStringLiteral("settimana");
        done = shared.share(list, {QStringLiteral("uno"), QStringLiteral("due"), QStringLiteral("tre")}, false);
        for (const auto &[holder, outcome, checked] :
             {std::tuple{"macchina-a:101", "posizione 3", true}, std::tuple{"macchina-b:202", "in attesa di una risposta", false}}) {
            const Result<std::optional<SharedPhrases::Phrase>> taken =
                done ? shared.take(list, QLatin1String(holder), 120) : Result<std::optional<SharedPhrases::Phrase>>(done.failure());
            if (!taken || !*taken)
                return taken ? Failure{QStringLiteral("no phrase to take")} : taken.failure();
            done = shared.end(list, (*taken)->ord, QLatin1String(holder), QLatin1String(outcome), checked);
        }
    }
    if (done && step >= int(ArchiveStep::Grids)) {
        // A grid of two points measured and one not, ended.
        ArchivedGrid grid;
        grid.series = QStringLiteral("idraulico milano @ 45.4642,9.1900");
        grid.phrase = QStringLiteral("idraulico milano");
        grid.fragment = QStringLiteral("velmora");
        grid.size = 3;
        grid.spacingKm = 0.5;
        grid.centre = {45.4642, 9.19};
        grid.started = at(10, 7, 0);
        GridArchive grids(archive);
        const Result<qint64> id = grids.begin(grid);
        if (!id)
            return id.failure();
        const GridPointRecord points[] = {{{45.4687, 9.1836}, 2, 14, true, QStringLiteral("posizione 14")},
                                          {{45.4687, 9.19}, 0, std::nullopt, true, QStringLiteral("non trovato entro 30")},
                                          {{45.4687, -9.1964}, 0, std::nullopt, false, QStringLiteral("pagina non caricata")}};
        for (int i = 0; i < 3 && done; ++i)
            done = grids.addPoint(*id, i, points[i]);
        if (done)
            done = grids.end(*id, at(10, 7, 5));
    }
    return done;
}

// What an archive holds, as its readers read it: every series with its runs,
// their pictures, pages, results and features, the positions of "velmora",
// the run nearest to a time, every result as the export has them, and the
// shared list "settimana".
inline QString readingOf(Archive &archive)
{
    const auto time = [](const QDateTime &t) { return t.isValid() ? t.toUTC().toString(Qt::ISODateWithMs) : QStringLiteral("-"); };
    QString out;
    QTextStream s(&out);
    RunArchive runs(archive);
    ArchiveReports reports(archive);
    for (const QString &series : *runs.series()) {
        s << "serie " << series << "\n";
        for (const ArchivedRun &r : *runs.runsOf(series)) {
            s << " ricerca " << r.id << " | " << r.phrase << " | " << SearchPlaces::deviceName(r.place.device) << " " << r.place.country
              << " " << r.place.language << " " << r.place.place << " | " << r.host << " | " << (r.italianOnly ? "italiano" : "ovunque")
              << " | " << r.fragment << " | " << time(r.started) << " | " << time(r.ended) << " | " << RunEnds::name(r.end) << " "
              << r.position << "\n";
            if (r.packPlace > 0)
                s << "  pacchetto locale " << r.packPlace << "\n";
            for (const auto &[offset, kept] : *runs.keptPages(r.id)) {
                const Result<QByteArray> text = PageCompression::decompress(kept.compressed);
                s << "  pagina tenuta " << offset << " lettore " << kept.reader << " " << (text ? *text : text.error().toUtf8()) << "\n";
            }
            if (r.picture)
                s << "  immagine " << r.picture->file << " " << r.picture->bytes << " " << r.picture->hitBox.x() << ","
                  << r.picture->hitBox.y() << "," << r.picture->hitBox.width() << "," << r.picture->hitBox.height() << " "
                  << r.picture->size.width() << "x" << r.picture->size.height() << " jpeg " << runs.pictureJpeg(r.id)->toHex() << "\n";
            for (const ArchivedPage &p : r.pages) {
                s << "  pagina " << p.offset << " " << time(p.readAt) << " "
                  << (p.reading == PageReading::Classic ? "classica" : "attuale") << "\n";
                for (const ArchivedResult &x : p.results)
                    s << "   " << x.position << " " << x.address << " | " << x.title << "\n";
                if (p.features) {
                    s << "   blocchi " << p.features->adsTop << " " << p.features->adsBottom << " " << p.features->featured << " "
                      << p.features->aiOverview << " " << p.features->questions;
                    for (const QString &c : p.features->aiCited)
                        s << " " << c;
                    s << "\n";
                    for (const PackEntry &e : p.features->pack)
                        s << "   luogo " << e.name << " | " << e.website << " | " << e.maps << "\n";
                }
            }
        }
        for (const ArchiveReports::Position &p : *reports.positionsOf(series, QStringLiteral("velmora")))
            s << " posizione " << p.runId << " " << time(p.started) << " " << (p.position ? QString::number(*p.position) : "-") << "\n";
        const std::optional<ArchivedRun> near =
            *runs.runWithPictureNear(series, QDateTime(QDate(2026, 3, 2), QTime(8, 5), Qt::UTC));
        s << " immagine vicina " << (near ? QString::number(near->id) : "-") << "\n";
    }
    (void)reports.forEachResult(QString(), [&s](const ArchiveReports::ResultRow &row) {
        s << "risultato " << row.run->id << " " << row.result->position << " " << row.result->address << " "
          << (row.run->picture ? row.run->picture->file : "-") << "\n";
    });
    if (const std::optional<ArchivedGrid> grid = *GridArchive(archive).previous(QStringLiteral("idraulico milano @ 45.4642,9.1900"),
                                                                                std::numeric_limits<qint64>::max())) {
        s << "griglia " << grid->id << " | " << grid->phrase << " | " << grid->fragment << " | " << grid->size << " "
          << grid->spacingKm << " km | " << SearchPlaces::coordinatesText(grid->centre) << " | " << time(grid->started) << " | "
          << time(grid->ended) << "\n";
        for (const GridPointRecord &p : grid->points)
            s << " punto " << SearchPlaces::coordinatesText(p.point) << " " << p.packPlace << " "
              << (p.position ? QString::number(*p.position) : "-") << " " << p.measured << " " << p.result << "\n";
    }
    for (const SharedPhrases::State &state : *SharedPhrases(archive).states(QStringLiteral("settimana")))
        s << "condivisa " << state.ord << " " << state.phrase << " " << state.holder << " " << state.done << " " << state.outcome << "\n";
    return out;
}

// A file of the fixtures.
inline QByteArray fixture(const QString &name)
{
    QFile file(QStringLiteral(CERCA_TEST_ARCHIVES "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The rows of every table of an archive file, as INSERT statements that
// both databases take (bytes as X'..', which the test turns into a server's).
inline QString rowsOf(const QString &path)
{
    const auto literal = [](const QVariant &value) {
        if (value.isNull())
            return QStringLiteral("NULL");
        if (value.typeId() == QMetaType::QByteArray)
            return QStringLiteral("X'%1'").arg(QString::fromLatin1(value.toByteArray().toHex().toUpper()));
        if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int)
            return value.toString();
        return QLatin1Char('\'') + value.toString().replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
    };
    QString out;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("righe"));
        db.setDatabaseName(path);
        db.open();
        const std::pair<const char *, const char *> tables[] = {
            {"runs", "id"}, {"pages", "id"}, {"results", "page_id, position"}, {"page_features", "page_id"},
            {"ai_citations", "page_id, ord"}, {"pictures", "run_id"}, {"shared_phrases", "list, ord"}, {"kept_pages", "page_id"},
            {"pack_entries", "page_id, ord"}, {"grids", "id"}, {"grid_points", "grid_id, ord"}};
        for (const auto &[table, order] : tables) {
            QSqlQuery query(db);
            if (!query.exec(QStringLiteral("SELECT * FROM %1 ORDER BY %2").arg(QLatin1String(table), QLatin1String(order))))
                continue;   // not made yet at this step
            while (query.next()) {
                const QSqlRecord record = query.record();
                QStringList names;
                QStringList values;
                for (int i = 0; i < record.count(); ++i) {
                    names << (record.fieldName(i) == QLatin1String("offset") ? QStringLiteral("\"offset\"") : record.fieldName(i));
                    values << literal(query.value(i));
                }
                out += QStringLiteral("INSERT INTO %1 (%2) VALUES (%3);\n")
                           .arg(QLatin1String(table), names.join(QStringLiteral(", ")), values.join(QStringLiteral(", ")));
            }
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("righe"));
    return out;
}

// Writes stepN.sql and stepN-read.txt in `folder`; 0 when done.
inline int write(int step, const QString &folder)
{
    const QString path = QStringLiteral("%1/passo%2.sqlite").arg(folder).arg(step);
    for (const char *suffix : {"", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
    QString problem;
    {
        Archive archive(path);
        Result<void> written = archive.open(step);
        if (written)
            written = writeRuns(archive, step);
        problem = written.error();
    }
    QFile rows(QStringLiteral("%1/step%2.sql").arg(folder).arg(step));
    QFile reading(QStringLiteral("%1/step%2-read.txt").arg(folder).arg(step));
    if (problem.isEmpty() && rows.open(QIODevice::WriteOnly) && reading.open(QIODevice::WriteOnly)) {
        rows.write(QStringLiteral("-- The rows of an archive the program wrote at step %1 of its schema, with that step's own code.\n")
                       .arg(step).toUtf8()
                   + rowsOf(path).toUtf8());
        Archive archive(path);
        const Result<void> opened = archive.open();
        problem = opened.error();
        if (opened)
            reading.write(readingOf(archive).toUtf8());
    }
    for (const char *suffix : {"", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
    if (!problem.isEmpty())
        std::fprintf(stderr, "%s\n", qPrintable(problem));
    return problem.isEmpty() && rows.error() == QFile::NoError && reading.error() == QFile::NoError ? 0 : 1;
}

} // namespace ArchiveFixtures
