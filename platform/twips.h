#pragma once
#include <cmath>

namespace quilmo {

// Window geometry is drawn in twips (1/1440 inch); a screen shows it at its logical dpi.
inline int twipsToPixels(double twips, double dpi) {
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

}  // namespace quilmo
