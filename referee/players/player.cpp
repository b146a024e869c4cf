#include "referee/players/player.h"

#include <climits>
#include <cmath>

#include "referee/players/command_line.h"
#include "referee/players/program_path.h"
#include "referee/text/escape.h"

namespace referee {

std::optional<std::string> makePlayer(const std::string& command, Protocol protocol,
                                      const std::string& dir, PlayerSetup& out) {
    auto words = splitCommand(command);
    if (!words) return "cannot read the command line '" + escape(command) + "'";
    const std::string program = (*words)[0];
    std::string found = findProgram(program);
    if (found.empty()) return "no executable program '" + escape(program) + "'";
    found = absolutePath(found);
    (*words)[0] = found;
    out.command = command;
    out.argv = *words;
    out.protocol = protocol;
    out.dir = dir.empty() ? folderOf(found) : absolutePath(dir);
    if (!isFolder(out.dir)) return "no folder '" + escape(out.dir) + "'";
    if (out.name.empty()) {
        size_t slash = program.rfind('/');
        out.name = slash == std::string::npos ? program : program.substr(slash + 1);
    }
    return std::nullopt;
}

Turn playTurn(const PlayerSetup& player, int n, const std::vector<model::Move>& moves,
              double margin, RunResult* raw) {
    RunRequest request;
    request.argv = player.argv;
    if (player.protocol == Protocol::ByteBoard) {
        double whole = std::floor(player.time);
        long s = whole < 1 ? 1 : whole > INT_MAX ? INT_MAX : static_cast<long>(whole);
        request.argv.push_back(std::to_string(s));
    }
    request.dir = player.dir;
    request.input = playerInput(player.protocol, n, moves);
    request.deadline = player.time + margin;
    if (player.sandbox.on) {
        request.argv = sandboxCommand(player.sandbox, request.argv, player.dir, player.hidden);
        request.sandboxed = true;
        const SandboxUser user = sandboxUser();
        request.dropUser = user.drop;
        request.uid = user.uid;
        request.gid = user.gid;
    }
    RunResult run = runProcess(request);
    Turn turn = judgeRun(run, n, player.time + margin);
    if (player.sandbox.on && turn.loss == Loss::Crash)
        turn.why += " (in the sandbox, with at most " + limitsText(player.sandbox) + ")";
    if (raw) *raw = std::move(run);
    return turn;
}

}  // namespace referee
