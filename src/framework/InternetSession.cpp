#include "framework/InternetSession.h"

#include <algorithm>
#include <cstdint>

namespace {

// Room for a status code or a body length (up to 19 digits fit in 64 bits), with the NUL.
constexpr DWORD kNumberTextSize = 20;

}  // namespace

InternetSession::InternetSession(const char* agent)
    : handle(InternetOpenA(agent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0)) {
    if (!handle) {
        throw InternetException(GetLastError());
    }
}

InternetSession::~InternetSession() = default;

std::unique_ptr<HttpRequest> InternetSession::OpenUrl(const char* url, DWORD flags) {
    HINTERNET request = InternetOpenUrlA(handle.get(), url, nullptr, 0, flags, kContext);
    if (request == nullptr) {
        throw InternetException(GetLastError());
    }
    return std::make_unique<HttpRequest>(request);
}

// A header of the response read as a decimal number: its leading digits, nothing when the
// header is missing, does not fit the buffer or does not begin with a digit.
std::optional<uint64_t> HttpRequest::QueryNumber(DWORD header) const {
    if (!handle) {
        return std::nullopt;
    }
    char text[kNumberTextSize] = "";
    DWORD size = sizeof(text);
    if (!HttpQueryInfoA(handle.get(), header, text, &size, nullptr)) {
        return std::nullopt;
    }
    // The call reports the text's length without its NUL; keep inside the buffer whatever it says.
    const size_t length = std::min<size_t>(size, sizeof(text) - 1);
    uint64_t value = 0;
    size_t digits = 0;
    while (digits < length && text[digits] >= '0' && text[digits] <= '9') {
        value = value * 10 + static_cast<uint64_t>(text[digits] - '0');
        ++digits;
    }
    if (digits == 0) {
        return std::nullopt;
    }
    return value;
}

std::optional<DWORD> HttpRequest::QueryStatusCode() const {
    const std::optional<uint64_t> status = QueryNumber(HTTP_QUERY_STATUS_CODE);
    if (!status.has_value() || *status > MAXDWORD) {
        return std::nullopt;
    }
    return static_cast<DWORD>(*status);
}

std::optional<uint64_t> HttpRequest::QueryContentLength() const {
    return QueryNumber(HTTP_QUERY_CONTENT_LENGTH);
}

size_t HttpRequest::Read(void* buffer, size_t capacity) {
    if (!handle || buffer == nullptr) {
        throw FileException(ERROR_INVALID_HANDLE);
    }
    const DWORD wanted = static_cast<DWORD>(std::min<size_t>(capacity, MAXDWORD));
    DWORD received = 0;
    if (!InternetReadFile(handle.get(), buffer, wanted, &received)) {
        throw InternetException(GetLastError());
    }
    return std::min<size_t>(received, wanted);
}

void HttpRequest::Close() {
    handle.reset();
}
