#pragma once
#include <string>
#include <string_view>

namespace quilmo {

// Windows-1252 bytes appended to `out` as UTF-8, one character per byte. The five bytes
// Windows-1252 leaves undefined keep their own code points, as on screen; control bytes
// pass unchanged.
void appendCp1252AsUtf8(std::string& out, std::string_view bytes);
// The way back: UTF-8 to Windows-1252, so the two round-trip every byte. A character
// Windows-1252 cannot hold, and a damaged sequence, become "?".
std::string utf8AsCp1252(std::string_view text);

}  // namespace quilmo
