#include "driver/ConfigServer.h"

#include <gtest/gtest.h>

#include <utility>

#include "support/Paths.h"

namespace e2e {

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
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

ConfigServer::ConfigServer()
    : script(testsupport::GetEnv("CORVINET_CONFIGSERVER_SCRIPT")),
      log(testsupport::GetEnv("CORVINET_CONFIGSERVER_LOG")) {}

void ConfigServer::Save() {
    saved = testsupport::ReadFileBytes(testsupport::WindowsPath(script));
}

void ConfigServer::Restore() const {
    const std::wstring path = testsupport::WindowsPath(script);
    if (saved.has_value()) {
        testsupport::WriteFileBytes(path, *saved);
    } else {
        DeleteFileW(path.c_str());
    }
}

void ConfigServer::Answer(const std::string& cmd1, const std::string& cmd2,
                          const std::string& cmd3) const {
    std::string json = "{";
    const std::pair<const char*, const std::string*> entries[] = {
        {"1", &cmd1}, {"2", &cmd2}, {"3", &cmd3}};
    for (const auto& [key, entry] : entries) {
        if (!entry->empty()) {
            json += std::string(json.size() > 1 ? ", " : "") + "\"" + key + "\": " + *entry;
        }
    }
    json += "}\n";
    ASSERT_TRUE(testsupport::WriteFileBytes(testsupport::WindowsPath(script), json));
}

void ConfigServer::ClearLog() const {
    ASSERT_TRUE(testsupport::WriteFileBytes(testsupport::WindowsPath(log), ""));
}

std::vector<Request> ConfigServer::Requests() const {
    std::vector<Request> requests;
    const std::string text = testsupport::ReadFileBytes(testsupport::WindowsPath(log)).value_or("");
    for (const std::string& line : SplitLines(text)) {
        const std::vector<std::string> fields = SplitTabs(line);
        if (fields.size() >= 5) {
            requests.push_back({fields[2], fields[3], fields[4]});
        }
    }
    return requests;
}

std::vector<std::string> ConfigServer::Commands() const {
    std::vector<std::string> commands;
    for (const Request& request : Requests()) {
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

}  // namespace e2e
