#pragma once
#include <array>
#include <cstdint>

namespace quilmo {

// Station filter: 0 "*all", 1 "*undefined", 2 messages, 3 status, 4 capabilities,
// 5 telemetry, 6..255 symbol index. A flag counts only when it equals 1.
using FilterFlags = std::array<std::int16_t, 257>;

enum FilterClass : int { kFilterAll = 0, kFilterUndefined = 1, kFilterMessages = 2, kFilterStatus = 3,
                         kFilterCapabilities = 4, kFilterTelemetry = 5 };

// Everything shown ("*all" set).
FilterFlags showAllFilter();
// A record with a station symbol (positions, MIC-E).
bool symbolRecordPasses(const FilterFlags& flags, int symbolIndex);
// A message, status, capabilities or telemetry record.
bool classRecordPasses(const FilterFlags& flags, FilterClass cls);

}  // namespace quilmo
