#include "store/datafolder.h"
#include "store/runpictures.h"
#include "store/unreadpages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

class TestDataFolder : public QObject
{
    Q_OBJECT
private slots:
    void writableProgramFolderIsUsed();
    void folderThatCannotExistFallsBack();
    void readOnlyFolderFallsBack();
    void installedCopyUsesThePerUserFolder();
    void filesLiveInTheChosenFolder();
    void unreadPagesAreNamedByTimeAndPhrase_data();
    void unreadPagesAreNamedByTimeAndPhrase();
    void onlyTheLatestUnreadPagesAreKept();
    void unreadPageThatCannotBeWrittenIsSaid();
    void onlyTheLatestPicturesOfASeriesAreKept_data();
    void onlyTheLatestPicturesOfASeriesAreKept();
    void pictureOnAFullDiskLeavesTheOthersWhole();
};

void TestDataFolder::installedCopyUsesThePerUserFolder()
{
    QTemporaryDir program;
    QTemporaryDir user;
    QCOMPARE(DataFolder::resolve(program.path(), user.path(), program.path() + QStringLiteral("/.")),
             QDir::cleanPath(user.path()));
    QCOMPARE(DataFolder::resolve(program.path(), user.path(), user.path()), QDir::cleanPath(program.path()));
}

void TestDataFolder::writableProgramFolderIsUsed()
{
    QTemporaryDir program;
    QTemporaryDir user;
    QCOMPARE(DataFolder::resolve(program.path(), user.path()), QDir::cleanPath(program.path()));
    // The probe leaves nothing behind.
    QCOMPARE(QDir(program.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

void TestDataFolder::folderThatCannotExistFallsBack()
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("program")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const QString perUser = dir.filePath(QStringLiteral("per-user/cerca-posizione"));
    QCOMPARE(DataFolder::resolve(file.fileName(), perUser), perUser);
    QVERIFY(QFileInfo(perUser).isDir());
}

void TestDataFolder::readOnlyFolderFallsBack()
{
    if (geteuid() == 0)
        QSKIP("root writes into read-only folders");
    QTemporaryDir program;
    QTemporaryDir user;
    QVERIFY(QFile::setPermissions(program.path(), QFile::ReadOwner | QFile::ExeOwner));
    const QString chosen = DataFolder::resolve(program.path(), user.path());
    QFile::setPermissions(program.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(chosen, QDir::cleanPath(user.path()));
}

void TestDataFolder::filesLiveInTheChosenFolder()
{
    const DataFolder folder(QStringLiteral("/opt/cerca"));
    QCOMPARE(folder.settingsFile(), QStringLiteral("/opt/cerca/Salvataggio.cfg"));
    QCOMPARE(folder.resultLog(), QStringLiteral("/opt/cerca/Risultato.txt"));
}

void TestDataFolder::unreadPagesAreNamedByTimeAndPhrase_data()
{
    QTest::addColumn<QString>("phrase");
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << "ricette bimby" << "2026-12-08 14.03.22 ricette bimby";
    QTest::newRow("separators, quotes and wildcards") << "a/b\\c:\"d\"*?<e>|" << "2026-12-08 14.03.22 a_b_c__d____e__";
    QTest::newRow("a dot at the end") << "bimby..." << "2026-12-08 14.03.22 bimby";
    QTest::newRow("long, cut") << QString(100, QLatin1Char('x')) << "2026-12-08 14.03.22 " + QString(60, QLatin1Char('x'));
    QTest::newRow("Cyrillic kept") << "\u0431\u0438\u043c\u0431\u0438" << "2026-12-08 14.03.22 \u0431\u0438\u043c\u0431\u0438";
}

void TestDataFolder::unreadPagesAreNamedByTimeAndPhrase()
{
    QFETCH(QString, phrase);
    QFETCH(QString, name);
    QTemporaryDir dir;
    const QDateTime when(QDate(2026, 12, 8), QTime(14, 3, 22));
    const QString path = UnreadPages::pathFor(dir.path(), when, phrase);
    QCOMPARE(path, dir.filePath(name));
    // The same second and phrase again: a name of its own.
    QCOMPARE(UnreadPages::keep(path, "<html></html>", "png"), QString());
    QCOMPARE(UnreadPages::pathFor(dir.path(), when, phrase), dir.filePath(name + QStringLiteral(" (2)")));
}

void TestDataFolder::onlyTheLatestUnreadPagesAreKept()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Pagine non lette"));
    const QDateTime start(QDate(2026, 1, 1), QTime(8, 0));
    for (int i = 0; i < UnreadPages::kKept + 3; ++i) {
        const QString path = UnreadPages::pathFor(folder, start.addSecs(i * 61), QStringLiteral("frase %1").arg(i));
        QCOMPARE(UnreadPages::keep(path, "<html></html>", i % 2 ? QByteArray("png") : QByteArray()), QString());
    }
    const QDir kept(folder);
    const QStringList pages = kept.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
    QCOMPARE(pages.size(), UnreadPages::kKept);
    QVERIFY(pages.constFirst().endsWith(QStringLiteral(" frase 3.html")));
    QVERIFY(!kept.exists(QStringLiteral("2026-01-01 08.01.01 frase 1.png")));   // a picture goes with its page
    QVERIFY(kept.exists(QStringLiteral("2026-01-01 08.03.03 frase 3.png")));
}

void TestDataFolder::unreadPageThatCannotBeWrittenIsSaid()
{
    QTemporaryDir dir;
    // A file where the folder should be.
    QFile blocker(dir.filePath(QStringLiteral("Pagine non lette")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString path = UnreadPages::pathFor(blocker.fileName(), QDateTime::currentDateTime(), QStringLiteral("bimby"));
    const QString problem = UnreadPages::keep(path, "<html></html>", "png");
    QVERIFY2(problem.contains(QStringLiteral("Pagine non lette")), qPrintable(problem));
    QCOMPARE(QFileInfo(blocker.fileName()).size(), 0);
}

void TestDataFolder::onlyTheLatestPicturesOfASeriesAreKept_data()
{
    QTest::addColumn<int>("runs");
    QTest::addColumn<int>("kept");
    QTest::newRow("12 runs, 10 kept") << 12 << 10;
    QTest::newRow("3 runs, 10 kept") << 3 << 10;
    QTest::newRow("a smaller setting removes the older at the next run") << 5 << 1;
}

void TestDataFolder::onlyTheLatestPicturesOfASeriesAreKept()
{
    QFETCH(int, runs);
    QFETCH(int, kept);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Pagine viste"));
    const QDateTime start(QDate(2026, 1, 1), QTime(8, 0));
    // Another series, and the same phrase on a phone, are left alone.
    const QStringList others{"ricette", "bimby [smartphone, Milan]"};
    for (const QString &other : others)
        QCOMPARE(RunPictures::keep(RunPictures::pathFor(folder, other, start), "jpeg", 1), QString());
    for (int i = 0; i < runs; ++i)
        QCOMPARE(RunPictures::keep(RunPictures::pathFor(folder, QStringLiteral("bimby"), start.addDays(7 * i)), "jpeg", kept),
                 QString());
    const QStringList pictures = QDir(QDir(folder).filePath(QStringLiteral("bimby"))).entryList(QDir::Files, QDir::Name);
    QCOMPARE(pictures.size(), std::min(runs, kept));
    QCOMPARE(pictures.constLast(), start.addDays(7 * (runs - 1)).toString(QStringLiteral("yyyy-MM-dd HH.mm.ss")) + ".jpg");
    for (const QString &other : others)
        QCOMPARE(QDir(QDir(folder).filePath(other)).entryList(QDir::Files).size(), 1);
    // A folder that cannot be made is said, and nothing else changes.
    QFile blocker(QDir(folder).filePath(QStringLiteral("vuota")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QVERIFY(!RunPictures::keep(RunPictures::pathFor(folder, QStringLiteral("vuota"), start), "jpeg", kept).isEmpty());
}

void TestDataFolder::pictureOnAFullDiskLeavesTheOthersWhole()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Pagine viste"));
    const QDateTime start(QDate(2026, 1, 1), QTime(8, 0));
    const QString first = RunPictures::pathFor(folder, QStringLiteral("bimby"), start);
    QCOMPARE(RunPictures::keep(first, QByteArray(2000, 'j'), 10), QString());
    // The disk fills: no file of this process may pass 4 KB.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit before{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &before), 0);
    rlimit full = before;
    full.rlim_cur = 4096;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &full), 0);
    const QString second = RunPictures::pathFor(folder, QStringLiteral("bimby"), start.addDays(7));
    const QString problem = RunPictures::keep(second, QByteArray(100000, 'j'), 1);
    setrlimit(RLIMIT_FSIZE, &before);
    QVERIFY2(!problem.isEmpty(), "a picture on a full disk is said");
    // No half picture, and the one kept before is whole.
    QVERIFY(!QFileInfo::exists(second));
    QCOMPARE(QFileInfo(first).size(), 2000);
}

QTEST_GUILESS_MAIN(TestDataFolder)
#include "tst_datafolder.moc"
