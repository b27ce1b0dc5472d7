#include "ui/ButtonBitmap.h"

#include "framework/Handles.h"
#include "resource.h"
#include "ui/PictureScale.h"

namespace {

static_assert(IDB_MAIL_125 == IDB_MAIL + kScaledPictureIdStep &&
                  IDB_TIMER_150 == IDB_TIMER + 2 * kScaledPictureIdStep &&
                  IDB_USAGE_200 == IDB_USAGE + 3 * kScaledPictureIdStep,
              "the ids of the pictures' scaled forms");

constexpr BYTE kDrawnFaceGrey = 192;  // the background the pictures were drawn on
constexpr UINT kMaxPaletteColours = 256;

bool IsDrawnFace(BYTE red, BYTE green, BYTE blue) {
    return red == kDrawnFaceGrey && green == kDrawnFaceGrey && blue == kDrawnFaceGrey;
}

// Palette pictures (16 colours): change the palette entry.
void MapPalette(HBITMAP bitmap, COLORREF face) {
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    if (!dc) {
        return;
    }
    HGDIOBJ previous = SelectObject(dc.get(), bitmap);
    RGBQUAD colours[kMaxPaletteColours];
    UINT count = GetDIBColorTable(dc.get(), 0, kMaxPaletteColours, colours);
    for (UINT i = 0; i < count; ++i) {
        if (IsDrawnFace(colours[i].rgbRed, colours[i].rgbGreen, colours[i].rgbBlue)) {
            colours[i].rgbRed = GetRValue(face);
            colours[i].rgbGreen = GetGValue(face);
            colours[i].rgbBlue = GetBValue(face);
        }
    }
    SetDIBColorTable(dc.get(), 0, count, colours);
    SelectObject(dc.get(), previous);
}

// True-colour pictures: change the background pixels themselves.
void MapPixels(const DIBSECTION& section, COLORREF face) {
    GdiFlush();
    BYTE* rows = static_cast<BYTE*>(section.dsBm.bmBits);
    for (LONG y = 0; rows != nullptr && y < section.dsBm.bmHeight; ++y) {
        BYTE* pixel = rows + static_cast<size_t>(y) * section.dsBm.bmWidthBytes;
        for (LONG x = 0; x < section.dsBm.bmWidth; ++x, pixel += 3) {
            if (IsDrawnFace(pixel[2], pixel[1], pixel[0])) {
                pixel[0] = GetBValue(face);
                pixel[1] = GetGValue(face);
                pixel[2] = GetRValue(face);
            }
        }
    }
}

}  // namespace

HBITMAP LoadButtonBitmap(HINSTANCE instance, int id) {
    auto bitmap = static_cast<HBITMAP>(
        LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    DIBSECTION section;
    if (bitmap == nullptr || GetObjectA(bitmap, sizeof(section), &section) != sizeof(section)) {
        return bitmap;
    }
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    if (section.dsBm.bmBitsPixel <= 8) {
        MapPalette(bitmap, face);
    } else if (section.dsBm.bmBitsPixel == 24) {
        MapPixels(section, face);
    }
    return bitmap;
}

// The program declares itself aware of the system DPI, so the screen's device context gives the
// system's own resolution rather than a scaled-down 96.
HBITMAP LoadScaledButtonBitmap(HINSTANCE instance, int id) {
    constexpr int kNormalDpi = 96;
    int dpi = kNormalDpi;
    if (HDC screen = GetDC(nullptr)) {
        dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    return LoadButtonBitmap(instance, ScaledPictureId(id, dpi));
}
