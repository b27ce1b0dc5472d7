// The installer's own NSIS plugin: whether a named mutex exists. The installer and the
// uninstaller ask it for the program's single-instance mutex, since the program's file cannot
// be replaced or removed while the program runs (installer/corvinet.nsi):
//
//   MutexCheck::Exists "<name>"
//   Pop $0   ; "1" when a mutex of that name exists, "0" when none does (or it cannot be opened)
//
// It stands in for NSIS's general System plugin, which the installer and the uninstaller would
// each carry (some 11 to 13 KB compressed, each): built without the C runtime, with only
// kernel32 imported, it is a few kilobytes.
#include <windows.h>

namespace {

// An entry of NSIS's stack of strings, as plugins get it: each holds a text of the size that
// NSIS gives the plugin, in characters.
struct StackEntry {
    StackEntry* next;
    wchar_t text[1];
};

// Takes the top entry off the stack into text (size characters, NUL included); false when the
// stack is empty.
bool Pop(StackEntry** stack, wchar_t* text, int size) {
    StackEntry* top = stack != nullptr ? *stack : nullptr;
    if (top == nullptr) {
        return false;
    }
    lstrcpynW(text, top->text, size);
    *stack = top->next;
    GlobalFree(top);
    return true;
}

void Push(StackEntry** stack, const wchar_t* text, int size) {
    if (stack == nullptr) {
        return;
    }
    auto* entry = static_cast<StackEntry*>(
        GlobalAlloc(GPTR, sizeof(StackEntry) + static_cast<SIZE_T>(size) * sizeof(wchar_t)));
    if (entry == nullptr) {
        return;
    }
    lstrcpynW(entry->text, text, size);
    entry->next = *stack;
    *stack = entry;
}

// NSIS's strings are at most 8192 characters; a mutex name at most MAX_PATH.
constexpr int kNameSize = MAX_PATH;

}  // namespace

extern "C" {

// The DLL's entry point: nothing to set up or tear down.
BOOL WINAPI MutexCheckEntry(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}

__declspec(dllexport) void __cdecl Exists(HWND, int stringSize, wchar_t*, StackEntry** stack,
                                          void*) {
    wchar_t name[kNameSize];
    bool exists = false;
    if (Pop(stack, name, kNameSize)) {
        HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, name);
        if (mutex != nullptr) {
            exists = true;
            CloseHandle(mutex);
        }
    }
    Push(stack, exists ? L"1" : L"0", stringSize);
}

}  // extern "C"
