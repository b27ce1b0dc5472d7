// The configuration server and browser stand-ins of the test run, read and steered through the
// files that the test script names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "driver/Waits.h"

namespace e2e {

// The configuration server stand-in (tools/configserver), through the files that the test
// script names in CORVINET_CONFIGSERVER_SCRIPT (its answers, read again at every request) and
// CORVINET_CONFIGSERVER_LOG (one line per request). An end-to-end test has the server of its
// Wine session to itself.
struct ServerRequest {
    std::string target;  // as received: absolute form through the proxy
    std::string path;    // path and query
    std::string agent;
};

class ConfigServer {
  public:
    ConfigServer();
    // False (and a test failure) when the test script did not name the server's files.
    bool Available() const;
    // Replaces the answers with a script (a JSON object).
    bool Script(const std::string& json) const;
    // Answers of cmd=1, cmd=2 and cmd=3 as script entries (JSON objects); an empty entry leaves
    // that command to the server's built-in answer (list version 1, release 9).
    bool Answer(const std::string& cmd1, const std::string& cmd2 = "",
                const std::string& cmd3 = "") const;
    // Back to the built-in answers.
    void Reset() const;
    bool ClearLog() const;
    std::vector<ServerRequest> Requests() const;
    // The cmd values of the requests so far, in order ("1", "2", "3").
    std::vector<std::string> Commands() const;
    bool WaitForCommand(const std::string& cmd, int timeoutMs = kTimeoutMs) const;

  private:
    std::wstring script_;
    std::wstring log_;
};

// The addresses the browser stand-in (tools/browser) was asked to open, from the log the test
// script names in CORVINET_BROWSER_LOG.
class BrowserLog {
  public:
    BrowserLog();
    void Clear() const;
    std::vector<std::string> Opened() const;  // whole lines only
    bool WaitForOpened(size_t count, int timeoutMs = kTimeoutMs) const;

  private:
    std::wstring log_;
};

// Points the Wine prefix's proxy, and so every request of the program, at a port where nothing
// listens, for as long as it lives: the configuration server cannot be reached.
class UnreachableProxy {
  public:
    UnreachableProxy();
    ~UnreachableProxy();
    UnreachableProxy(const UnreachableProxy&) = delete;
    UnreachableProxy& operator=(const UnreachableProxy&) = delete;

  private:
    std::optional<std::string> savedServer;
    std::optional<uint32_t> savedEnabled;
};

}  // namespace e2e
