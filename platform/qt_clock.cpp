#include "platform/qt_clock.h"

#include <QDateTime>

namespace quilmo {

LocalTime currentLocalTime() {
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    return LocalTime{d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), now.offsetFromUtc() / 60};
}

}  // namespace quilmo
