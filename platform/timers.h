#pragma once

#include <QTimer>

namespace Timers {

// Enables a timer as the program's timers have always been enabled: one that
// runs already neither gets a second event nor restarts its countdown.
inline void enable(QTimer &timer)
{
    if (!timer.isActive())
        timer.start();
}

} // namespace Timers
