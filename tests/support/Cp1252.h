// Conversions between the UTF-16 text that windows and the registry hold and the
// Windows-1252 bytes that the program's texts are made of. Test literals are compiled to
// Windows-1252 too, so converted texts compare directly with them.
#pragma once

#include <string>
#include <string_view>

namespace testsupport {

// Characters without a Windows-1252 form become '?'.
std::string ToCp1252(std::wstring_view text);
std::wstring FromCp1252(std::string_view text);

}  // namespace testsupport
