#include "ui/WindowAppearance.h"

#include <type_traits>

#include "ui/FadeSteps.h"

namespace {
using SetLayeredWindowAttributesFunction = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
// Looked up by name, so only this type tells the compiler how to call it: in the 32-bit build
// the callee clears its arguments from the stack (WINAPI), and a mismatch would corrupt it.
static_assert(
    std::is_same_v<SetLayeredWindowAttributesFunction, decltype(&SetLayeredWindowAttributes)>,
    "the system's declaration, calling convention included");
}  // namespace

// A second Load gives back the reference the first one took, so that none is lost.
void WindowAppearance::Load(const char* libraryName) {
    user32Module.reset(LoadLibraryA(libraryName));
}

void WindowAppearance::Release() {
    user32Module.reset();
}

void WindowAppearance::MakeLayered() const {
    LONG_PTR style = GetWindowLongPtrA(target, GWL_EXSTYLE);
    SetWindowLongPtrA(target, GWL_EXSTYLE, style | WS_EX_LAYERED);
}

bool WindowAppearance::SetOpacity(BYTE alpha) const {
    if (!user32Module) {
        return true;
    }
    auto setAttributes = reinterpret_cast<SetLayeredWindowAttributesFunction>(
        reinterpret_cast<void*>(GetProcAddress(user32Module.get(), "SetLayeredWindowAttributes")));
    if (setAttributes == nullptr) {
        return false;
    }
    return setAttributes(target, 0, alpha, LWA_ALPHA) != FALSE;
}

void WindowAppearance::FadeWindow(bool out) const {
    for (uint8_t alpha : FadeSteps(out)) {
        SetOpacity(alpha);
    }
}
