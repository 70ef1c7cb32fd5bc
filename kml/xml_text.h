#pragma once
#include <string>
#include <string_view>

namespace quilmo {

// Text heard on the air (UTF-8 sequences as they are, other bytes as Windows-1252) as the content of an XML 1.0 element in a UTF-8 file:
// "&", "<", ">" escaped; CR and LF as character references so each element
// stays on its line; other control bytes XML 1.0 forbids become U+FFFD. The five
// bytes Windows-1252 leaves undefined keep their own code points, as on screen.
std::string xmlElementText(std::string_view bytes);

}  // namespace quilmo
