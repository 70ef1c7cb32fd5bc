#pragma once
#include <map>
#include <string>

namespace quilmo {

// Element geometry in twips (1/1440 inch), measured from the window's top left.
struct TwipRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Screen size in twips from pixels and logical dpi.
int pixelsToTwips(int pixels, double dpi);
int twipsToPixels(int twips, double dpi);
PixelRect toPixels(const TwipRect& r, double dpi);

// Where every element of the main window goes for a screen of screenW x screenH
// twips. The APRS switch only changes the height of the Tx history (Text2).
std::map<std::string, TwipRect> mainWindowLayout(int screenW, int screenH, bool aprsOn);

}  // namespace quilmo
