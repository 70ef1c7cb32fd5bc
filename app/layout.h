#pragma once
#include <map>
#include <string>

#include "platform/twips.h"

namespace quilmo {

// Element geometry in twips (1/1440 inch), measured from the window's top left.
// Kept fractional so a formula's result is rounded once, at the pixel.
struct TwipRect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The smallest screen the twips layout fits without two elements meeting: the APRS
// buttons at ScreenW - 1750 must clear the macro buttons that end at 14415, and the
// value-field captions at ScreenH - 1780 the Tx buffer, whose bottom grows by a third
// of ScreenH. Each keeps a margin of about 5 pixels at 96 dpi.
constexpr double kMinLayoutWidth = 16500;   // 1100 pixels at 96 dpi
constexpr double kMinLayoutHeight = 11520;  // 768 pixels at 96 dpi

// Screen size in twips from pixels and logical dpi.
double pixelsToTwips(int pixels, double dpi);
// Edges are rounded, not sizes, so elements that do not meet in twips never overlap.
PixelRect toPixels(const TwipRect& r, double pixelsPerTwip);

// Where every element of the main window goes for a screen of screenW x screenH
// twips. The APRS switch only changes the height of the Tx history (Text2).
std::map<std::string, TwipRect> mainWindowLayout(double screenW, double screenH, bool aprsOn);

// The window as placed on a real screen. On a screen smaller than the layout needs,
// it is laid out for a larger one of the same shape and everything, fonts included,
// is drawn at `scale`; larger screens get the twips layout as it stands (scale 1).
struct WindowLayout {
    double scale = 1;
    std::map<std::string, PixelRect> elements;
};
WindowLayout screenLayout(int widthPixels, int heightPixels, double dpi, bool aprsOn);

}  // namespace quilmo
