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

// The sum of the differences of red, green and blue.
int ColourDistance(COLORREF a, COLORREF b);

struct PictureMatch {
    double distance = 1e9;  // mean colour distance of the best place
    POINT at{};             // its top left corner in the area
};

// The place of the area that looks most like the picture (width x height colours, row by row).
PictureMatch FindPicture(const ScreenPixels& area, const std::vector<COLORREF>& picture, int width,
                         int height);

}  // namespace e2e
