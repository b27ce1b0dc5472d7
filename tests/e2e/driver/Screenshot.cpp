// Screenshots: the screen area of a window, read back through the screen's device context
// into a 24-bit DIB and written as a BMP file (the test script turns them into PNG files).
#include <gtest/gtest.h>

#include <cstdlib>

#include "driver/Driver.h"
#include "driver/ScreenCapture.h"

namespace e2e {

namespace {

constexpr int kSettleMs = 150;
constexpr int kFadeTimeoutMs = 3000;

struct Dib {
    HBITMAP bitmap = nullptr;
    void* bits = nullptr;
};

Dib CreateDib(HDC dc, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // positive: bottom-up rows, as in a BMP file
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    Dib dib;
    dib.bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &dib.bits, nullptr, 0);
    return dib;
}

ScreenPixels CopyOut(const Dib& dib, int width, int height) {
    ScreenPixels pixels;
    pixels.width = width;
    pixels.height = height;
    GdiFlush();
    const auto* bytes = static_cast<const uint8_t*>(dib.bits);
    pixels.bits.assign(bytes, bytes + static_cast<size_t>(pixels.Stride()) * height);
    return pixels;
}

// Pixels of width x height drawn by draw into a bitmap compatible with the screen (draw gets
// the bitmap's device context and the screen's); empty when anything failed.
ScreenPixels DrawPixels(int width, int height,
                        const std::function<bool(HDC memoryDc, HDC screenDc, int, int)>& draw) {
    ScreenPixels pixels;
    if (width <= 0 || height <= 0) {
        return pixels;
    }
    HDC screenDc = GetDC(nullptr);
    HDC memoryDc = CreateCompatibleDC(screenDc);
    Dib dib = CreateDib(screenDc, width, height);
    if (memoryDc != nullptr && dib.bitmap != nullptr) {
        HGDIOBJ previous = SelectObject(memoryDc, dib.bitmap);
        if (draw(memoryDc, screenDc, width, height)) {
            pixels = CopyOut(dib, width, height);
        }
        SelectObject(memoryDc, previous);
    }
    if (dib.bitmap != nullptr) {
        DeleteObject(dib.bitmap);
    }
    if (memoryDc != nullptr) {
        DeleteDC(memoryDc);
    }
    ReleaseDC(nullptr, screenDc);
    return pixels;
}

bool WriteBmp(const std::wstring& path, const ScreenPixels& pixels) {
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = pixels.width;
    header.biHeight = pixels.height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(pixels.bits.size());
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + header.biSizeImage;
    std::string bytes;
    bytes.append(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&header), sizeof header);
    bytes.append(reinterpret_cast<const char*>(pixels.bits.data()), pixels.bits.size());
    return testsupport::WriteFileBytes(path, bytes);
}

}  // namespace

COLORREF ScreenPixels::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) {
        return 0;
    }
    const size_t offset =
        static_cast<size_t>(height - 1 - y) * Stride() + static_cast<size_t>(x) * 3;
    return RGB(bits[offset + 2], bits[offset + 1], bits[offset]);
}

ScreenPixels CaptureScreen(RECT area) {
    RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT clipped;
    if (!IntersectRect(&clipped, &area, &screen)) {
        return {};
    }
    return DrawPixels(clipped.right - clipped.left, clipped.bottom - clipped.top,
                      [&clipped](HDC memoryDc, HDC screenDc, int width, int height) {
                          return BitBlt(memoryDc, 0, 0, width, height, screenDc, clipped.left,
                                        clipped.top, SRCCOPY | CAPTUREBLT) != FALSE;
                      });
}

ScreenPixels RenderIcon(HICON icon, int width, int height, COLORREF background) {
    return DrawPixels(width, height, [icon, background](HDC memoryDc, HDC, int w, int h) {
        RECT all{0, 0, w, h};
        HBRUSH brush = CreateSolidBrush(background);
        FillRect(memoryDc, &all, brush);
        DeleteObject(brush);
        return DrawIconEx(memoryDc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL) != FALSE;
    });
}

int ColourDistance(COLORREF a, COLORREF b) {
    return abs(GetRValue(a) - GetRValue(b)) + abs(GetGValue(a) - GetGValue(b)) +
           abs(GetBValue(a) - GetBValue(b));
}

PictureMatch FindPicture(const ScreenPixels& area, const std::vector<COLORREF>& picture, int width,
                         int height) {
    PictureMatch best;
    for (int top = 0; top + height <= area.height; ++top) {
        for (int left = 0; left + width <= area.width; ++left) {
            long total = 0;
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    total += ColourDistance(area.At(left + x, top + y),
                                            picture[static_cast<size_t>(y * width + x)]);
                }
            }
            const double distance = static_cast<double>(total) / (width * height);
            if (distance < best.distance) {
                best = {distance, {left, top}};
            }
        }
    }
    return best;
}

std::wstring SaveScreenshot(HWND window, const std::string& name) {
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (window != nullptr) {
        if (!IsWindowVisible(window)) {
            ADD_FAILURE() << "screenshot " << name << ": the window is not visible";
            return {};
        }
        // Let a fade in progress finish and the window paint before reading the screen.
        WaitUntil(
            [window] {
                const std::optional<int> alpha = Opacity(window);
                return !alpha || *alpha == 255;
            },
            kFadeTimeoutMs);
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
        Pause(kSettleMs);
        if (!GetWindowRect(window, &area)) {
            return {};
        }
    }
    const ScreenPixels pixels = CaptureScreen(area);
    if (pixels.bits.empty()) {
        ADD_FAILURE() << "screenshot " << name << ": nothing could be read from the screen";
        return {};
    }
    const std::wstring folder =
        testsupport::JoinPath(testsupport::BuildDirectory(), L"screenshots");
    testsupport::CreateDirectories(folder);
    const std::wstring path = testsupport::JoinPath(
        folder, FromCp1252(testsupport::CurrentTestName() + "_" + name + ".bmp"));
    if (!WriteBmp(path, pixels)) {
        ADD_FAILURE() << "screenshot " << name << ": cannot write " << ToCp1252(path);
        return {};
    }
    return path;
}

}  // namespace e2e
