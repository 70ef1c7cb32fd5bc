#pragma once
#include <QRect>
#include <QString>
#include <memory>

class QDialog;

namespace quilmo {

// A message box that fits the screen whatever it says: a long text scrolls and OK
// stays in reach. CR LF, a lone CR and a lone LF each end a line once.
// `available` is the part of the screen a window may take.
std::unique_ptr<QDialog> makeMessageDialog(const QString& title, const QString& text, const QRect& available);

}  // namespace quilmo
