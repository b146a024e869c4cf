// Whole files read and written: record files, opening files, config files, the report page
// and the JSON results. Every file read whole is checked to be a regular file and read up
// to a stated limit, so that a device, a pipe or a huge file can neither hang nor exhaust
// the reader.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace referee {

// The most a file of each kind may hold.
constexpr size_t kRecordFileLimit = size_t{256}
                                    << 20;  // game records: resume, tally, report, analyze
constexpr size_t kOpeningFileLimit = size_t{64} << 20;  // opening files
constexpr size_t kSmallFileLimit = size_t{1} << 20;     // config files, bench suites

// "256 MiB", "64 KiB", "100 bytes".
std::string sizeText(size_t bytes);

struct FileRead {
    std::string text;
    std::string error;     // what went wrong, naming the file (and the limit); empty when read
    bool missing = false;  // there is no such file (error is set too)
};

// Reads the regular file at path whole, up to limit bytes; anything else (a folder, a
// device, a pipe, a larger file) is refused without reading it all.
FileRead readWholeFile(const std::string& path, size_t limit);

// Reads an open descriptor (standard input, read on purpose) to its end, up to limit bytes;
// name is for the message.
FileRead readWholeStream(int fd, const std::string& name, size_t limit);

// Why path cannot be written as a regular file (something other than one is there), naming
// it; nothing when it can (a regular file, or nothing yet).
std::optional<std::string> notWritableAsFile(const std::string& path);

// Replaces path with text through a temporary file beside it that is renamed over it, so
// that a reader (a browser reloading a page during a match) never sees half a file. A path
// that holds something other than a regular file is refused. The error text or nothing.
std::optional<std::string> writeFileAtomically(const std::string& path, const std::string& text);

// True when the two paths name one file (the same path, or the same file on disk).
bool sameFile(const std::string& a, const std::string& b);

}  // namespace referee
