#include "app/foundsites.h"
#include "app/horizontalextent.h"
#include "store/listorder.h"

#include <QTest>

class TestListRules : public QObject
{
    Q_OBJECT
private slots:
    void extentOfOneEntry_data();
    void extentOfOneEntry();
    void extentIsTheWidest();
    void entryAddress_data();
    void entryAddress();
    void popupOnlyOnRightButtonWithSelection_data();
    void popupOnlyOnRightButtonWithSelection();
    void sortedInsertIgnoresCase();
};

void TestListRules::extentOfOneEntry_data()
{
    QTest::addColumn<double>("width");
    QTest::addColumn<int>("extent");
    QTest::newRow("150 twips") << 150.0 / 15 << 20;
    QTest::newRow("82.5 rounds to even") << 82.5 << 92;
    QTest::newRow("83.5 rounds to even") << 83.5 << 94;
    QTest::newRow("0") << 0.0 << 10;
    QTest::newRow("fraction below half") << 20.4 << 30;
}

void TestListRules::extentOfOneEntry()
{
    QFETCH(double, width);
    QTEST(HorizontalExtent::ofEntry(width), "extent");
}

void TestListRules::extentIsTheWidest()
{
    const auto width = [](const QString &text) { return text.size() * 7.0; };
    QCOMPARE(HorizontalExtent::ofEntries({}, width), 0);
    QCOMPARE(HorizontalExtent::ofEntries({QStringLiteral("ab"), QStringLiteral("abcdef"), QStringLiteral("a")}, width),
             52);
    QCOMPARE(HorizontalExtent::ofEntries({QStringLiteral("a")}, width), 17);
}

void TestListRules::entryAddress_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("address");
    QTest::newRow("second dash stays") << "12 - pagina-uno" << "pagina-uno";
    QTest::newRow("ordinary") << "3 - http://www.bimby.it/" << "http://www.bimby.it/";
    QTest::newRow("empty address") << "3 - " << "";
    QTest::newRow("no dash drops the first character") << "abc" << "bc";
    QTest::newRow("dash last") << "5-" << "";
    QTest::newRow("empty entry") << "" << "";
}

void TestListRules::entryAddress()
{
    QFETCH(QString, entry);
    QTEST(FoundSites::entryAddress(entry), "address");
}

void TestListRules::popupOnlyOnRightButtonWithSelection_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<int>("selected");
    QTest::addColumn<bool>("offered");
    QTest::newRow("right, selected") << Qt::RightButton << 2 << true;
    QTest::newRow("right, none selected") << Qt::RightButton << -1 << false;
    QTest::newRow("left") << Qt::LeftButton << 0 << false;
    QTest::newRow("middle") << Qt::MiddleButton << 0 << false;
}

void TestListRules::popupOnlyOnRightButtonWithSelection()
{
    QFETCH(Qt::MouseButton, button);
    QFETCH(int, selected);
    QTEST(FoundSites::offersPopup(button, selected), "offered");
    QCOMPARE(FoundSites::resultsPageCaption(QStringLiteral("Google")), QStringLiteral("Apri la pagina Google"));
}

void TestListRules::sortedInsertIgnoresCase()
{
    QStringList list;
    for (const QString &phrase : {QStringLiteral("zeta"), QStringLiteral("alfa"), QStringLiteral("Bimby"),
                                  QStringLiteral("bimby"), QStringLiteral("Alfa")})
        list.insert(ListOrder::insertPosition(list, phrase), phrase);
    QCOMPARE(list, (QStringList{"alfa", "Alfa", "Bimby", "bimby", "zeta"}));
    QStringList sorted{"zeta", "alfa", "Bimby", "bimby", "Alfa"};
    ListOrder::sort(sorted);
    QCOMPARE(sorted, list);
}

QTEST_GUILESS_MAIN(TestListRules)
#include "tst_listrules.moc"
