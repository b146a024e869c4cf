// A stop within a second, whatever the run is doing: once SIGINT or SIGTERM has asked the
// referee to stop (players/process.h), a run that has not ended a second later (blocked
// writing to a full pipe, say) is ended with status 130. A record being written is
// finished first if that takes no more than a moment; any record cut short is dropped by
// --resume.
#pragma once

#include <mutex>
#include <thread>

namespace referee {

constexpr double kStopSeconds = 1;

class StopGuard {
  public:
    // writing: held while a record is written.
    explicit StopGuard(std::timed_mutex& writing);
    ~StopGuard();  // the run has ended by itself
    StopGuard(const StopGuard&) = delete;
    StopGuard& operator=(const StopGuard&) = delete;

  private:
    void watch();

    std::timed_mutex& writing;
    int done[2] = {-1, -1};  // closed by the destructor
    std::thread watcher;
};

}  // namespace referee
