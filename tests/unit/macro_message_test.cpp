#include <gtest/gtest.h>

#include "platform/files.h"
#include "temp_dir.h"
#include "terminal/macro_use.h"
#include "terminal/macros.h"

namespace quilmo {
namespace {

// Alt+F shows the head of a long macro: never more than kShownMacroBytes of it, cut
// where the bytes run out, with the ellipsis only when something was left out.
TEST(MacroMessage, LongMacroShowsItsHeadThenEllipsis) {
    const std::string head = "Macro nr. 1\r\n\r\n";
    const struct { const char* name; std::string file; std::string shown; } rows[] = {
        {"exactly the limit", std::string(kShownMacroBytes, 'a'), std::string(kShownMacroBytes, 'a')},
        {"ten megabytes", std::string(10'000'000, 'c'), std::string(kShownMacroBytes, 'c') + "\x85"},
        // The limit counts file bytes; a line end shown as text makes the message longer.
        {"line ends", "x\r\n" + std::string(kShownMacroBytes, 'y'),
         "x[CR]\r[LF]" + std::string(kShownMacroBytes - 3, 'y') + "\x85"},
    };
    for (const auto& r : rows) {
        test::TempDir dir;
        ASSERT_TRUE(writeWholeFile(macroPath(dir.path, 1), r.file));
        EXPECT_EQ(macroMessage(dir.path, 1), head + r.shown) << r.name;
    }
}

}  // namespace
}  // namespace quilmo
