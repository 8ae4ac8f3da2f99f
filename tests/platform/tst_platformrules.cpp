#include "platform/addressrule.h"
#include "platform/editorcommand.h"
#include "platform/useragent.h"

#include <QTest>

class TestPlatformRules : public QObject
{
    Q_OBJECT
private slots:
    void onlyWebAddressesAreOpened_data();
    void onlyWebAddressesAreOpened();
    void editorCommand_data();
    void editorCommand();
    void userAgent_data();
    void userAgent();
};

void TestPlatformRules::onlyWebAddressesAreOpened_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("opened");
    QTest::newRow("http") << "http://www.bimby.it/" << true;
    QTest::newRow("https") << "https://www.bimby.it/a?b=c" << true;
    QTest::newRow("upper-case scheme") << "HTTP://www.bimby.it/" << true;
    QTest::newRow("home page") << "http://www.velmora.it/?Quoranta" << true;
    QTest::newRow("spaces in query") << "http://h/search?q=a b&start=0" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("local path") << "/usr/bin/xterm" << false;
    QTest::newRow("file") << "file:///etc/passwd" << false;
    QTest::newRow("javascript") << "javascript:alert(1)" << false;
    QTest::newRow("other scheme") << "ftp://a.it/" << false;
    QTest::newRow("cut https") << "ttps://www.bimby.it/" << false;
    QTest::newRow("no host") << "http:///etc/passwd" << false;
    QTest::newRow("scheme only") << "http://" << false;
}

void TestPlatformRules::onlyWebAddressesAreOpened()
{
    QFETCH(QString, address);
    QTEST(AddressRule::openableAddress(address).has_value(), "opened");
}

void TestPlatformRules::editorCommand_data()
{
    QTest::addColumn<QString>("variable");
    QTest::addColumn<bool>("windows");
    QTest::addColumn<QStringList>("onPath");
    QTest::addColumn<QString>("program"); // empty: no editor
    QTest::newRow("variable wins") << "myeditor" << false << QStringList{"gedit"} << "myeditor";
    QTest::newRow("notepad on windows") << "" << true << QStringList{} << "notepad.exe";
    QTest::newRow("first known editor") << "" << false << QStringList{"kate", "gedit"} << "/usr/bin/gedit";
    QTest::newRow("xdg-open last") << "" << false << QStringList{"xdg-open"} << "/usr/bin/xdg-open";
    QTest::newRow("nothing") << "" << false << QStringList{} << "";
}

void TestPlatformRules::editorCommand()
{
    QFETCH(QString, variable);
    QFETCH(bool, windows);
    QFETCH(QStringList, onPath);
    const QString file = QStringLiteral("/home/a b/Risultato.txt");
    const auto find = [&](const QString &name) {
        return onPath.contains(name) ? QStringLiteral("/usr/bin/") + name : QString();
    };
    const std::optional<EditorCommand> command = Editor::commandFor(file, variable, windows, find);
    QTEST(command ? command->program : QString(), "program");
    if (command)
        QCOMPARE(command->arguments, QStringList{file});
}

void TestPlatformRules::userAgent_data()
{
    QTest::addColumn<QString>("chosen");   // CERCA_POSIZIONE_USER_AGENT
    QTest::addColumn<QString>("sent");
    QTest::addColumn<QString>("sentByThePhone");
    QTest::newRow("the browser's, as Chrome with a window")
        << "" << "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/156.0.0.0 Safari/537.36"
        << "Mozilla/5.0 (Linux; Android 10; K) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/156.0.0.0 Mobile Safari/537.36";
    QTest::newRow("chosen replaces it whole") << "Mozilla/5.0 Prova/1.0" << "Mozilla/5.0 Prova/1.0" << "Mozilla/5.0 Prova/1.0";
}

void TestPlatformRules::userAgent()
{
    QFETCH(QString, chosen);
    qputenv("CERCA_POSIZIONE_USER_AGENT", chosen.toUtf8());
    const QString engine = QStringLiteral("Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) "
                                          "HeadlessChrome/156.0.0.0 Safari/537.36");
    QTEST(UserAgent::forEngine(engine), "sent");
    QTEST(UserAgent::forPhone(engine), "sentByThePhone");
    qunsetenv("CERCA_POSIZIONE_USER_AGENT");
}

QTEST_GUILESS_MAIN(TestPlatformRules)
#include "tst_platformrules.moc"
