// The tool buttons' pictures take the system's button face colour as their background.
#include <gtest/gtest.h>

#include <windows.h>

#include "resource.h"
#include "ui/ButtonBitmap.h"

namespace {

struct PixelCounts {
    int drawnGrey = 0;
    int face = 0;
    int total = 0;
};

PixelCounts CountPixels(HBITMAP bitmap) {
    PixelCounts counts;
    BITMAP info;
    GetObjectA(bitmap, sizeof(info), &info);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    for (int y = 0; y < info.bmHeight; ++y) {
        for (int x = 0; x < info.bmWidth; ++x) {
            COLORREF pixel = GetPixel(dc, x, y);
            counts.drawnGrey += pixel == RGB(192, 192, 192) ? 1 : 0;
            counts.face += pixel == face ? 1 : 0;
            ++counts.total;
        }
    }
    SelectObject(dc, previous);
    DeleteDC(dc);
    return counts;
}

}  // namespace

TEST(ButtonBitmap, BackgroundGreyBecomesTheButtonFaceAndThePictureStays) {
    ASSERT_NE(GetSysColor(COLOR_BTNFACE), RGB(192, 192, 192)) << "needs a face other than grey 192";
    for (int id : {IDB_MAIL, IDB_TIMER, IDB_USAGE}) {
        SCOPED_TRACE(id);
        HBITMAP plain = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
        HBITMAP mapped = LoadButtonBitmap(GetModuleHandleA(nullptr), id);
        ASSERT_NE(plain, nullptr);
        ASSERT_NE(mapped, nullptr);
        PixelCounts before = CountPixels(plain);
        PixelCounts after = CountPixels(mapped);
        EXPECT_GT(before.drawnGrey, 0);
        EXPECT_EQ(after.drawnGrey, 0);
        EXPECT_EQ(after.face, before.face + before.drawnGrey);
        EXPECT_LT(after.face, after.total);  // the picture itself is still there
        DeleteObject(plain);
        DeleteObject(mapped);
    }
}

TEST(ButtonBitmap, MissingPictureGivesNoBitmap) {
    EXPECT_EQ(LoadButtonBitmap(GetModuleHandleA(nullptr), 4242), nullptr);
}
