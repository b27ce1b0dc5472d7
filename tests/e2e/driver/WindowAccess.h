// Reading and acting on the windows of another process: texts, states and items of controls
// are read (each read has a time limit); clicks, keys and choices are posted, never sent, so
// that an action that opens a message box never blocks the driver. Texts are Windows-1252, as
// the program's own texts and the test literals.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "support/Cp1252.h"

namespace e2e {

using testsupport::FromCp1252;
using testsupport::ToCp1252;

// ---- Reading windows of any process ------------------------------------------------------

std::string WindowText(HWND window);  // WM_GETTEXT; "" when the window does not answer
std::string ClassOf(HWND window);
HWND Control(HWND dialog, int id);
std::string ControlText(HWND dialog, int id);
bool IsControlEnabled(HWND dialog, int id);  // false when the control does not exist
bool IsControlVisible(HWND dialog, int id);  // the control and all its parents visible
int CheckState(HWND dialog, int id);         // BST_UNCHECKED, BST_CHECKED, BST_INDETERMINATE
// The control that has the keyboard focus in the window's thread (or null).
HWND FocusedControl(HWND window);
// Opacity of a layered window as set by SetLayeredWindowAttributes; nothing when the window
// is not layered or has no alpha set.
std::optional<int> Opacity(HWND window);

// The texts of a window's child controls, in their order.
std::vector<std::string> ChildTexts(HWND window);
bool HasChildText(HWND window, const std::string& text);
// CORVINET.exe beside the test program, loaded for its resources only (FreeLibrary when done);
// null (and a test failure) when it cannot be read.
HMODULE LoadProgramResources();
// A string of the program's string table, read from CORVINET.exe beside the test program.
std::string ProgramString(UINT id);
// Top-level windows of a process (message boxes, menus and tooltips included).
std::vector<HWND> TopLevelWindows(DWORD processId, bool visibleOnly = false);

// Items of a list box or combo box, read through the wide-character messages (the ANSI ones
// return UTF-16 across processes under Wine) with each buffer sized from the item's length.
std::vector<std::string> ListBoxItems(HWND list);
int ListBoxSelection(HWND list);  // LB_ERR (-1) when nothing is selected
std::vector<std::string> ComboBoxItems(HWND combo);
int ComboBoxSelection(HWND combo);  // CB_ERR (-1) when nothing is selected

// ---- Acting on windows (posted) ----------------------------------------------------------

// Presses a button the way a user can: fails the test (and returns false) when the control
// is missing, disabled or hidden. Posts BM_CLICK.
bool Click(HWND dialog, int id);
// Posts WM_COMMAND (id, notification) to the dialog, as a control of it would send it.
void PostCommand(HWND dialog, int id, int notification = BN_CLICKED);
// Posts a key press and release (WM_KEYDOWN, WM_KEYUP) to target.
void PressKey(HWND target, UINT virtualKey);
// Posts WM_CHAR.
void TypeChar(HWND target, wchar_t character);
// Replaces the text of an edit field (WM_SETTEXT).
bool SetControlText(HWND dialog, int id, const std::string& text);
// Selects an item and tells the dialog, as a user's choice would (CBN_SELCHANGE,
// LBN_SELCHANGE).
bool SelectComboItem(HWND dialog, int id, int index);
bool SelectListItem(HWND dialog, int id, int index);
// The same for a combo box, with the notification sent: returns once the dialog has handled the
// change (for handlers that open no message box).
bool ChooseComboItem(HWND dialog, int id, int index);

}  // namespace e2e
