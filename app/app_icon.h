#pragma once
#include <QPixmap>

namespace quilmo {

// The program icon, painted here so the program needs no image files: a mast
// with radio waves on a dark tile.
QPixmap quilmoIcon(int size);

}  // namespace quilmo
