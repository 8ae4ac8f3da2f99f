#include "cli/commandline.h"

#include <QTest>

Q_DECLARE_METATYPE(CommandLine::Action)

class TestCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
};

void TestCommandLine::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<CommandLine::Action>("action");
    QTest::addColumn<QString>("error");   // what the line says, in part
    using A = CommandLine::Action;
    QTest::newRow("none: the window") << QStringList{} << A::Window << "";
    QTest::newRow("help") << QStringList{"--help"} << A::Help << "";
    QTest::newRow("version") << QStringList{"--version"} << A::Version << "";
    QTest::newRow("a list") << QStringList{"--elenco", "f.txt", "--frammento", "velmora"} << A::List << "";
    QTest::newRow("a list, every option") << QStringList{"--elenco=f.txt", "--frammento", "velmora", "--pagine", "3",
                                                         "--solo-italiano", "--pausa", "60"} << A::List << "";
    QTest::newRow("no fragment") << QStringList{"--elenco", "f.txt"} << A::Error << "manca --frammento";
    QTest::newRow("fragment without a list") << QStringList{"--frammento", "x"} << A::Error << "--frammento vale solo con --elenco";
    QTest::newRow("page limit 0") << QStringList{"--elenco", "f", "--frammento", "x", "--pagine", "0"} << A::Error << "--pagine";
    QTest::newRow("page limit abc") << QStringList{"--elenco", "f", "--frammento", "x", "--pagine", "abc"} << A::Error << "\"abc\"";
    QTest::newRow("pause of 4 s") << QStringList{"--elenco", "f", "--frammento", "x", "--pausa", "4"} << A::Error << "almeno 5";
    QTest::newRow("a list left running") << QStringList{"--elenco", "f", "--frammento", "x", "--attesa", "90", "--riprendi"}
                                         << A::List << "";
    QTest::newRow("wait of 0 s") << QStringList{"--elenco", "f", "--frammento", "x", "--attesa", "0"} << A::Error << "--attesa";
    QTest::newRow("a settling of 15 s") << QStringList{"--elenco", "f", "--frammento", "x", "--attesa-lettura", "15"}
                                        << A::List << "";
    QTest::newRow("a settling of 21 s") << QStringList{"--elenco", "f", "--frammento", "x", "--attesa-lettura", "21"}
                                        << A::Error << "da 0 a 20";
    QTest::newRow("a settling without a list") << QStringList{"--attesa-lettura", "5"} << A::Error
                                               << "--attesa-lettura vale solo con --elenco";
    QTest::newRow("check pages waited out") << QStringList{"--elenco", "f", "--frammento", "x", "--pausa-verifica", "60",
                                                           "--attesa-verifica", "0"} << A::List << "";
    QTest::newRow("a cool-down of 0 s") << QStringList{"--elenco", "f", "--frammento", "x", "--pausa-verifica", "0"}
                                        << A::Error << "--pausa-verifica vuole un numero intero di secondi da 1";
    QTest::newRow("a total wait under 0") << QStringList{"--elenco", "f", "--frammento", "x", "--attesa-verifica", "-1"}
                                          << A::Error << "--attesa-verifica vuole un numero intero di secondi da 0";
    QTest::newRow("a summary without a list") << QStringList{"--riepilogo", "r.csv"} << A::Error
                                              << "--riepilogo vale solo con --elenco";
    QTest::newRow("a summary without its file") << QStringList{"--elenco", "f", "--frammento", "x", "--riepilogo", ""}
                                                << A::Error << "--riepilogo vuole il nome del file CSV";
    QTest::newRow("resume without a list") << QStringList{"--riprendi"} << A::Error << "--riprendi vale solo con --elenco";
    QTest::newRow("export") << QStringList{"--esporta-archivio", "a.csv", "--frase", "bimby"} << A::Export << "";
    QTest::newRow("export without a file") << QStringList{"--esporta-archivio", ""} << A::Error << "nome del file CSV";
    QTest::newRow("phrase without export") << QStringList{"--frase", "bimby"} << A::Error << "--frase vale solo con --esporta";
    QTest::newRow("every reading without export") << QStringList{"--ogni-lettura"} << A::Error
                                                  << "--ogni-lettura vale solo con --esporta";
    QTest::newRow("export and a list") << QStringList{"--esporta-archivio", "a.csv", "--elenco", "f", "--frammento", "x"}
                                       << A::Error << "non vanno insieme";
    const QStringList list{"--elenco", "f", "--frammento", "x"};
    QTest::newRow("a phone in Milan, in English")
        << list + QStringList{"--dispositivo", "Smartphone", "--paese", "US", "--lingua", "en", "--luogo", " Milan,Lombardy,Italy"}
        << A::List << "";
    QTest::newRow("a tablet") << list + QStringList{"--dispositivo", "tablet"} << A::Error << "computer o smartphone";
    QTest::newRow("a place without its country") << list + QStringList{"--luogo", "Milan"} << A::Error << "Milan,Lombardy,Italy";
    QTest::newRow("a country of three letters") << list + QStringList{"--paese", "ita"} << A::Error << "due lettere";
    QTest::newRow("a language that is no code") << list + QStringList{"--lingua", "italiano"} << A::Error << "codice di lingua";
    QTest::newRow("a device without a list") << QStringList{"--dispositivo", "smartphone"} << A::Error
                                             << "--dispositivo vale solo con --elenco";
    QTest::newRow("unknown option") << QStringList{"--tutto"} << A::Error << "tutto";
    QTest::newRow("a grid") << QStringList{"--griglia", "5", "--centro", "45.4642,9.1900", "--passo", "0,5", "--frase",
                                           "idraulico milano", "--frammento", "velmora", "--riprendi"} << A::Grid << "";
    QTest::newRow("a grid from a named place") << QStringList{"--griglia", "5", "--centro", "45.4642,9.1900", "--passo", "1",
                                                              "--frase", "f", "--frammento", "x", "--luogo", "Milan,Lombardy,Italy"}
                                               << A::Error << "--luogo non vale con --griglia";
    QTest::newRow("a centre that is a name") << QStringList{"--griglia", "5", "--centro", "Milano", "--passo", "1", "--frase", "f",
                                                            "--frammento", "x"} << A::Error << "\"Milano\"";
    QTest::newRow("a stray argument") << QStringList{"frasi.txt"} << A::Error << "frasi.txt";
}

