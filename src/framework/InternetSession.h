// The thin layer's Internet classes: a session over InternetOpenA and one HTTP request over
// InternetOpenUrlA. Failures come out as exceptions that carry the system's error code, so
// each caller catches them around its own request: InternetException for a failing Internet
// function, FileException for a request that cannot be used as a file any more.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "framework/Handles.h"

// An Internet function failed; code is what GetLastError said for the failing call.
class InternetException {
  public:
    explicit InternetException(DWORD code) : code(code) {}
    DWORD GetErrorCode() const { return code; }

  private:
    DWORD code;
};

// The request behind a read is no longer open (or a read was asked for with no buffer).
class FileException {
  public:
    explicit FileException(DWORD cause) : cause(cause) {}
    DWORD GetCause() const { return cause; }

  private:
    DWORD cause;
};

class HttpRequest;

// One Internet session with the program's agent text, direct or proxy access as the system is
// configured. The handle is closed when the session is destroyed.
class InternetSession {
  public:
    static constexpr DWORD_PTR kContext = 1;

    // Throws InternetException when the system's Internet functions cannot be opened.
    explicit InternetSession(const char* agent);
    ~InternetSession();
    InternetSession(const InternetSession&) = delete;
    InternetSession& operator=(const InternetSession&) = delete;

    // GET of url with no additional headers. Throws InternetException when it cannot be opened.
    std::unique_ptr<HttpRequest> OpenUrl(const char* url, DWORD flags);

  private:
    UniqueInternetHandle handle;
};

// An open request: its status code and its body. Closed at the latest when destroyed.
class HttpRequest {
  public:
    explicit HttpRequest(HINTERNET handle) : handle(handle) {}
    HttpRequest(const HttpRequest&) = delete;
    HttpRequest& operator=(const HttpRequest&) = delete;

    // The response's status code read as a decimal number; nothing when it cannot be obtained.
    std::optional<DWORD> QueryStatusCode() const;
    // The length of the body that the response announces; nothing when it announces none.
    std::optional<uint64_t> QueryContentLength() const;
    // Stores at most capacity bytes of the body in buffer and returns their number, 0 at its
    // end. Throws InternetException when the read fails, FileException when the request is
    // closed or there is no buffer.
    size_t Read(void* buffer, size_t capacity);
    void Close();

  private:
    std::optional<uint64_t> QueryNumber(DWORD header) const;

    UniqueInternetHandle handle;
};
