#include "badbytes.h"
#include "store/settingsfile.h"
#include "store/textfile.h"

#include <QElapsedTimer>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>


class TestSettingsFile : public QObject
{
    Q_OBJECT
private slots:
    void loadsWhatTheFileHolds_data();
    void loadsWhatTheFileHolds();
    void savesFragmentLimitAndNonEmptyHistory();
    void missingFileLoadsNothing();
    void roundTripKeepsEveryCharacter();
    void badFilesLoadAndSaveBack_data();
    void badFilesLoadAndSaveBack();
};

namespace {

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

void TestSettingsFile::loadsWhatTheFileHolds_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<QString>("fragment");
    QTest::addColumn<QString>("limit");
    QTest::addColumn<QStringList>("history");
    QTest::newRow("written by a first run") << QByteArray("velmora\r\n10\r\nbimby\r\n") << true
                                            << "velmora" << "10" << QStringList{"bimby"};
    QTest::newRow("hand-edited order kept") << QByteArray("v\r\n5\r\nzeta\r\nalfa\r\n") << true
                                            << "v" << "5" << QStringList{"zeta", "alfa"};
    QTest::newRow("empty line and duplicates kept") << QByteArray("v\r\n5\r\na\r\n\r\na\r\n") << true
                                                    << "v" << "5" << QStringList{"a", "", "a"};
    QTest::newRow("two lines") << QByteArray("v\r\n5\r\n") << true << "v" << "5" << QStringList{};
    QTest::newRow("lf only") << QByteArray("v\n5\nbimby") << true << "v" << "5" << QStringList{"bimby"};
    QTest::newRow("limit not a number kept") << QByteArray("v\r\nabc\r\n") << true << "v" << "abc" << QStringList{};
    QTest::newRow("one line") << QByteArray("velmora\r\n") << false << "" << "" << QStringList{};
    QTest::newRow("empty") << QByteArray() << false << "" << "" << QStringList{};
}

void TestSettingsFile::loadsWhatTheFileHolds()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, loaded);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Salvataggio.cfg"));
    writeBytes(path, bytes);
    const std::optional<Settings> settings = SettingsFile::load(path);
    QCOMPARE(settings.has_value(), loaded);
    if (!loaded)
        return;
    QTEST(settings->fragment, "fragment");
    QTEST(settings->pageLimit, "limit");
    QTEST(settings->history, "history");
}

void TestSettingsFile::savesFragmentLimitAndNonEmptyHistory()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Salvataggio.cfg"));
    QVERIFY(SettingsFile::save(path, {QStringLiteral("velmora"), QStringLiteral("10"),
                                      {QStringLiteral("bimby"), QString(), QStringLiteral("bimby tm31"),
                                       QStringLiteral("ricette bimby")}}));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("velmora\r\n10\r\nbimby\r\nbimby tm31\r\nricette bimby\r\n"));
}

void TestSettingsFile::missingFileLoadsNothing()
{
    QTemporaryDir dir;
    QVERIFY(!SettingsFile::load(dir.filePath(QStringLiteral("Salvataggio.cfg"))));
}

void TestSettingsFile::roundTripKeepsEveryCharacter()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Salvataggio.cfg"));
    const Settings saved{QStringLiteral("però"), QStringLiteral("3"),
                         {QStringLiteral("ricette \"veloci\""), QStringLiteral("рецепты"), QStringLiteral("日本語 n°")}};
    QVERIFY(SettingsFile::save(path, saved));
    const std::optional<Settings> loaded = SettingsFile::load(path);
    QVERIFY(loaded);
    QCOMPARE(loaded->fragment, saved.fragment);
    QCOMPARE(loaded->pageLimit, saved.pageLimit);
    QCOMPARE(loaded->history, saved.history);
}

void TestSettingsFile::badFilesLoadAndSaveBack_data()
{
    BadBytes::addRows();
}

void TestSettingsFile::badFilesLoadAndSaveBack()
{
    // Whatever the file holds: every line is read, none is lost on the way
    // back, and what was written reads back the same.
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Salvataggio.cfg"));
    writeBytes(path, bytes);
    QElapsedTimer clock;
    clock.start();
    const std::optional<Settings> loaded = SettingsFile::load(path);
    const qint64 loadTime = clock.restart();
    const qsizetype lines = TextFile::splitLines(bytes).size();
    QCOMPARE(loaded.has_value(), lines >= 2);
    if (!loaded)
        return;
    QCOMPARE(loaded->history.size(), lines - 2);

    QVERIFY(SettingsFile::save(path, *loaded));
    const qint64 saveTime = clock.restart();
    const std::optional<Settings> again = SettingsFile::load(path);
    QVERIFY(again);
    QCOMPARE(again->fragment, loaded->fragment);
    QCOMPARE(again->pageLimit, loaded->pageLimit);
    QStringList phrases = loaded->history;
    phrases.removeAll(QString());
    QCOMPARE(again->history, phrases);
    if (bytes.size() > 1024 * 1024)
        qInfo("%lld bytes: loaded in %lld ms, saved in %lld ms", qlonglong(bytes.size()), loadTime, saveTime);
}

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
