#include "referee/play/stop_guard.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>

#include "referee/players/process.h"

namespace referee {

StopGuard::StopGuard(std::timed_mutex& writing) : writing(writing) {
    if (pipe2(done, O_CLOEXEC) != 0) return;  // no guard: the run stops by itself
    watcher = std::thread([this] { watch(); });
}

StopGuard::~StopGuard() {
    if (done[1] >= 0) close(done[1]);
    if (watcher.joinable()) watcher.join();
    if (done[0] >= 0) close(done[0]);
}

void StopGuard::watch() {
    pollfd both[2] = {{done[0], POLLIN, 0}, {stopDescriptor(), POLLIN, 0}};
    while (poll(both, 2, -1) < 0) {
    }
    if (both[0].revents) return;  // ended without a stop
    // Most of the second for the run to end, the rest for a record being written.
    pollfd ended{done[0], POLLIN, 0};
    if (poll(&ended, 1, static_cast<int>(kStopSeconds * 700)) > 0) return;
    // Held from here on, if it can be had, so that no record is cut short.
    if (writing.try_lock_for(std::chrono::milliseconds(200))) {
    }
    static const char message[] = "referee: stopped; the run did not end by itself in time\n";
    if (write(STDERR_FILENO, message, sizeof message - 1) < 0) {
    }
    _exit(130);  // the keepers see their referee gone and end their turns
}

}  // namespace referee
