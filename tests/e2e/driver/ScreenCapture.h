// Pixels of a screen area, read back from the display (internal to the driver).
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace e2e {

struct ScreenPixels {
    int width = 0;
    int height = 0;
    // Rows from the bottom up, 24-bit blue-green-red, each row padded to four bytes: the
    // layout of a BMP file's pixel data.
    std::vector<uint8_t> bits;

    int Stride() const { return (width * 3 + 3) & ~3; }
    COLORREF At(int x, int y) const;
};

// The area (screen coordinates) clipped to the screen; empty when nothing is left.
ScreenPixels CaptureScreen(RECT area);
// Draws icon over a plain background of the given colour, at the area's size.
ScreenPixels RenderIcon(HICON icon, int width, int height, COLORREF background);

}  // namespace e2e
