// The configuration-server stand-in that the test script runs for the end-to-end tests: its
// answer script and request log are named by CORVINET_CONFIGSERVER_SCRIPT and
// CORVINET_CONFIGSERVER_LOG (tools/configserver/README.md).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "driver/Driver.h"

namespace e2e {

struct Request {
    std::string target;  // as received: absolute form through the proxy
    std::string path;    // path and query
    std::string agent;
};

std::vector<std::string> SplitLines(const std::string& text);
std::vector<std::string> SplitTabs(const std::string& line);

class ConfigServer {
  public:
    ConfigServer();

    bool Available() const { return !script.empty() && !log.empty(); }

    // Remembers the script in force, to be put back by Restore.
    void Save();
    void Restore() const;

    // Answers of cmd=1, cmd=2 and cmd=3 as script entries (JSON objects); an empty entry
    // leaves that command to the server's built-in answer (list version 1, release 9).
    void Answer(const std::string& cmd1, const std::string& cmd2 = "",
                const std::string& cmd3 = "") const;
    void ClearLog() const;

    std::vector<Request> Requests() const;
    // The cmd values of the requests so far, in order ("1", "2", "3").
    std::vector<std::string> Commands() const;
    bool WaitForCommand(const std::string& cmd, int timeoutMs = kTimeoutMs) const;

  private:
    std::string script;
    std::string log;
    std::optional<std::string> saved;
};

}  // namespace e2e
