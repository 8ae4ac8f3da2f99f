#include "store/datafolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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

QTEST_GUILESS_MAIN(TestDataFolder)
#include "tst_datafolder.moc"
