// A headless Chromium for tests, driven over the DevTools protocol on a pipe (fd 3 carries
// commands to the browser, fd 4 its answers, each message JSON ended by a NUL byte).
#pragma once

#include <sys/types.h>

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace browsertest {

class HeadlessBrowser {
  public:
    // Starts the browser with a fresh profile under profileDir and opens one blank page.
    // Returns false and sets error when that fails.
    bool start(const std::string& program, const std::string& profileDir);
    ~HeadlessBrowser();

    // Sends a command to the page and waits for its answer (its "result"); throws
    // std::runtime_error on an error answer, a closed pipe or after `seconds`.
    nlohmann::json call(const std::string& method, const nlohmann::json& params = {},
                        double seconds = 30);
    // The value of a JavaScript expression in the page; throws when it throws.
    nlohmann::json eval(const std::string& expression);
    // Opens the address and waits until the page has loaded.
    void open(const std::string& url);
    void key(const std::string& name, int code);  // press and release, e.g. ArrowRight, 39
    void click(const std::string& selector);      // a real mouse click on the element's middle
    void screenshot(const std::string& pngPath, int width, int height);

    std::vector<nlohmann::json> events;  // everything the browser sent unasked
    std::string error;

  private:
    nlohmann::json send(const std::string& method, const nlohmann::json& params,
                        const std::string& session, double seconds);
    pid_t pid_ = -1;
    int toBrowser_ = -1, fromBrowser_ = -1;
    int nextId_ = 1;
    std::string session_;
    std::string pending_;
};

std::string decodeBase64(const std::string& text);

}  // namespace browsertest
