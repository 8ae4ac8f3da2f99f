#include "app/history/competitorsmodel.h"
#include "app/history/competitorswindow.h"
#include "store/archive.h"
#include "store/runarchive.h"
#include "spreadsheet.h"
#include "watchdog.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

class TestCompetitors : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void latestRunAgainstTheOneBefore_data();
    void latestRunAgainstTheOneBefore();
    void confrontaConReadsEveryRun();
    void leadingSitesAndTheUsersOwn();
    void pageFeaturesPerRun();
    void windowShowsAndExports();
    void exportsKeepFormulasAsText_data();
    void exportsKeepFormulasAsText();
    void aFailedReadIsSaid();

private:
    // A run of `phrase` a week after the last, with these hosts in order.
    void addRun(const QStringList &hosts, std::optional<PageFeatures> features = std::nullopt);
    QString path() const { return m_dir->filePath(QStringLiteral("Archivio.sqlite")); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Archive> m_archive;
    QDateTime m_when;
};

void TestCompetitors::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_archive = std::make_unique<Archive>(path());
    QVERIFY(m_archive->open());
    m_when = QDateTime(QDate(2026, 10, 5), QTime(8, 0));
}

void TestCompetitors::addRun(const QStringList &hosts, std::optional<PageFeatures> features)
{
    ArchivedRun run;
    run.phrase = QStringLiteral("bimby");
    run.fragment = QStringLiteral("velmora");
    run.started = m_when;
    m_when = m_when.addDays(7);
    const qint64 id = *RunArchive(*m_archive).beginRun(run);
    if (hosts.isEmpty()) {
        QVERIFY(RunArchive(*m_archive).endRun(id, RunEnd::WaitingForUser, 0, run.started));
        return;
    }
    ArchivedPage page{0, run.started, features ? PageReading::Today : PageReading::Classic, {}, features, {}, 0};
    for (const QString &host : hosts)
        page.results.append(ArchivedResult{page.results.size() + 1, QStringLiteral("http://%1/").arg(host), host.toUpper()});
    QVERIFY(RunArchive(*m_archive).addPage(id, page));
    const qint64 found = hosts.indexOf(QStringLiteral("velmora.it")) + 1;
    QVERIFY(RunArchive(*m_archive).endRun(id, found > 0 ? RunEnd::Found : RunEnd::ResultsEnded, found > 0 ? found : hosts.size(),
                              run.started.addSecs(10)));
}

void TestCompetitors::latestRunAgainstTheOneBefore_data()
{
    QTest::addColumn<QList<QStringList>>("runs");
    QTest::addColumn<QList<QStringList>>("rows");   // position, move, address
    QTest::newRow("one run: all new")
        << QList<QStringList>{{"a.it", "b.it"}}
        << QList<QStringList>{{"1", "nuovo", "http://a.it/"}, {"2", "nuovo", "http://b.it/"}};
    // d.it dropped out; e.it stood deeper than the latest run read.
    const QList<QStringList> moved{{"1", "+2", "http://c.it/"}, {"2", "-1", "http://a.it/"},
                                   {"3", "nuovo", "http://x.it/"}, {"4", "-2", "http://b.it/"},
                                   {"", "uscito (era 4)", "http://d.it/"}};
    QTest::newRow("moves and a site out")
        << QList<QStringList>{{"a.it", "b.it", "c.it", "d.it", "e.it"}, {"c.it", "a.it", "x.it", "b.it"}} << moved;
    QTest::newRow("a run that read nothing is passed over")
        << QList<QStringList>{{"a.it", "b.it", "c.it", "d.it", "e.it"}, {"c.it", "a.it", "x.it", "b.it"}, {}} << moved;
    QTest::newRow("unchanged")
        << QList<QStringList>{{"a.it", "b.it"}, {"a.it", "b.it"}}
        << QList<QStringList>{{"1", "=", "http://a.it/"}, {"2", "=", "http://b.it/"}};
}

void TestCompetitors::latestRunAgainstTheOneBefore()
{
    QFETCH(QList<QStringList>, runs);
    QFETCH(QList<QStringList>, rows);
    for (const QStringList &hosts : runs)
        addRun(hosts);
    CompetitorsModel model(*m_archive, QStringLiteral("bimby"));
    QList<QStringList> read;
    for (const QStringList &row : model.results()->rows())
        read.append(row.mid(0, 3));
    QCOMPARE(read, rows);
}

