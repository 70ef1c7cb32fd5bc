#pragma once
#include <optional>
#include <vector>

#include "map/map_clip.h"

namespace quilmo {

// A label wanted beside a marker: the marker's centre and radius, the text's size.
struct LabelWish {
    ScreenPoint anchor;
    double radius = 0;
    double width = 0;
    double height = 0;
    bool mustShow = false;  // with no free room, it goes to the first place inside the bounds
};

// Labels in the order of the wishes (the first ones win): each beside its marker, to the
// right, else to the left, above or below, where it covers no label placed before, no
// marker and does not leave `bounds`; none where there is no such room (unless it must show).
std::vector<std::optional<ScreenRect>> placeLabels(const std::vector<LabelWish>& wishes,
                                                   const std::vector<ScreenRect>& markers, const ScreenRect& bounds);

}  // namespace quilmo
