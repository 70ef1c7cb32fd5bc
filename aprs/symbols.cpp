#include "aprs/symbols.h"

namespace quilmo {

namespace {

SymbolNames buildSymbolNames() {
    SymbolNames names;
    // Names as the program has always shown them, spelling included.
    names['#'] = "Digipeater";
    names['\''] = "Aircraft";
    names['-'] = "Home";
    names['<'] = "Motorcycle";
    names['>'] = "Car";
    names['I'] = "Tcp/Ip radio network";
    names['O'] = "Balloon";
    names['U'] = "Bus";
    names['V'] = "ATV";
    names['X'] = "Helicopter";
    names['Y'] = "Yacht";
    names['Z'] = "WinAPRS";
    names['['] = "Human/Person";
    names['^'] = "Large Aircraft";
    names['_'] = "Weather station";
    names['a'] = "Ambulance";
    names['b'] = "Bicycle";
    names['e'] = "Horse";
    names['f'] = "Fire truk";
    names['j'] = "Jeep";
    names['k'] = "Truk";
    names['m'] = "MIC-E repeater";
    names['n'] = "Node";
    names['r'] = "Repeater";
    names['s'] = "Ship";
    names['v'] = "Van";
    return names;
}

}  // namespace

const SymbolNames& symbolNames() {
    static const SymbolNames names = buildSymbolNames();
    return names;
}

}  // namespace quilmo
