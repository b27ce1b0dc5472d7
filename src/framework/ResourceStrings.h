// Access to the program's string table.
#pragma once

#include <windows.h>

#include <string>

constexpr int kMaxResourceString = 512;  // longest string-table entry read, with its NUL

// The string with this id, in Windows-1252; empty when the table has none.
std::string LoadResString(UINT id);