void TestCompetitors::confrontaConReadsEveryRun()
{
    addRun({"a.it", "concorrente.it", "b.it"});
    addRun({"concorrente.it", "a.it"});
    addRun({});   // read nothing: left out
    addRun({"a.it", "b.it"});
    CompetitorsModel model(*m_archive, QStringLiteral("bimby"));
    const CompetitorsModel::Series series = *model.compareWith(QStringLiteral("concorrente"));
    QCOMPARE(model.comparison()->rows(), (QList<QStringList>{{"2026-10-05 08:00", "2"}, {"2026-10-12 08:00", "1"},
                                                              {"2026-10-26 08:00", "non presente"}}));
    QCOMPARE(series.points.size(), 2);
    QCOMPARE(series.points[1].y(), 1.0);
    QCOMPARE(QDateTime::fromMSecsSinceEpoch(qint64(series.points[1].x())), QDateTime(QDate(2026, 10, 12), QTime(8, 0)));
}

void TestCompetitors::leadingSitesAndTheUsersOwn()
{
    addRun({"a.it", "velmora.it", "b.it", "c.it", "d.it", "e.it", "f.it"});
    addRun({"b.it", "velmora.it", "a.it", "c.it", "d.it", "e.it", "f.it", "g.it"});
    CompetitorsModel model(*m_archive, QStringLiteral("bimby"));
    const QList<CompetitorsModel::Series> series = model.series();
    QStringList names;
    for (const CompetitorsModel::Series &one : series)
        names << one.name;
    // The user's own site is no competitor: its line is the last.
    QCOMPARE(names, (QStringList{"b.it", "a.it", "c.it", "d.it", "e.it", "velmora"}));
    QVERIFY(series.constLast().own);
    QCOMPARE(series.constLast().points.size(), 2);
    QCOMPARE(series.constLast().points[1].y(), 2.0);
    QCOMPARE(series[0].points[0].y(), 3.0);
    QCOMPARE(series[1].points[1].y(), 3.0);
}

void TestCompetitors::pageFeaturesPerRun()
{
    addRun({"a.it", "velmora.it"});
    addRun({"a.it", "velmora.it"}, PageFeatures{3, 1, QStringLiteral("http://a.it/"), true,
                                                {QStringLiteral("http://www.velmora.it/ricetta")}, true});
    addRun({"a.it", "b.it"}, PageFeatures{0, 0, QString(), true, {QStringLiteral("http://b.it/")}, false});
    CompetitorsModel model(*m_archive, QStringLiteral("bimby"));
    QCOMPARE(model.features()->rows(),
             (QList<QStringList>{{"2026-10-05 08:00", "posizione 2", "-", "-", "-", "-", "-", "-"},
                                 {"2026-10-12 08:00", "posizione 2", "3", "1", "http://a.it/", "sì", "sì", "sì"},
                                 {"2026-10-19 08:00", "risultati finiti dopo 2", "0", "0", "no", "sì", "no", "no"}}));
}

void TestCompetitors::windowShowsAndExports()
{
    addRun({"a.it", "velmora.it"});
    addRun({"velmora.it", "concorrente.it"});
    CompetitorsWindow window(path(), QStringLiteral("bimby"));
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.windowTitle(), QStringLiteral("Concorrenti - bimby"));
    auto *field = window.findChild<QLineEdit *>(QStringLiteral("ConfrontaCon"));
    QTest::keyClicks(field, QStringLiteral("concorrente.it"));
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(window.model()->comparison()->rows().size(), 2);
    auto *chart = window.findChild<QChartView *>(QStringLiteral("Grafico"))->chart();
    QCOMPARE(chart->series().size(), 1 + 1 + 1);   // one other site, the user's own, the comparison
    // The table in front, as CSV.
    const QString csv = m_dir->filePath(QStringLiteral("confronto.csv"));
    QVERIFY(window.exportTable(csv));
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("data e ora,posizione\r\n2026-10-05 08:00,non presente\r\n2026-10-12 08:00,2\r\n"));
    QVERIFY(!window.exportTable(m_dir->filePath(QStringLiteral("manca/confronto.csv"))));
    // A phrase with no runs says so.
    CompetitorsWindow empty(path(), QStringLiteral("altro"));
    QVERIFY(empty.model()->runs().isEmpty());
}

