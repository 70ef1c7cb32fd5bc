#pragma once
#include "platform/local_time.h"

namespace quilmo {

// The one place the program reads the wall clock.
LocalTime currentLocalTime();

}  // namespace quilmo
