#include "remote/ConfigServerClient.h"

#include <shellapi.h>

#include <string>
#include <utility>

#include "texts/Texts.h"
#include "framework/Controls.h"
#include "framework/ResourceStrings.h"
#include "framework/TextFormat.h"
#include "remote/AccessListReader.h"
#include "remote/AnswerParsing.h"
#include "remote/UpdateProgressDialog.h"
#include "resource.h"
#include "settings/DialerSettings.h"

namespace {

// Always from the server, never kept in the local cache, read as text.
constexpr DWORD kRequestFlags =
    INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_TRANSFER_ASCII;
static_assert(kRequestFlags == 0x84000001, "the request flags the server has always seen");

constexpr size_t kErrorTextSize = 128;

// Whether the request got an HTTP answer at all: a server that accepts the connection and
// closes it (or stalls until it is closed) leaves the request without a status line, which the
// system reports as status 0 or not at all.
bool HasHttpStatus(const std::optional<DWORD>& status) {
    return status.has_value() && *status >= 100 && *status <= 999;
}

// The body of the list request, as the list reader asks for it. A connection that the server
// closes before the body's announced length has arrived ends the body early without an error
// from the system; that is a failed download (FileException), not a shorter list.
class RequestBody : public ByteSource {
  public:
    explicit RequestBody(HttpRequest& request)
        : request(request), announced(request.QueryContentLength()) {}

    size_t Read(char* buffer, size_t capacity) override {
        const size_t received = request.Read(buffer, capacity);
        total += received;
        if (received == 0 && announced.has_value() && total < *announced) {
            throw FileException(ERROR_HANDLE_EOF);
        }
        return received;
    }

  private:
    HttpRequest& request;
    std::optional<uint64_t> announced;
    uint64_t total = 0;
};

}  // namespace

void ShowInternetError(DWORD code) {
    char text[kErrorTextSize] = "";
    FormatText(text, sizeof(text), texts::kInetError, static_cast<int>(code));
    MessageBoxA(nullptr, text, texts::kInetErrorCaption, MB_OK | MB_ICONERROR);
}

ConfigServerClient::ConfigServerClient(CallWatch callIsUp) : callIsUp(std::move(callIsUp)) {}

ConfigServerClient::~ConfigServerClient() = default;

void ConfigServerClient::FetchAnswer(UINT stringId, char* buffer, size_t& length) {
    const size_t capacity = buffer != nullptr ? length : 0;
    length = 0;
    if (capacity == 0) {
        return;
    }
    buffer[0] = '\0';
    try {
        // A session that cannot be made is reported like any failed request.
        session = std::make_unique<InternetSession>(LoadResString(IDS_AGENT).c_str());
        std::unique_ptr<HttpRequest> request =
            session->OpenUrl(LoadResString(stringId).c_str(), kRequestFlags);
        const std::optional<DWORD> status = request->QueryStatusCode();
        // An error status (300 and up) or none at all is no answer. Otherwise one single read:
        // the rest of a longer body is not looked at.
        if (HasHttpStatus(status) && *status < 300) {
            const size_t received = request->Read(buffer, capacity - 1);
            buffer[received] = '\0';
            length = received;
        }
        request->Close();
    } catch (const InternetException& error) {
        buffer[0] = '\0';
        length = 0;
        ShowInternetError(error.GetErrorCode());
    } catch (const FileException&) {
        buffer[0] = '\0';
        length = 0;
    }
    session.reset();
}

bool ConfigServerClient::CheckForUpdates() {
    char answer[kAnswerBufferSize] = "";
    size_t length = sizeof(answer);
    FetchAnswer(IDS_URL_LIST_VERSION, answer, length);
    if (length != 0 && IsCallUp()) {
        DialerSettings settings;
        settings.Load();
        const uint32_t serverVersion = ReadAnswerNumber(answer, length);
        if (serverVersion > settings.GetListVersion()) {
            UpdateProgressDialog update(callIsUp);
            update.DoModal();
            // Stored only with the list it belongs to: after a failed or refused download the
            // next connection asks for the list again.
            if (update.ListWritten()) {
                settings.WriteListVersion(serverVersion);
            }
        }
    }

    // Each step below needs the call: without it a request cannot reach the server, the page
    // cannot be opened, and the offer would come after the call it was made for.
    if (!IsCallUp()) {
        return false;
    }
    length = sizeof(answer);
    FetchAnswer(IDS_URL_RELEASE, answer, length);
    if (length == 0 || ReadAnswerNumber(answer, length) <= kProgramRelease || !IsCallUp()) {
        return false;
    }
    const int choice =
        MessageBoxA(nullptr, texts::kNewVersion, texts::kAppTitle, MB_YESNO | MB_ICONINFORMATION);
    if (!IsCallUp()) {
        return false;
    }
    // The download page opens whatever the answer.
    ShellExecuteA(nullptr, "open", LoadResString(IDS_URL_DOWNLOAD).c_str(), "", "", SW_SHOWNORMAL);
    return choice == IDYES;
}

bool ConfigServerClient::DownloadAccessList(ProgressBar& progressBar) {
    DialerSettings settings;  // only its list writes are used: no need to load it
    AccessListTable table{};
    AccessListRead list;
    try {
        session = std::make_unique<InternetSession>(LoadResString(IDS_AGENT).c_str());
        std::unique_ptr<HttpRequest> request =
            session->OpenUrl(LoadResString(IDS_URL_LIST).c_str(), kRequestFlags);
        // Only a plain success carries a list: an error page is not read at all.
        if (request->QueryStatusCode() == std::optional<DWORD>(HTTP_STATUS_OK)) {
            RequestBody body(*request);
            const HWND bar = progressBar.GetSafeHwnd();
            list = ReadAccessList(
                body, table,
                [&progressBar](int count) {
                    progressBar.SetRange(1, 2 * count);
                    progressBar.SetStep(1);
                },
                [&progressBar, bar] {
                    progressBar.StepIt();
                    // No message loop runs yet: the bar is repainted by hand after every step.
                    RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
                });
        }
        request->Close();
    } catch (const InternetException& error) {
        list = {};
        ShowInternetError(error.GetErrorCode());
    } catch (const FileException&) {
        list = {};
    }
    session.reset();
    // Only a whole list with at least one entry replaces the stored one: a subscriber left with
    // no number, or with blank ones, could never connect to fetch a good list again. A call that
    // ended meanwhile (while an error box was open) makes it a failed download as well.
    if (list.entries < 1 || !list.complete || !IsCallUp()) {
        return false;
    }
    for (int j = 1; j <= list.entries; ++j) {
        const AccessListEntry& entry = table.entries[j - 1];
        settings.WriteListEntry(static_cast<uint32_t>(j), entry.name, entry.number);
    }
    settings.WriteListItems(static_cast<uint32_t>(list.entries));
    return true;
}
