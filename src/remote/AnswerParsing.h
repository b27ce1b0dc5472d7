// Reading the configuration server's short answers (list version, latest release, list count)
// as numbers. Portable: no platform headers, bounded reads of texts that need not end in a NUL.
#pragma once

#include <cstddef>
#include <cstdint>

// The answer read as a number: leading white space skipped (' ', \t \n \v \f \r), one optional
// '+' or '-', then decimal digits up to the first non-digit; no digits -> 0; '-' negates;
// anything after is ignored. Reads at most `length` bytes and stops at a NUL.
// The magnitude saturates at 4294967295; the result is taken modulo 2^32, so "-1" gives
// 4294967295 (answers are compared as unsigned values).
uint32_t ReadAnswerNumber(const char* text, size_t length);

// The same reading as a signed count (first line of the access-number list): the magnitude
// saturates at 2147483647 before the sign is applied ("-5" -> -5, "99999999999" -> 2147483647).
int32_t ReadAnswerCount(const char* text, size_t length);
