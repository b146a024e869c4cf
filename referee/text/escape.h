// Untrusted text made printable on one line, and back: player output in messages, and
// names, reasons and settings in the key lines of records.
#pragma once

#include <cstddef>
#include <string>

namespace referee {

// Printable one-line form of text, at most max bytes of it ("..." follows a cut): a
// backslash, newline, carriage return and tab as \\ \n \r \t, other bytes below 0x20 or
// from 0x7f on as \xHH (lower-case hex).
std::string escape(const std::string& text, std::size_t max = 200);

// The inverse of escape() for text that was not cut. A backslash before any other byte
// stands for that byte; a lone backslash at the end stays.
std::string unescape(const std::string& text);

}  // namespace referee
