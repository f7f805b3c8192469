#pragma once

#include <string>

namespace gauzel {

// Units setting: 0 bytes, 1 kilobytes (1000), 2 megabytes (1000000); any other value is bytes.
inline constexpr int kUnitsBytes = 0;
inline constexpr int kUnitsKilobytes = 1;
inline constexpr int kUnitsMegabytes = 2;

// A whole number, exact halves away from zero (glibc's "%.0f" would round them to even).
std::string FormatWhole(double value);

// The one text of a byte count: scaled to the units, rounded, digits grouped in threes with
// commas, then "K" or "M". 2500 bytes in kilobytes is "3K".
std::string FormatSize(double bytes, int units);

// The free share of the volume as "(12%)"; "(100%)" when the volume size is unknown (0).
std::string FormatPercent(double freeBytes, double diskBytes);

}  // namespace gauzel
