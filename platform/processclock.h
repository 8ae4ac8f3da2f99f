#pragma once

// Milliseconds since this process started, counted by the system; -1 where
// the system does not tell.
namespace ProcessClock {

double millisecondsSinceStart();

} // namespace ProcessClock
