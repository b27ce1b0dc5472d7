// Read first, in the release configuration, by the precompiled header that every source of the
// program reads before anything else (cmake/windows.cmake).
//
// libstdc++ declares the members of std::string as instantiated in the library (extern
// template), so the program's std::string code comes from the library's object file of them,
// and that file comes whole: the linker keeps the unwind tables of everything it links (the
// .pdata and .xdata of the 64-bit build, the .eh_frame of the 32-bit one), and the tables keep
// every member alive, used or not: 19 KiB of the 64-bit program, 28.5 KiB of the 32-bit one.
// With the declarations switched off (_GLIBCXX_EXTERN_TEMPLATE, which libstdc++'s own checked
// configuration, _GLIBCXX_ASSERTIONS, switches off for std::string too), each source
// instantiates the members it uses, and the program carries only those.
#pragma once

#include <bits/c++config.h>

#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE 0
