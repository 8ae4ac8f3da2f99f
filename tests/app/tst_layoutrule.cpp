#include "app/layoutrule.h"

#include <QTest>

class TestLayoutRule : public QObject
{
    Q_OBJECT
private slots:
    void designSize();
    void maximizedAndRestored();
    void negativeSizesKeepTheirValues_data();
    void negativeSizesKeepTheirValues();
};

namespace {

LayoutGeometry design()
{
    LayoutGeometry g;
    g.list1Width = 8835;
    g.list1Height = 5325;
    g.list2Width = 1275;
    g.list2Height = 450;
    g.list3Left = 8940;
    g.list3Width = 2085;
    g.list3Height = 5325;
    g.frame4Left = 120;
    g.frame4Top = 5430;
    g.frame4Width = 10935;
    g.frame4Height = 1305;
    return g;
}

} // namespace

void TestLayoutRule::designSize()
{
    const LayoutGeometry g = LayoutRule::apply(design(), 11220, 6885, 11310);
    QCOMPARE(g.list1Width, 5560.0);
    QCOMPARE(g.list3Width, 5560.0);
    QCOMPARE(g.list3Left, 5640.0);
    QCOMPARE(g.list2Width, 11120.0);
    QCOMPARE(g.list1Height, 5480.0);
    QCOMPARE(g.list2Height, 5480.0);
    QCOMPARE(g.list3Height, 5480.0);
    QCOMPARE(g.frame4Top, 5480.0);
    QCOMPARE(g.frame4Left, 187.5);
    QCOMPARE(g.frame4Width, 10935.0);
    QCOMPARE(g.frame4Height, 1305.0);
}

void TestLayoutRule::maximizedAndRestored()
{
    const LayoutGeometry shown = LayoutRule::apply(design(), 11220, 6885, 11310);
    const LayoutGeometry maximized = LayoutRule::apply(shown, 28800, 15600, 28800);
    QCOMPARE(maximized.list1Width, 14350.0);
    QCOMPARE(maximized.list3Left, 14430.0);
    QCOMPARE(maximized.list1Height, 14195.0);
    QCOMPARE(maximized.frame4Left, 14400 - 10935 / 2.0);
    QCOMPARE(LayoutRule::apply(maximized, 11220, 6885, 11310), shown);
}

void TestLayoutRule::negativeSizesKeepTheirValues_data()
{
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("height");
    QTest::newRow("minimized") << 0.0 << 0.0;
    QTest::newRow("lower than the panel") << 11220.0 << 1400.0;
    QTest::newRow("narrow") << 60.0 << 6885.0;
}

void TestLayoutRule::negativeSizesKeepTheirValues()
{
    QFETCH(double, width);
    QFETCH(double, height);
    const LayoutGeometry shown = LayoutRule::apply(design(), 11220, 6885, 11310);
    const LayoutGeometry g = LayoutRule::apply(shown, width, height, width);
    if (width / 2 - 50 < 0) {
        QCOMPARE(g.list1Width, shown.list1Width);
        QCOMPARE(g.list3Width, shown.list3Width);
        QCOMPARE(g.list3Left, shown.list1Width + 80);
    }
    if (width - 100 < 0)
        QCOMPARE(g.list2Width, shown.list2Width);
    if (height - 1405 < 0) {
        QCOMPARE(g.list1Height, shown.list1Height);
        QCOMPARE(g.list3Height, shown.list1Height);
        // A negative position is taken as it is.
        QCOMPARE(g.frame4Top, height - 1405);
    }
    QCOMPARE(LayoutRule::apply(g, 11220, 6885, 11310), shown);
}

QTEST_GUILESS_MAIN(TestLayoutRule)
#include "tst_layoutrule.moc"
