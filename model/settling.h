#pragma once

// How long after its load a results page may take to settle before it is
// read: its results column and AI overview quiet for kQuietMilliseconds, no
// overview still being generated, at most a bound from the load. The bound is
// kept in the search options file ("ricerca/attesa-lettura") and given to a
// list with --attesa-lettura S.
namespace Settling {

constexpr int kQuietMilliseconds = 500;
constexpr int kDefaultSeconds = 10;
constexpr int kLongestSeconds = 20;   // a reading's command waits 30 s at the most

} // namespace Settling
