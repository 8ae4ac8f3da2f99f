#pragma once

#include <QSize>

// The device a search is made for: the page is laid out, and the browser
// introduces itself, as on a computer or as on a phone.
enum class Device { Computer, Smartphone };

namespace Devices {

// A phone of today's common size: its viewport in CSS pixels and its pixel ratio.
inline constexpr QSize kPhoneSize{412, 915};
inline constexpr double kPhonePixelRatio = 2.625;

} // namespace Devices
