// Owners of the handles the program closes or deletes itself: each closes its handle when it
// goes out of scope or gets another one, and can be moved but not copied.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <utility>

template <class Traits>
class UniqueHandle {
  public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        reset(other.release());
        return *this;
    }

    Handle get() const { return handle; }
    bool valid() const { return handle != Traits::Invalid(); }
    explicit operator bool() const { return valid(); }
    // Closes the handle held (if any) and holds the new one.
    void reset(Handle replacement = Traits::Invalid()) {
        Handle old = std::exchange(handle, replacement);
        if (old != Traits::Invalid()) {
            Traits::Close(old);
        }
    }
    // Gives the handle up without closing it.
    Handle release() { return std::exchange(handle, Traits::Invalid()); }

  private:
    Handle handle = Traits::Invalid();
};

namespace handle_traits {

struct File {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) { CloseHandle(handle); }
};

template <class H>
struct GdiObject {
    using Handle = H;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) { DeleteObject(handle); }
};

struct MemoryDc {
    using Handle = HDC;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) { DeleteDC(handle); }
};

struct Menu {
    using Handle = HMENU;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) { DestroyMenu(handle); }
};

struct Module {
    using Handle = HMODULE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) { FreeLibrary(handle); }
};

struct WindowsHook {
    using Handle = HHOOK;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) { UnhookWindowsHookEx(handle); }
};

struct Internet {
    using Handle = HINTERNET;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) { InternetCloseHandle(handle); }
};

}  // namespace handle_traits

using UniqueFile = UniqueHandle<handle_traits::File>;
using UniqueBitmap = UniqueHandle<handle_traits::GdiObject<HBITMAP>>;
using UniqueMemoryDc = UniqueHandle<handle_traits::MemoryDc>;
using UniqueMenu = UniqueHandle<handle_traits::Menu>;
using UniqueModule = UniqueHandle<handle_traits::Module>;
using UniqueInternetHandle = UniqueHandle<handle_traits::Internet>;
using UniqueHook = UniqueHandle<handle_traits::WindowsHook>;
