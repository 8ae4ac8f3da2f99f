#pragma once

// The window's layout on a resize, in twips. Each property is set on its own:
// a computed width or height that is negative leaves that property as it was.
struct LayoutGeometry
{
    double list1Width = 0;
    double list1Height = 0;
    double list2Width = 0;
    double list2Height = 0;
    double list3Left = 0;
    double list3Width = 0;
    double list3Height = 0;
    double frame4Left = 0;
    double frame4Top = 0;
    double frame4Width = 0;
    double frame4Height = 0;

    bool operator==(const LayoutGeometry &) const = default;
};

namespace LayoutRule {

inline constexpr double kTwipsPerPixel = 15.0;

// clientWidth and clientHeight: the area below the menu bar; outerWidth: the
// window with its frame.
LayoutGeometry apply(const LayoutGeometry &current, double clientWidth, double clientHeight,
                     double outerWidth);

} // namespace LayoutRule
