#include "driver/ShellTray.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "driver/Driver.h"
#include "driver/ScreenCapture.h"
#include "resource.h"

namespace e2e {

namespace {

constexpr wchar_t kWineTrayClass[] = L"__winex11_standalone_tray";
// Mean colour distance (sum over red, green, blue) below which a drawn icon counts as found,
// and above which another icon counts as absent.
constexpr double kSamePicture = 30.0;
constexpr double kOtherPicture = 60.0;

HICON ProgramIcon(int id) {
    HMODULE module = LoadProgramResources();
    if (module == nullptr) {
        return nullptr;
    }
    // As the program loads it: the system's small-icon size.
    HICON icon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), 0));
    FreeLibrary(module);
    return icon;
}

// Pixels of icon drawn at size x size over background, row by row.
std::vector<COLORREF> DrawnIcon(HICON icon, int size, COLORREF background) {
    std::vector<COLORREF> pixels;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    RECT all{0, 0, size, size};
    HBRUSH brush = CreateSolidBrush(background);
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    DrawIconEx(memory, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            pixels.push_back(GetPixel(memory, x, y));
        }
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

}  // namespace

std::ostream& operator<<(std::ostream& out, TrayPicture picture) {
    const char* names[] = {"no icon of the program", "the disconnected icon", "the connected icon",
                           "the application icon"};
    return out << names[static_cast<int>(picture)];
}

TrayPicture ShellTray::Picture(POINT* center) const {
    HWND tray = FindWindowW(kWineTrayClass, nullptr);
    if (tray == nullptr || !IsWindowVisible(tray)) {
        return TrayPicture::None;
    }
    RECT client;
    GetClientRect(tray, &client);
    POINT origin{0, 0};
    ClientToScreen(tray, &origin);
    const ScreenPixels pixels =
        CaptureScreen({origin.x, origin.y, origin.x + client.right, origin.y + client.bottom});
    if (pixels.bits.empty()) {
        return TrayPicture::None;
    }
    const int size = GetSystemMetrics(SM_CXSMICON);
    const COLORREF background = pixels.At(pixels.width - 1, pixels.height - 1);
    const std::pair<TrayPicture, int> icons[] = {{TrayPicture::Disconnected, IDI_DISCONNECTED},
                                                 {TrayPicture::Connected, IDI_CONNECTED},
                                                 {TrayPicture::App, IDI_APP}};
    TrayPicture found = TrayPicture::None;
    int others = 0;
    for (const auto& [picture, id] : icons) {
        HICON icon = ProgramIcon(id);
        if (icon == nullptr) {
            ADD_FAILURE() << "cannot load icon " << id << " of the program";
            return TrayPicture::None;
        }
        const PictureMatch match =
            FindPicture(pixels, DrawnIcon(icon, size, background), size, size);
        DestroyIcon(icon);
        if (match.distance < kSamePicture) {
            found = picture;
            if (center != nullptr) {
                *center = {origin.x + match.at.x + size / 2, origin.y + match.at.y + size / 2};
            }
        } else if (match.distance > kOtherPicture) {
            ++others;
        }
    }
    // Exactly one of the program's icons, clearly.
    return others == 2 ? found : TrayPicture::None;
}

TrayPicture ShellTray::WaitForPicture(TrayPicture expected, POINT* center) const {
    TrayPicture seen = TrayPicture::None;
    WaitUntil([&] { return (seen = Picture(center)) == expected; });
    return seen;
}

std::string ShellTray::HoverForTip(POINT center, const std::string& expected) const {
    HWND tray = FindWindowW(kWineTrayClass, nullptr);
    DWORD trayProcess = 0;
    GetWindowThreadProcessId(tray, &trayProcess);
    SetForegroundWindow(tray);
    const std::string seen = HoverForToolTip(center, trayProcess, expected);
    MovePointerAway();
    return seen;
}

}  // namespace e2e
