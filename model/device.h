#pragma once

#include "model/searchplace.h"

#include <QSize>

namespace Devices {

// A phone of today's common size: its viewport in CSS pixels and its pixel ratio.
inline constexpr QSize kPhoneSize{412, 915};
inline constexpr double kPhonePixelRatio = 2.625;

} // namespace Devices
