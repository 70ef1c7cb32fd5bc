#pragma once
#include <QString>
#include <string>
#include <string_view>

namespace quilmo {

// A growing view shows its exact bytes with CR LF, lone CR and lone LF as line
// breaks; other control characters become their visible Control Pictures glyphs
// so nothing received disappears. `pendingCr` carries a CR that ended the previous
// chunk, so a CR LF split across two chunks still makes one line break.
QString viewText(std::string_view bytes, bool& pendingCr);

// Bytes put into the Tx buffer (macros): line ends become the edit's line breaks,
// every other byte stays as it is so it goes out unchanged.
QString editText(std::string_view bytes);

// The Tx buffer as bytes, from its document's raw text (plain text would turn a
// no-break space into a blank): every line break of the edit is CR LF on the wire.
std::string txBufferBytes(const QString& rawText);

}  // namespace quilmo
