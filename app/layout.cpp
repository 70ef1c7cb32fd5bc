#include "app/layout.h"

#include <algorithm>
#include <cmath>

namespace quilmo {

double pixelsToTwips(int pixels, double dpi) {
    return pixels * 1440.0 / dpi;
}

PixelRect toPixels(const TwipRect& r, double pixelsPerTwip) {
    const auto at = [pixelsPerTwip](double twips) { return static_cast<int>(std::lround(twips * pixelsPerTwip)); };
    const int x = at(r.left), y = at(r.top);
    return {x, y, at(r.left + r.width) - x, at(r.top + r.height) - y};
}

std::map<std::string, TwipRect> mainWindowLayout(double screenW, double screenH, bool aprsOn) {
    const double rightPanelWidth = screenW - 10320 - 750;
    const double bottomRow = screenH - 1550;
    const double bottomCaptions = screenH - 1780;
    const double aprsButtons = screenW - 1750;
    // The Tx buffer takes a third of whatever the screen has beyond 10000 twips.
    const double txBufferHeight = (screenH - 10000) / 3 + 1455;

    return {
        // Text areas
        {"Text1", {600, 720, 9615, 6615}},
        {"Text2", {10320, 720, rightPanelWidth, aprsOn ? 2535.0 : 6615.0}},
        {"Text7", {10320, 3600, rightPanelWidth, 3735}},
        {"Text3", {600, 7560, 9615, txBufferHeight}},
        {"Text4", {2040, bottomRow, 2415, 285}},
        {"Text5", {4680, bottomRow, 2415, 285}},
        {"Text6", {7320, bottomRow, 2415, 285}},
        // Buttons
        {"Command2", {screenW - 500, 240, 255, 255}},
        {"Command3", {screenW - 800, 240, 255, 255}},
        {"Label22", {7560, 240, 255, 255}},
        {"Label23", {7920, 240, 255, 255}},
        {"Label12", {10440, 7560, 735, 255}},
        {"Label13", {11520, 7560, 735, 255}},
        {"Label14", {12600, 7560, 735, 255}},
        {"Label15", {13680, 7560, 735, 255}},
        {"Label16", {10440, 8160, 735, 255}},
        {"Label17", {11520, 8160, 735, 255}},
        {"Label18", {12600, 8160, 735, 255}},
        {"Label19", {13680, 8160, 735, 255}},
        {"Label27", {10440, 8760, 1815, 255}},
        {"Label20", {12600, 8760, 735, 255}},
        {"Label21", {13680, 8760, 735, 255}},
        {"Label28", {12600, 9360, 735, 255}},
        {"Label29", {13680, 9360, 735, 255}},
        {"Label7", {600, bottomRow, 495, 255}},
        {"Label8", {1320, bottomRow, 495, 255}},
        {"Label35", {aprsButtons, 7560, 975, 255}},
        {"Label31", {aprsButtons, 8400, 975, 255}},
        {"Label32", {aprsButtons, 8760, 975, 255}},
        {"Label34", {aprsButtons, 9360, 975, 255}},
        {"Label36", {aprsButtons, 9720, 975, 255}},  // " stations": the heard-stations window
        {"Label38", {aprsButtons, 10035, 975, 255}},  // " map"
        {"Label39", {aprsButtons, 10350, 975, 255}},  // " messages"
        {"Label40", {aprsButtons, 10665, 975, 255}},  // " settings", shown with APRS off too
        // Check boxes
        {"Check1", {8880, 240, 975, 255}},
        {"Check2", {screenW - 2000, 240, 975, 315}},
        // Captions, indicators, status
        {"Picture1", {120, 0, 480, 480}},
        {"Label4", {840, 120, 2415, 255}},
        {"Label5", {3360, 120, 2295, 255}},
        {"Label24", {7480, 0, 855, 240}},
        // A caption ends where the element it names begins: drawn 255 high, each one
        // reached a pixel into it (Label3 into both views, Label24 into the font buttons).
        {"Label1", {720, 480, 495, 240}},
        {"Label2", {10440, 480, 495, 240}},
        {"Label25", {10440, 3360, 615, 240}},
        {"Label26", {11160, 3360, 2535, 240}},
        {"Label3", {720, 7335, 3495, 225}},
        // 175 twips is less than a line of their font: they reach down to their field.
        {"Label9", {2040, bottomCaptions, 495, 230}},
        {"Label10", {4680, bottomCaptions, 495, 230}},
        {"Label11", {7320, bottomCaptions, 495, 230}},
        {"Label30", {10440, 9360, 1815, 255}},
        {"Label33", {aprsButtons, 8040, 975, 255}},
        {"Label6", {360, screenH - 800, 6135, 255}},
        // File-write notices, under the status line and as wide as the Rx view reaches.
        {"Label37", {360, screenH - 520, 9855, 255}},
    };
}

WindowLayout screenLayout(int widthPixels, int heightPixels, double dpi, bool aprsOn) {
    const double screenW = pixelsToTwips(widthPixels, dpi);
    const double screenH = pixelsToTwips(heightPixels, dpi);
    WindowLayout layout;
    layout.scale = std::min({1.0, screenW / kMinLayoutWidth, screenH / kMinLayoutHeight});
    const double pixelsPerTwip = dpi * layout.scale / 1440.0;
    for (const auto& [name, twips] : mainWindowLayout(screenW / layout.scale, screenH / layout.scale, aprsOn)) {
        layout.elements[name] = toPixels(twips, pixelsPerTwip);
    }
    return layout;
}

}  // namespace quilmo
