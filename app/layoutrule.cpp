#include "app/layoutrule.h"

namespace LayoutRule {

namespace {

void setSize(double &property, double value)
{
    if (value >= 0)
        property = value;
}

} // namespace

LayoutGeometry apply(const LayoutGeometry &current, double clientWidth, double clientHeight,
                     double outerWidth)
{
    LayoutGeometry g = current;
    setSize(g.list1Width, clientWidth / 2 - 50);
    setSize(g.list3Width, clientWidth / 2 - 50);
    g.list3Left = g.list1Width + 80;
    setSize(g.list2Width, clientWidth - 100);
    g.frame4Left = outerWidth / 2 - g.frame4Width / 2;
    g.frame4Top = clientHeight - g.frame4Height - 100;
    setSize(g.list1Height, clientHeight - g.frame4Height - 100);
    g.list2Height = g.list1Height;
    g.list3Height = g.list1Height;
    return g;
}

} // namespace LayoutRule
