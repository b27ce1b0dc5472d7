// The configuration server and browser stand-ins of the test run, read and steered through the
// files the test script names, and a proxy that leads nowhere.
#include "driver/StandIns.h"

#include <gtest/gtest.h>

#include "driver/WindowAccess.h"
#include "support/Paths.h"
#include "support/Registry.h"

namespace e2e {

namespace {

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            break;  // a line still being written
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
        if (tab == std::string::npos) {
            return fields;
        }
        start = tab + 1;
    }
}

constexpr char kUnreachableProxy[] = "127.0.0.1:1";
constexpr char kProxyKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

std::wstring NamedFile(const char* variable) {
    const std::string named = testsupport::GetEnv(variable);
    return named.empty() ? std::wstring() : testsupport::WindowsPath(named);
}

}  // namespace

ConfigServer::ConfigServer()
    : script_(NamedFile("CORVINET_CONFIGSERVER_SCRIPT")),
      log_(NamedFile("CORVINET_CONFIGSERVER_LOG")) {}

bool ConfigServer::Available() const {
    if (script_.empty() || log_.empty()) {
        ADD_FAILURE() << "CORVINET_CONFIGSERVER_SCRIPT and CORVINET_CONFIGSERVER_LOG must name the "
                         "test configuration server's files (tools/run-tests.sh)";
        return false;
    }
    return true;
}

bool ConfigServer::Script(const std::string& json) const {
    const bool written = testsupport::WriteFileBytes(script_, json);
    EXPECT_TRUE(written) << "cannot write the configuration server's answers";
    return written;
}

bool ConfigServer::Answer(const std::string& cmd1, const std::string& cmd2,
                          const std::string& cmd3) const {
    std::string json = "{";
    const std::pair<const char*, const std::string*> entries[] = {
        {"1", &cmd1}, {"2", &cmd2}, {"3", &cmd3}};
    for (const auto& [key, entry] : entries) {
        if (!entry->empty()) {
            json += std::string(json.size() > 1 ? ", " : "") + "\"" + key + "\": " + *entry;
        }
    }
    return Script(json + "}\n");
}

void ConfigServer::Reset() const {
    DeleteFileW(script_.c_str());
}

bool ConfigServer::ClearLog() const {
    const bool cleared = testsupport::WriteFileBytes(log_, "");
    EXPECT_TRUE(cleared) << "cannot clear the configuration server's request log";
    return cleared;
}

std::vector<ServerRequest> ConfigServer::Requests() const {
    std::vector<ServerRequest> requests;
    for (const std::string& line : SplitLines(testsupport::ReadFileBytes(log_).value_or(""))) {
        const std::vector<std::string> fields = SplitTabs(line);
        if (fields.size() >= 5) {
            requests.push_back({fields[2], fields[3], fields[4]});
        }
    }
    return requests;
}

std::vector<std::string> ConfigServer::Commands() const {
    std::vector<std::string> commands;
    for (const ServerRequest& request : Requests()) {
        const size_t at = request.path.find("cmd=");
        commands.push_back(at == std::string::npos ? request.path : request.path.substr(at + 4));
    }
    return commands;
}

bool ConfigServer::WaitForCommand(const std::string& cmd, int timeoutMs) const {
    return WaitUntil(
        [&] {
            for (const std::string& seen : Commands()) {
                if (seen == cmd) {
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
}

BrowserLog::BrowserLog() : log_(NamedFile("CORVINET_BROWSER_LOG")) {
    if (log_.empty()) {
        ADD_FAILURE() << "CORVINET_BROWSER_LOG is not set: run through tools/run-tests.sh";
    }
}

void BrowserLog::Clear() const {
    testsupport::WriteFileBytes(log_, "");
}

std::vector<std::string> BrowserLog::Opened() const {
    return SplitLines(testsupport::ReadFileBytes(log_).value_or(""));
}

bool BrowserLog::WaitForOpened(size_t count, int timeoutMs) const {
    return WaitUntil([&] { return Opened().size() >= count; }, timeoutMs);
}

UnreachableProxy::UnreachableProxy()
    : savedServer(testsupport::ReadString(HKEY_CURRENT_USER, kProxyKey, "ProxyServer")),
      savedEnabled(testsupport::ReadDword(HKEY_CURRENT_USER, kProxyKey, "ProxyEnable")) {
    testsupport::WriteDword(HKEY_CURRENT_USER, kProxyKey, "ProxyEnable", 1);
    testsupport::WriteString(HKEY_CURRENT_USER, kProxyKey, "ProxyServer", kUnreachableProxy);
}

UnreachableProxy::~UnreachableProxy() {
    if (savedServer.has_value()) {
        testsupport::WriteString(HKEY_CURRENT_USER, kProxyKey, "ProxyServer", *savedServer);
    } else {
        testsupport::DeleteValue(HKEY_CURRENT_USER, kProxyKey, "ProxyServer");
    }
    if (savedEnabled.has_value()) {
        testsupport::WriteDword(HKEY_CURRENT_USER, kProxyKey, "ProxyEnable", *savedEnabled);
    } else {
        testsupport::DeleteValue(HKEY_CURRENT_USER, kProxyKey, "ProxyEnable");
    }
}

}  // namespace e2e
