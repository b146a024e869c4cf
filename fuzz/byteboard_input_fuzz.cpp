// Fuzz target: what pusher6 and pusher7 read. The first line of the input is the time-limit
// argument, the rest the moves; both sizes read the same bytes.
#include <cstddef>
#include <cstdint>

namespace fuzzing {
namespace n6 {
void runInput(const std::uint8_t* data, std::size_t size);
}
namespace n7 {
void runInput(const std::uint8_t* data, std::size_t size);
}
}  // namespace fuzzing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::n6::runInput(data, size);
    fuzzing::n7::runInput(data, size);
    return 0;
}
