// Writing a whole buffer to a file descriptor, through short writes and EINTR.
// Async-signal-safe, so an alarm handler may answer with it.
#pragma once
#include <cstddef>

namespace posixkit {

// Writes all size bytes of data to fd. False when a write fails or writes nothing.
bool writeAll(int fd, const char* data, std::size_t size);

}  // namespace posixkit