void TestCompetitors::exportsKeepFormulasAsText_data()
{
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QStringList>("bytes");
    QTest::newRow("moves are numbers, signs and all") << QStringList{"3", "-2", "=HYPERLINK(\"x\")", "@velmora"}
                                                    << QStringList{"3", "-2", "=HYPERLINK(\"x\")", "@velmora"}
                                                    << QStringList{"3", "-2", "\"'=HYPERLINK(\"\"x\"\")\"", "'@velmora"};
    QTest::newRow("a move up") << QStringList{"1", "+2", "+39 333", "\tbimby"} << QStringList{"1", "+2", "+39 333", "\tbimby"}
                               << QStringList{"1", "+2", "'+39 333", "'\tbimby"};
    QTest::newRow("words in a column of numbers are text") << QStringList{"", "=", "-", "\rbimby"}
                                                          << QStringList{"", "=", "-", "\rbimby"}
                                                          << QStringList{"", "'=", "'-", "\"'\rbimby\""};
}

// What a spreadsheet sees of the tables' CSV: the numbers as numbers, every
// text as it stands, none taken for a formula.
void TestCompetitors::exportsKeepFormulasAsText()
{
    QFETCH(QStringList, cells);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, bytes);
    TextTable table({QStringLiteral("posizione"), QStringLiteral("variazione"), QStringLiteral("indirizzo"), QStringLiteral("titolo")},
                    {0, 1});
    table.setRows({cells});
    const QByteArray csv = table.csv();
    QCOMPARE(csv.mid(csv.indexOf("\r\n") + 2), bytes.join(QLatin1Char(',')).toUtf8() + "\r\n");
    const QStringList row = Spreadsheet::rows(csv).constLast();
    QCOMPARE(row.size(), shown.size());
    for (qsizetype i = 0; i < row.size(); ++i) {
        QVERIFY2(Spreadsheet::seen(row[i]) != Spreadsheet::Seen::Formula, qPrintable(row[i]));
        QCOMPARE(Spreadsheet::shown(row[i]), shown[i]);
    }
    // The latest run's moves, as the window writes them.
    addRun({"a.it", "b.it", "c.it"});
    addRun({"c.it", "a.it", "b.it"}, PageFeatures{0, 0, QStringLiteral("=1+1"), false, {}, false});
    CompetitorsModel model(*m_archive, QStringLiteral("bimby"));
    const QList<QStringList> results = Spreadsheet::rows(model.results()->csv());
    QCOMPARE(results[1].mid(0, 2), (QStringList{"1", "+2"}));
    QCOMPARE(results[2].mid(0, 2), (QStringList{"2", "-1"}));
    const QList<QStringList> features = Spreadsheet::rows(model.features()->csv());
    QCOMPARE(features[1][2], QStringLiteral("'-"));   // no page of today's markup: nothing to count
    QCOMPARE(features[2][4], QStringLiteral("'=1+1"));
}

// An archive that fails the read says so, and shows no part of its runs.
void TestCompetitors::aFailedReadIsSaid()
{
    addRun({"a.it", "velmora.it"});
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("altro"));
        other.setDatabaseName(path());
        QVERIFY(other.open());
        QVERIFY(QSqlQuery(other).exec(QStringLiteral("ALTER TABLE results RENAME TO altrove")));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("altro"));
    CompetitorsWindow window(path(), QStringLiteral("bimby"));
    QVERIFY(window.model()->runs().isEmpty());
    const QString status = window.findChild<QLabel *>(QStringLiteral("Stato"))->text();
    QVERIFY2(status.startsWith(QStringLiteral("Impossibile leggere l'archivio ")) && status.contains(QLatin1String("results")),
             qPrintable(status));
}

CERCA_WATCHED_TEST_MAIN(TestCompetitors)
#include "tst_competitors.moc"
