// Checks of the text typed into dialog fields (portable: no Windows calls).
#pragma once

#include <cstdint>
#include <string>

// A whole decimal number without a sign, blanks allowed before and after, nothing else;
// an empty field, a minus sign or a value above 4294967295 is refused.
bool ParseUnsignedField(const std::string& text, uint32_t& value);

// The standard prompt for a text longer than maxChars, with %1 replaced by the number.
std::string FormatMaxCharsPrompt(const char* prompt, size_t maxChars);
