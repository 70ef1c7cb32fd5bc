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

// Screen size in twips from pixels and logical dpi.
double pixelsToTwips(int pixels, double dpi);
PixelRect toPixels(const TwipRect& r, double dpi);

// Where every element of the main window goes for a screen of screenW x screenH
// twips. The APRS switch only changes the height of the Tx history (Text2).
std::map<std::string, TwipRect> mainWindowLayout(double screenW, double screenH, bool aprsOn);

}  // namespace quilmo
