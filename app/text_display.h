#pragma once
#include <QString>
#include <string>
#include <string_view>

namespace quilmo {

// Bytes put into the Tx buffer (macros): line ends become the edit's line breaks,
// every other byte stays as it is so it goes out unchanged.
QString editText(std::string_view bytes);

// The Tx buffer as bytes, from its document's raw text (plain text would turn a
// no-break space into a blank): every line break of the edit is CR LF on the wire. A line
// is Windows-1252, or UTF-8 when it holds a character Windows-1252 has no byte for.
std::string txBufferBytes(const QString& rawText);

}  // namespace quilmo
