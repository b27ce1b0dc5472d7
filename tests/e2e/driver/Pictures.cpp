// The pictures of the program's buttons: its bitmaps read from CORVINET.exe beside the driver,
// and found on the screen where a button shows one.
#include <gtest/gtest.h>

#include "driver/Driver.h"
#include "driver/ScreenCapture.h"

namespace e2e {

namespace {

// The background the pictures were drawn on; the program shows it in the button face colour.
constexpr COLORREF kDrawnFaceGrey = RGB(192, 192, 192);
// A button copies its picture to the screen unchanged: a mean colour distance above this is
// another picture (or the same one drawn greyed or stretched).
constexpr double kSamePicture = 8.0;

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;  // row by row from the top
};

Picture ProgramPicture(int id) {
    Picture picture;
    HMODULE module = LoadProgramResources();
    if (module == nullptr) {
        return picture;
    }
    auto bitmap = static_cast<HBITMAP>(
        LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    FreeLibrary(module);
    BITMAP info{};
    if (bitmap == nullptr || GetObjectW(bitmap, sizeof(info), &info) != sizeof(info)) {
        return picture;
    }
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof(format.bmiHeader);
    format.bmiHeader.biWidth = info.bmWidth;
    format.bmiHeader.biHeight = -info.bmHeight;  // rows from the top
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<RGBQUAD> rows(static_cast<size_t>(info.bmWidth) * info.bmHeight);
    HDC screen = GetDC(nullptr);
    const int read = GetDIBits(screen, bitmap, 0, static_cast<UINT>(info.bmHeight), rows.data(),
                               &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    if (read != info.bmHeight) {
        return picture;
    }
    picture.width = info.bmWidth;
    picture.height = info.bmHeight;
    for (const RGBQUAD& pixel : rows) {
        const COLORREF colour = RGB(pixel.rgbRed, pixel.rgbGreen, pixel.rgbBlue);
        picture.pixels.push_back(colour == kDrawnFaceGrey ? GetSysColor(COLOR_BTNFACE) : colour);
    }
    return picture;
}

}  // namespace

std::optional<SIZE> ProgramBitmapSize(int id) {
    const Picture picture = ProgramPicture(id);
    if (picture.pixels.empty()) {
        return std::nullopt;
    }
    return SIZE{picture.width, picture.height};
}

bool ButtonShowsBitmap(HWND button, int id) {
    const Picture picture = ProgramPicture(id);
    RECT area{};
    if (picture.pixels.empty() || !GetWindowRect(button, &area)) {
        ADD_FAILURE() << "no bitmap " << id << " in the program, or no button";
        return false;
    }
    const ScreenPixels shown = CaptureScreen(area);
    return FindPicture(shown, picture.pixels, picture.width, picture.height).distance <
           kSamePicture;
}

}  // namespace e2e
