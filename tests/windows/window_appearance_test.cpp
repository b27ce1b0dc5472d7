// Whole-window transparency through the function looked up at run time: its two failure rules
// (no library, a library without the function), the alpha that Wine's user32 really holds
// afterwards, and the 21 steps of a fade as the function receives them. For the last, this exe
// exports its own "SetLayeredWindowAttributes" and is loaded as the library, so every call is
// recorded.
// The system's declaration is renamed while the headers are read, so that the stand-in below
// can take the function's own name.
#define SetLayeredWindowAttributes SystemSetLayeredWindowAttributes
#include <windows.h>
#undef SetLayeredWindowAttributes

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ui/WindowAppearance.h"

namespace {

struct LayeredCall {
    HWND window;
    COLORREF key;
    BYTE alpha;
    DWORD flags;
};
std::vector<LayeredCall> layeredCalls;

}  // namespace

// The recording stand-in, found by name like the user-interface library's own function.
extern "C" __declspec(dllexport) BOOL WINAPI
    SetLayeredWindowAttributes(HWND window, COLORREF key, BYTE alpha, DWORD flags) {
    layeredCalls.push_back({window, key, alpha, flags});
    return TRUE;
}

namespace {

// The opacity of each step of a fade-out; a fade-in runs them backwards.
constexpr std::array<BYTE, 21> kFadeOutSteps = {
    255, 242, 229, 216, 204, 191, 178, 165, 153, 140, 127, 114, 102, 89, 76, 63, 51, 38, 25, 12, 0};

constexpr COLORREF kBackground = RGB(0x20, 0x60, 0xC0);

struct Attributes {
    bool read = false;
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
};

Attributes ReadAttributes(HWND window) {
    Attributes attributes;
    attributes.read = GetLayeredWindowAttributes(window, &attributes.key, &attributes.alpha,
                                                 &attributes.flags) != FALSE;
    return attributes;
}

// Sets the alpha through user32 itself, bypassing the code under test.
void SetAlphaDirectly(HWND window, BYTE alpha) {
    using Function = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
    auto function = reinterpret_cast<Function>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("USER32.dll"), "SetLayeredWindowAttributes")));
    ASSERT_NE(function, nullptr);
    ASSERT_TRUE(function(window, 0, alpha, LWA_ALPHA));
}

