#include "headless_browser.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace browsertest {

bool HeadlessBrowser::start(const std::string& program, const std::string& profileDir) {
    int in[2], out[2];
    if (pipe(in) != 0) return error = "pipe failed", false;
    if (pipe(out) != 0) {
        close(in[0]);
        close(in[1]);
        return error = "pipe failed", false;
    }
    std::vector<std::string> args = {program,
                                     "--headless",
                                     "--no-sandbox",
                                     "--disable-gpu",
                                     "--disable-quic",
                                     "--no-first-run",
                                     "--no-default-browser-check",
                                     "--disable-background-networking",
                                     "--disable-component-update",
                                     "--disable-sync",
                                     "--disable-extensions",
                                     "--hide-scrollbars",
                                     "--remote-debugging-pipe",
                                     "--user-data-dir=" + profileDir,
                                     "about:blank"};
    pid_ = fork();
    if (pid_ < 0) return error = "fork failed", false;
    if (pid_ == 0) {
        // The browser reads fd 3 and writes fd 4; its own chatter goes nowhere.
        int devnull = ::open("/dev/null", O_RDWR);
        int rd = dup(in[0]), wr = dup(out[1]);
        if (devnull < 0 || rd < 0 || wr < 0 || dup2(rd, 3) < 0 || dup2(wr, 4) < 0) _exit(127);
        dup2(devnull, 0);
        dup2(devnull, 1);
        dup2(devnull, 2);
        for (int fd = 5; fd < 1024; fd++) close(fd);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        setpgid(0, 0);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    toBrowser_ = in[1];
    fromBrowser_ = out[0];
    try {
        nlohmann::json target = send("Target.createTarget", {{"url", "about:blank"}}, "", 60);
        nlohmann::json attached = send(
            "Target.attachToTarget", {{"targetId", target["targetId"]}, {"flatten", true}}, "", 30);
        session_ = attached["sessionId"];
        call("Page.enable");
        call("Runtime.enable");
        call("Network.enable");
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
    return true;
}

HeadlessBrowser::~HeadlessBrowser() {
    if (toBrowser_ >= 0) close(toBrowser_);
    if (fromBrowser_ >= 0) close(fromBrowser_);
    if (pid_ > 0) {
        // The browser closes once its pipe does; the group is killed if it lingers.
        for (int i = 0; i < 50; i++) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        kill(-pid_, SIGKILL);
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

nlohmann::json HeadlessBrowser::send(const std::string& method, const nlohmann::json& params,
                                     const std::string& session, double seconds) {
    int id = nextId_++;
    nlohmann::json message = {{"id", id}, {"method", method}, {"params", params}};
    if (params.is_null()) message["params"] = nlohmann::json::object();
    if (!session.empty()) message["sessionId"] = session;
    std::string text = message.dump();
    text += '\0';
    for (size_t done = 0; done < text.size();) {
        ssize_t put = write(toBrowser_, text.data() + done, text.size() - done);
        if (put <= 0) throw std::runtime_error("browser pipe closed while sending " + method);
        done += static_cast<size_t>(put);
    }
    auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        size_t nul;
        while ((nul = pending_.find('\0')) != std::string::npos) {
            nlohmann::json answer = nlohmann::json::parse(pending_.substr(0, nul));
            pending_.erase(0, nul + 1);
            if (!answer.contains("id")) {
                events.push_back(answer);
                continue;
            }
            if (answer["id"] != id) continue;
            if (answer.contains("error"))
                throw std::runtime_error(method + ": " + answer["error"].dump());
            return answer["result"];
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        until - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) throw std::runtime_error("no answer from the browser to " + method);
        pollfd p{fromBrowser_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
        char buf[65536];
        ssize_t got = read(fromBrowser_, buf, sizeof buf);
        if (got <= 0) throw std::runtime_error("browser pipe closed waiting for " + method);
        pending_.append(buf, static_cast<size_t>(got));
    }
}

nlohmann::json HeadlessBrowser::call(const std::string& method, const nlohmann::json& params,
                                     double seconds) {
    return send(method, params, session_, seconds);
}

nlohmann::json HeadlessBrowser::eval(const std::string& expression) {
    nlohmann::json r =
        call("Runtime.evaluate",
             {{"expression", expression}, {"returnByValue", true}, {"awaitPromise", true}});
    if (r.contains("exceptionDetails"))
        throw std::runtime_error("page script failed: " + r["exceptionDetails"].dump());
    return r["result"].value("value", nlohmann::json());
}

void HeadlessBrowser::open(const std::string& url) {
    call("Page.navigate", {{"url", url}});
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    // The page may add a fragment to its address once it runs.
    std::string loaded = "document.readyState === 'complete' && location.href.startsWith(" +
                         nlohmann::json(url).dump() + ")";
    while (eval(loaded) != true) {
        if (std::chrono::steady_clock::now() > until)
            throw std::runtime_error("page did not load: " + url);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

void HeadlessBrowser::key(const std::string& name, int code) {
    for (const char* type : {"keyDown", "keyUp"})
        call("Input.dispatchKeyEvent", {{"type", type},
                                        {"key", name},
                                        {"code", name},
                                        {"windowsVirtualKeyCode", code},
                                        {"nativeVirtualKeyCode", code}});
}

void HeadlessBrowser::click(const std::string& selector) {
    nlohmann::json box =
        eval("(() => { const e = document.querySelector(" + nlohmann::json(selector).dump() +
             "); if (!e) return null; e.scrollIntoView({block: 'center'});"
             " const r = e.getBoundingClientRect();"
             " return [r.left + r.width / 2, r.top + r.height / 2]; })()");
    if (!box.is_array()) throw std::runtime_error("nothing to click at " + selector);
    for (const char* type : {"mousePressed", "mouseReleased"})
        call("Input.dispatchMouseEvent",
             {{"type", type}, {"x", box[0]}, {"y", box[1]}, {"button", "left"}, {"clickCount", 1}});
}

void HeadlessBrowser::screenshot(const std::string& pngPath, int width, int height) {
    nlohmann::json shot =
        call("Page.captureScreenshot",
             {{"format", "png"},
              {"clip", {{"x", 0}, {"y", 0}, {"width", width}, {"height", height}, {"scale", 1}}}});
    std::ofstream out(pngPath, std::ios::binary);
    out << decodeBase64(shot["data"].get<std::string>());
    if (!out) throw std::runtime_error("cannot write " + pngPath);
}

std::string decodeBase64(const std::string& text) {
    auto value = [](char c) {
        if (c >= 'A' && c <= 'Z') return c - 'A';
        if (c >= 'a' && c <= 'z') return c - 'a' + 26;
        if (c >= '0' && c <= '9') return c - '0' + 52;
        if (c == '+') return 62;
        if (c == '/') return 63;
        return -1;
    };
    std::string out;
    unsigned bits = 0;
    int count = 0;
    for (char c : text) {
        int v = value(c);
        if (v < 0) continue;
        bits = (bits << 6) | static_cast<unsigned>(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += static_cast<char>((bits >> count) & 0xff);
        }
    }
    return out;
}

}  // namespace browsertest
