#pragma once
#include <QString>
#include <string>
#include <string_view>

namespace quilmo {

// Windows-1252 <-> QString, one byte per character. Bytes 0x81, 0x8D, 0x8F, 0x90 and
// 0x9D (undefined in Windows-1252) map to the same code points so nothing received is lost.
QString fromCp1252(std::string_view bytes);
// A character outside Windows-1252 becomes "?".
std::string toCp1252(const QString& text);
// Whether every character of `text` has a Windows-1252 byte.
bool fitsCp1252(const QString& text);

// Text heard on the air (platform/cp1252_utf8.h): UTF-8 sequences as the characters they
// encode, every other byte as Windows-1252.
QString fromAirText(std::string_view bytes);

}  // namespace quilmo