std::string ThisExeName() {
    char path[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
    if (length == 0 || length >= sizeof(path)) {
        return {};
    }
    return path;
}

class WindowAppearanceTest : public testing::Test {
  protected:
    void SetUp() override {
        layeredCalls.clear();
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "AppearanceTestWindow";
        windowClass.hbrBackground = CreateSolidBrush(kBackground);
        RegisterClassA(&windowClass);  // fails harmlessly after the first test
        // Away from where the end-to-end tests look (Wine's tray window at the top left, the
        // program's windows in the middle), as both may run at once.
        window = CreateWindowExA(0, "AppearanceTestWindow", "appearance", WS_POPUP, 1100, 900, 120,
                                 80, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        appearance.SetWindow(window);
    }
    void TearDown() override {
        appearance.Release();
        if (window != nullptr) {
            DestroyWindow(window);
        }
    }

    HWND window = nullptr;
    WindowAppearance appearance;
};

TEST_F(WindowAppearanceTest, MakeLayeredAddsTheStyleAndKeepsTheOthers) {
    const LONG_PTR before = GetWindowLongPtrA(window, GWL_EXSTYLE);
    SetWindowLongPtrA(window, GWL_EXSTYLE, before | WS_EX_TOOLWINDOW);
    appearance.MakeLayered();
    const LONG_PTR after = GetWindowLongPtrA(window, GWL_EXSTYLE);
    EXPECT_NE(after & WS_EX_LAYERED, 0);
    EXPECT_NE(after & WS_EX_TOOLWINDOW, 0) << "the other extended styles were lost";
}

TEST_F(WindowAppearanceTest, WithTheUserInterfaceLibraryTheAlphaReadsBack) {
    appearance.MakeLayered();
    appearance.Load();
    ASSERT_NE(appearance.GetModule(), nullptr);
    for (BYTE alpha : {255, 128, 0, 7}) {
        SCOPED_TRACE(static_cast<int>(alpha));
        EXPECT_TRUE(appearance.SetOpacity(alpha));
        const Attributes attributes = ReadAttributes(window);
        ASSERT_TRUE(attributes.read);
        EXPECT_EQ(attributes.alpha, alpha);
        EXPECT_EQ(attributes.flags, static_cast<DWORD>(LWA_ALPHA)) << "alpha only, no colour key";
    }
}

TEST_F(WindowAppearanceTest, FadesEndOpaqueOrInvisible) {
    appearance.MakeLayered();
    appearance.Load();
    ShowWindow(window, SW_SHOWNOACTIVATE);
    appearance.FadeWindow(true);
    EXPECT_EQ(ReadAttributes(window).alpha, 0);
    appearance.FadeWindow(false);
    EXPECT_EQ(ReadAttributes(window).alpha, 255);
    appearance.SetOpacity(100);
    appearance.FadeWindow(true);
    EXPECT_EQ(ReadAttributes(window).alpha, 0) << "a fade-out ends invisible from any alpha";
}

// Without the library every opacity request is a success that changes nothing: the fades then
// simply have no effect.
TEST_F(WindowAppearanceTest, WithoutTheLibraryEveryRequestSucceedsAndChangesNothing) {
    appearance.MakeLayered();
    SetAlphaDirectly(window, 200);
    ASSERT_EQ(appearance.GetModule(), nullptr);
    EXPECT_TRUE(appearance.SetOpacity(0));
    EXPECT_TRUE(appearance.SetOpacity(255));
    appearance.FadeWindow(true);
    EXPECT_EQ(ReadAttributes(window).alpha, 200);

    // A released library counts as none.
    appearance.Load();
    appearance.Release();
    EXPECT_EQ(appearance.GetModule(), nullptr);
    EXPECT_TRUE(appearance.SetOpacity(3));
    EXPECT_EQ(ReadAttributes(window).alpha, 200);
}

// A platform whose library lacks the function: every request fails and changes nothing, and
// the window still shows, paints and hides.
TEST_F(WindowAppearanceTest, ALibraryWithoutTheFunctionFailsEveryRequestAndTheWindowStillWorks) {
    appearance.Load("KERNEL32.dll");
    ASSERT_NE(appearance.GetModule(), nullptr);
    EXPECT_FALSE(appearance.SetOpacity(255));
    EXPECT_FALSE(appearance.SetOpacity(0));
    appearance.FadeWindow(true);
    appearance.FadeWindow(false);
    EXPECT_FALSE(ReadAttributes(window).read) << "an alpha reached the window";

    ShowWindow(window, SW_SHOWNOACTIVATE);
    UpdateWindow(window);
    EXPECT_TRUE(IsWindowVisible(window));
    RECT area;
    ASSERT_TRUE(GetWindowRect(window, &area));
    HDC screen = GetDC(nullptr);
    const COLORREF shown =
        GetPixel(screen, (area.left + area.right) / 2, (area.top + area.bottom) / 2);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(shown, kBackground) << "the window is not painted opaque on the screen";
    appearance.FadeWindow(true);
    ShowWindow(window, SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(window));
}

// Every step of a fade goes to the function found at run time, for the window, with the alpha
// flag only and no colour key, in the order of the fade.
TEST_F(WindowAppearanceTest, FadesCallTheLookedUpFunctionWithTheTwentyOneSteps) {
    const std::string self = ThisExeName();
    ASSERT_FALSE(self.empty());
    if (GetProcAddress(GetModuleHandleA(nullptr), "SetLayeredWindowAttributes") == nullptr) {
        GTEST_SKIP() << "this build exports the stand-in under a decorated name";
    }
    appearance.Load(self.c_str());
    ASSERT_EQ(appearance.GetModule(), GetModuleHandleA(nullptr));

    for (bool out : {true, false}) {
        SCOPED_TRACE(out ? "fade-out" : "fade-in");
        layeredCalls.clear();
        appearance.FadeWindow(out);
        std::array<BYTE, 21> steps = kFadeOutSteps;
        if (!out) {
            std::reverse(steps.begin(), steps.end());
        }
        ASSERT_EQ(layeredCalls.size(), steps.size());
        for (size_t i = 0; i < steps.size(); ++i) {
            EXPECT_EQ(layeredCalls[i].window, window);
            EXPECT_EQ(layeredCalls[i].key, 0u);
            EXPECT_EQ(layeredCalls[i].alpha, steps[i]) << "step " << i;
            EXPECT_EQ(layeredCalls[i].flags, static_cast<DWORD>(LWA_ALPHA));
        }
        EXPECT_EQ(layeredCalls.front().alpha, out ? 255 : 0);
        EXPECT_EQ(layeredCalls.back().alpha, out ? 0 : 255);
    }
    layeredCalls.clear();
    EXPECT_TRUE(appearance.SetOpacity(77));
    ASSERT_EQ(layeredCalls.size(), 1u);
    EXPECT_EQ(layeredCalls[0].alpha, 77);
}

}  // namespace
