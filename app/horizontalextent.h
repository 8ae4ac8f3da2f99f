#pragma once

#include <QStringList>
#include <functional>

// A list's horizontal scroll extent in pixels: its widest entry plus a margin.
namespace HorizontalExtent {

inline constexpr double kMarginPixels = 10.0;

// One entry's extent: its width plus the margin, rounded half to even.
int ofEntry(double widthPixels);

// The extent of a whole list; 0 for an empty one.
int ofEntries(const QStringList &entries, const std::function<double(const QString &)> &widthPixels);

} // namespace HorizontalExtent
