// The program's own printf: the conversions that its texts use, and no more, so that the program
// carries no C runtime formatting code (portable: no Windows calls).
#pragma once

#include <cstddef>

// Writes format into buffer as snprintf does, each conversion replaced by the next argument,
// and cuts a longer text at size - 1 characters; the text always ends with a NUL (unless size
// is 0). Returns the length written, at most size - 1. The conversions are:
//   %d %u %X   int, unsigned int, unsigned int in capital hexadecimal; with l before the letter
//              (%ld, %lu, %lX) long and unsigned long;
//   %s         a text;
//   %f         a double with a precision (%.4f; at most 9 decimals, 6 when none is given),
//              rounded as printf rounds it: to the nearest of the exact binary value, an exact
//              half to the even last digit; "inf" and "nan" for those values;
//   %%         the character %.
// Each may have the flag 0 (numbers: zeros instead of spaces after the sign) and a width.
// Anything else after a % is copied as it stands.
size_t FormatText(char* buffer, size_t size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
