#include "view/display/format_size.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace gauzel {

std::string FormatWhole(double value) {
    const double rounded = std::round(value);  // halves away from zero
    if (rounded >= 0 && rounded < 9.2e18 && !std::signbit(rounded)) {  // every size: no printf needed
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, static_cast<std::uint64_t>(rounded)).ptr;
        return std::string(digits, end);
    }
    const int length = std::snprintf(nullptr, 0, "%.0f", rounded);
    std::string text(static_cast<std::size_t>(length), '\0');
    std::snprintf(text.data(), text.size() + 1, "%.0f", rounded);
    return text;
}

std::string FormatSize(double bytes, Units units) {
    double value = bytes;
    if (units == Units::Kilobytes) value /= 1000.0;
    if (units == Units::Megabytes) value /= 1000000.0;

    const std::string digits = FormatWhole(value);
    const std::size_t first = digits.find_first_of("0123456789");  // after any sign
    std::string text = digits.substr(0, first);
    const std::size_t count = digits.size() - first;
    for (std::size_t k = 0; k < count; ++k) {
        if (k != 0 && (count - k) % 3 == 0) text += ',';
        text += digits[first + k];
    }

    if (units == Units::Kilobytes) text += 'K';
    if (units == Units::Megabytes) text += 'M';
    return text;
}

std::string FormatPercent(double freeBytes, double diskBytes) {
    double percent = 100.0;
    if (diskBytes != 0.0) percent = freeBytes * 100.0 / diskBytes;
    std::string text = "(";
    text += FormatWhole(percent);
    text += "%)";
    return text;
}

}  // namespace gauzel