void TestCommandLine::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    const CommandLine line = CommandLine::parse(QStringList{"cerca-posizione"} + arguments);
    QTEST(line.action, "action");
    QVERIFY2(line.error.contains(error), qPrintable(line.error));
    QCOMPARE(line.error.isEmpty(), error.isEmpty());
    if (QTest::currentDataTag() == QByteArray("a list, every option")) {
        QCOMPARE(line.listFile, QStringLiteral("f.txt"));
        QCOMPARE(line.fragment, QStringLiteral("velmora"));
        QCOMPARE(line.pageLimit, QStringLiteral("3"));
        QVERIFY(line.italianOnly);
        QCOMPARE(line.pauseSeconds, 60);
    } else if (QTest::currentDataTag() == QByteArray("a list left running")) {
        QCOMPARE(line.pageSeconds, 90);
        QVERIFY(line.resume);
    } else if (QTest::currentDataTag() == QByteArray("check pages waited out")) {
        QCOMPARE(line.coolDownSeconds, 60);
        QCOMPARE(line.coolDownTotalSeconds, 0);
    } else if (QTest::currentDataTag() == QByteArray("export")) {
        QCOMPARE(line.exportFile, QStringLiteral("a.csv"));
        QCOMPARE(line.phrase, QStringLiteral("bimby"));
    } else if (QTest::currentDataTag() == QByteArray("a list")) {
        QCOMPARE(line.pageLimit, QStringLiteral("10"));
        QCOMPARE(line.pauseSeconds, 10);
        QCOMPARE(line.pageSeconds, 60);
        QVERIFY(!line.resume);
        QVERIFY(!line.italianOnly);
        QVERIFY(line.place.isDefault());
        QCOMPARE(line.settleSeconds, std::nullopt);
    } else if (QTest::currentDataTag() == QByteArray("a grid")) {
        QCOMPARE(line.grid.size, 5);
        QCOMPARE(line.grid.spacingKm, 0.5);
        QCOMPARE(line.grid.centre, (Coordinates{45.4642, 9.19}));
        QCOMPARE(line.grid.phrase, QStringLiteral("idraulico milano"));
        QVERIFY(line.resume);
    } else if (QTest::currentDataTag() == QByteArray("a settling of 15 s")) {
        QCOMPARE(line.settleSeconds, 15);
    } else if (QTest::currentDataTag() == QByteArray("a phone in Milan, in English")) {
        QCOMPARE(line.place, (SearchPlace{Device::Smartphone, "us", "en", "Milan,Lombardy,Italy"}));
    }
    if (line.error.isEmpty())
        return;
    QVERIFY(line.error.startsWith(QStringLiteral("cerca-posizione: ")));
    QVERIFY(!line.error.contains(QLatin1Char('\n')));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
