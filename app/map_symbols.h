#pragma once
#include <QHash>
#include <QImage>

#include "map/symbol_set.h"

namespace quilmo {

// The symbols of the installed symbol file (Debian's xastir-data), read on first use;
// empty when the file is not there, and the map then draws its own plain markers.
const SymbolSet& installedSymbols();

// A symbol as a 20 x 20 image: the picture of its table and code with its overlay
// character drawn on top, mirrored when asked (a vehicle heading east). Null when the set
// has no picture for it.
QImage symbolImage(const SymbolSet& set, SymbolChoice choice, bool mirrored);

// Symbol images made once per table, code, overlay and direction at one pixel ratio:
// drawing a frame of thousands of stations looks them up, never paints them anew.
class SymbolImages {
public:
    explicit SymbolImages(const SymbolSet* set) : set_(set) {}
    void setSet(const SymbolSet* set);
    bool available() const { return set_ != nullptr && !set_->empty(); }
    // Null when there is no picture for the table and code.
    const QImage* image(char table, char code, bool mirrored, qreal ratio);

private:
    const SymbolSet* set_;
    QHash<quint32, QImage> cache_;  // a null image remembers that there is none
    qreal ratio_ = 0;
};

}  // namespace quilmo
