#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/layout.h"

namespace quilmo {
namespace {

// The drawing's own numbers on a 1024 x 768 screen at 96 dpi (15360 x 11520 twips).
TEST(MainWindowLayout, DrawingFormulasForTheScreen) {
    const auto on = mainWindowLayout(15360, 11520, true);
    const auto off = mainWindowLayout(15360, 11520, false);
    const struct { const char* name; double TwipRect::*field; double value; } rows[] = {
        {"Command2", &TwipRect::left, 14860},  {"Command3", &TwipRect::left, 14560},
        {"Check2", &TwipRect::left, 13360},    {"Label32", &TwipRect::left, 13610},
        {"Text2", &TwipRect::width, 4290},     {"Text7", &TwipRect::width, 4290},
        {"Label6", &TwipRect::top, 10720},     {"Text3", &TwipRect::height, 1520.0 / 3 + 1455},
        {"Label37", &TwipRect::top, 11000},    {"Label36", &TwipRect::left, 13610},
    };
    for (const auto& r : rows) EXPECT_DOUBLE_EQ(on.at(r.name).*r.field, r.value) << r.name;
    EXPECT_EQ(on.at("Text2").height, 2535);
    // Without APRS the Tx view reaches down as far as the Rx view.
    EXPECT_EQ(off.at("Text2").height, off.at("Text1").height);
}

// What each APRS state (off, paused, running) hides; everything else counts as shown,
// the XOFF sign and the notice line included, since either may appear at any time.
const std::set<std::string> kHiddenWhenAprs[] = {
    {"Text7", "Label25", "Label26", "Label31", "Label32", "Label33", "Label34", "Label35", "Label36"},
    {"Label31", "Label35"},
    {"Label32", "Label33"},
};

bool overlap(const PixelRect& a, const PixelRect& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

// Physical screens at the usual scale factors: the window sees the logical size.
TEST(ScreenLayout, NothingOverlapsOrLeavesTheScreen) {
    const struct { int width, height; } screens[] = {
        {800, 600},   {1024, 768},  {1280, 720},  {1280, 800},  {1280, 1024}, {1366, 768},
        {1440, 900},  {1600, 1200}, {1920, 1080}, {1920, 1200}, {2560, 1440}, {3840, 2160},
    };
    for (const auto& screen : screens) {
        for (double factor : {1.0, 1.25, 1.5, 2.0}) {
            const int w = static_cast<int>(screen.width / factor), h = static_cast<int>(screen.height / factor);
            for (int run = 0; run < 6; ++run) {
                const double dpi = run < 3 ? 96 : 120;
                const int aprs = run % 3;
                SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + " dpi " + std::to_string(dpi) + " aprs " +
                             std::to_string(aprs));
                const WindowLayout layout = screenLayout(w, h, dpi, aprs != 0);
                const std::set<std::string>& hidden = kHiddenWhenAprs[aprs];
                // Scaled or not, the window still reaches across and down the screen.
                const PixelRect exit = layout.elements.at("Command2"), notice = layout.elements.at("Label37");
                EXPECT_TRUE(exit.x + exit.width >= w - 25 && notice.y + notice.height >= h - 25);
                EXPECT_EQ(layout.scale == 1, w * 1440 / dpi >= 16500 && h * 1440 / dpi >= 11520);
                for (auto a = layout.elements.begin(); a != layout.elements.end(); ++a) {
                    if (hidden.count(a->first) != 0) continue;
                    const PixelRect& r = a->second;
                    EXPECT_TRUE(r.width > 0 && r.height > 0) << a->first << " is empty";
                    EXPECT_TRUE(r.x >= 0 && r.y >= 0 && r.x + r.width <= w && r.y + r.height <= h) << a->first << " leaves";
                    for (auto b = std::next(a); b != layout.elements.end(); ++b)
                        EXPECT_TRUE(hidden.count(b->first) || !overlap(r, b->second)) << a->first << " meets " << b->first;
                }
            }
        }
    }
}

}  // namespace
}  // namespace quilmo
