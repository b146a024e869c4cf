#include "referee/players/sandbox.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>

#include "referee/players/process.h"
#include "referee/players/program_path.h"
#include "referee/text/escape.h"

namespace referee {

namespace {

// The system's program and library folders, as they are here: a symbolic link (merged
// /usr) is made again, a folder is bound read-only; and the few files of /etc that
// programs need to load their libraries and find their alternatives.
void addSystemFolders(std::vector<std::string>& cmd) {
    for (const char* folder : {"/usr", "/bin", "/sbin", "/lib", "/lib32", "/lib64", "/libx32"}) {
        struct stat st {};
        if (lstat(folder, &st) != 0) continue;
        if (S_ISLNK(st.st_mode)) {
            char target[4096];
            const ssize_t n = readlink(folder, target, sizeof target - 1);
            if (n > 0) cmd.insert(cmd.end(), {"--symlink", std::string(target, n), folder});
        } else if (S_ISDIR(st.st_mode)) {
            cmd.insert(cmd.end(), {"--ro-bind", folder, folder});
        }
    }
    for (const char* file :
         {"/etc/ld.so.cache", "/etc/ld.so.conf", "/etc/ld.so.conf.d", "/etc/alternatives"})
        cmd.insert(cmd.end(), {"--ro-bind-try", file, file});
}

bool inside(const std::string& path, const std::string& folder) {
    return folder == "/" ||
           (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
            path[folder.size()] == '/');
}

std::string bytes(int mib) {
    return std::to_string(static_cast<long long>(mib) << 20);
}

}  // namespace

std::string limitsText(const SandboxLimits& s) {
    return std::to_string(s.memoryMiB) + " MiB of memory, " + std::to_string(s.processes) +
           " processes";
}

std::vector<std::string> sandboxCommand(const SandboxLimits& s,
                                        const std::vector<std::string>& argv,
                                        const std::string& dir,
                                        const std::vector<std::string>& hidden) {
    // Absolute: bubblewrap is started in the player's folder, prlimit inside the sandbox.
    static const std::string bwrap = absolutePath(findProgram("bwrap")),
                             prlimit = absolutePath(findProgram("prlimit"));
    std::vector<std::string> cmd = {bwrap,
                                    "--unshare-all",
                                    "--unshare-user",
                                    "--disable-userns",
                                    "--die-with-parent",
                                    "--new-session",
                                    "--clearenv",
                                    "--setenv",
                                    "PATH",
                                    "/usr/local/bin:/usr/bin:/bin",
                                    "--setenv",
                                    "HOME",
                                    "/tmp",
                                    "--setenv",
                                    "TMPDIR",
                                    "/tmp"};
    addSystemFolders(cmd);
    cmd.insert(cmd.end(),
               {"--proc", "/proc", "--dev", "/dev", "--size", bytes(s.memoryMiB), "--tmpfs", "/tmp",
                "--ro-bind", dir, dir, "--ro-bind", argv[0], argv[0]});
    for (const std::string& h : hidden) {
        struct stat st {};
        if (inside(h, dir) && stat(h.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            cmd.insert(cmd.end(), {"--ro-bind", "/dev/null", h});
    }
    // The root (bubblewrap's own folder of mount points) is not the player's to write.
    cmd.insert(cmd.end(),
               {"--remount-ro", "/", "--chdir", dir, "--", prlimit, "--as=" + bytes(s.memoryMiB),
                "--nproc=" + std::to_string(s.processes), "--core=0", "--"});
    cmd.insert(cmd.end(), argv.begin(), argv.end());
    return cmd;
}

SandboxUser sandboxUser() {
    SandboxUser u;
    if (geteuid() != 0) return u;
    u.drop = true;
    u.uid = u.gid = 65534;
    if (const passwd* nobody = getpwnam("nobody")) {
        u.uid = nobody->pw_uid;
        u.gid = nobody->pw_gid;
    }
    return u;
}

namespace {

std::optional<std::string> findSandboxProblem() {
    if (findProgram("bwrap").empty())
        return "--sandbox needs bubblewrap (bwrap), which is not installed: install the Debian "
               "package bubblewrap (tools/install-deps.sh does)";
    if (findProgram("prlimit").empty())
        return "--sandbox needs prlimit, which is not installed: install the Debian package "
               "util-linux";
    const std::string program = absolutePath(findProgram("true"));
    RunRequest trial;
    trial.argv = sandboxCommand(SandboxLimits{true}, {program}, folderOf(program), {});
    trial.deadline = 20;
    const SandboxUser user = sandboxUser();
    trial.dropUser = user.drop;
    trial.uid = user.uid;
    trial.gid = user.gid;
    const RunResult r = runProcess(trial);
    if (r.end == RunResult::End::Exited && r.status == 0) return std::nullopt;
    return "--sandbox: bubblewrap cannot make a sandbox here (" +
           escape(r.err.empty() ? r.error : r.err, 300) +
           "). It needs user namespaces: user.max_user_namespaces above 0 (sysctl), "
           "kernel.unprivileged_userns_clone = 1 where that setting exists, and no security "
           "module forbidding them to bwrap (such as AppArmor's "
           "kernel.apparmor_restrict_unprivileged_userns)";
}

}  // namespace

std::optional<std::string> sandboxProblem() {
    static std::once_flag once;
    static std::optional<std::string> problem;
    std::call_once(once, [] { problem = findSandboxProblem(); });
    return problem;
}

}  // namespace referee
