#include "platform/qtdesktop.h"

#include <QTest>

class TestQtDesktop : public QObject
{
    Q_OBJECT
private slots:
    void editorStartsOnTheFullPath_data();
    void editorStartsOnTheFullPath();
};

void TestQtDesktop::editorStartsOnTheFullPath_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("result log") << "/home/utente/Cerca Posizione/Risultato.txt";
    QTest::newRow("settings file") << "/home/utente/Cerca Posizione/Salvataggio.cfg";
    QTest::newRow("quotes and semicolon stay one argument") << "/tmp/a\"b; rm -rf x/Risultato.txt";
}

void TestQtDesktop::editorStartsOnTheFullPath()
{
    QFETCH(QString, file);
    QStringList started;
    QtDesktop desktop([&](const QString &program, const QStringList &arguments) {
        started.append(program);
        started.append(arguments);
        return true;
    });
    qputenv("CERCA_POSIZIONE_EDITOR", "my-editor");
    desktop.startEditor(file);
    qunsetenv("CERCA_POSIZIONE_EDITOR");
    QCOMPARE(started, (QStringList{QStringLiteral("my-editor"), file}));
}

QTEST_GUILESS_MAIN(TestQtDesktop)
#include "tst_qtdesktop.moc"
