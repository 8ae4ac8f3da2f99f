#pragma once

// The version of the program's reader of results pages: the page script, the
// decoding of what it reads and the rules that count the results. Raised
// whenever any of them reads a page differently, so that a page kept in the
// archive can be read again by a newer reader, and each reading says which
// reader made it.
namespace ReaderVersion {

inline constexpr int kCurrent = 1;

} // namespace ReaderVersion
