// Runs one player process for one turn, through the calling thread's keeper process
// (players/keeper.h): the whole input on its standard input, its output collected under a
// deadline, the turn over as soon as the player has ended; when it returns, every process
// the turn started has been killed and reaped, whatever it did.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace referee {

struct RunRequest {
    std::vector<std::string> argv;  // argv[0] is the program path, used as given
    std::string dir;                // working directory; empty keeps the referee's
    std::string input;              // written to standard input, which is then closed
    double deadline = 30;           // seconds from the start until the process is killed
    size_t keep = 64 * 1024;        // bytes kept of standard output and of standard error
    bool dropUser = false;          // run the player as uid and gid (the referee is root)
    uid_t uid = 0;
    gid_t gid = 0;
    // argv runs the sandbox, which reports a player killed by signal N as exit status
    // 128 + N: such a status is taken for the signal.
    bool sandboxed = false;
};

struct RunResult {
    enum class End {
        Exited,       // the process ended by itself; status is its exit code
        Signalled,    // the process was killed by signal `status` (not by us)
        Killed,       // we killed it at the deadline (it may have answered before)
        StartFailed,  // it could not be started; error says why
        Interrupted,  // the referee was asked to stop
        KeeperLost,   // the turn's keeper process was killed (by the player, say)
    };
    End end = End::StartFailed;
    int status = 0;
    std::string error;
    std::string out, err;                 // what was kept of standard output and error
    bool outCut = false, errCut = false;  // more was written than was kept
    // The answer is complete once standard output holds a newline or has been closed, or
    // the process has ended.
    bool answered = false;
    double answerSeconds = 0;  // start to answer (or to the end when there is none)
};

RunResult runProcess(const RunRequest& request);

// Asks every running and future runProcess to give up (its turn ends, every process of it
// is killed); async-signal-safe.
void requestStop();
bool stopRequested();
// A descriptor that is readable once a stop has been requested, for poll().
int stopDescriptor();

// Ends the calling thread's keeper process (players/keeper.h); the thread's next turn
// starts another. Threads end theirs by themselves; a test that counts processes calls it
// first. Players get the environment their keeper started with: the referee's at the
// thread's first turn.
void endKeeper();

}  // namespace referee
