// Whole files read and written: record files, opening files, the report page and the JSON
// results.
#pragma once

#include <optional>
#include <string>

namespace referee {

// The whole content of a file, or nothing when it cannot be read.
std::optional<std::string> readWholeFile(const std::string& path);

// Replaces path with text through a temporary file beside it that is renamed over it, so
// that a reader (a browser reloading a page during a match) never sees half a file. The
// error text or nothing.
std::optional<std::string> writeFileAtomically(const std::string& path, const std::string& text);

// True when the two paths name one file (the same path, or the same file on disk).
bool sameFile(const std::string& a, const std::string& b);

}  // namespace referee
