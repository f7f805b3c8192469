#include "core/display/format_size.h"

#include <charconv>
#include <cstdint>

namespace gauzel {

void AppendDecimal(std::string& text, ByteCount value) {
    // Every real size fits 64 bits and takes the fast road; a larger sum goes 19 digits at a time.
    constexpr std::uint64_t kTenToThe19 = 10'000'000'000'000'000'000u;
    char digits[24];
    if (value > UINT64_MAX) {
        AppendDecimal(text, value / kTenToThe19);
        const auto end =
            std::to_chars(digits, digits + sizeof digits, static_cast<std::uint64_t>(value % kTenToThe19))
                .ptr;
        text.append(19 - static_cast<std::size_t>(end - digits), '0');
        text.append(digits, end);
        return;
    }
    const auto end = std::to_chars(digits, digits + sizeof digits, static_cast<std::uint64_t>(value)).ptr;
    text.append(digits, end);
}

std::string Decimal(ByteCount value) {
    std::string text;
    AppendDecimal(text, value);
    return text;
}

std::string FormatSize(ByteCount bytes, Units units) {
    ByteCount value = bytes;
    if (units == Units::Kilobytes) value = RoundedQuotient(bytes, 1000);
    if (units == Units::Megabytes) value = RoundedQuotient(bytes, 1000000);

    const std::string digits = Decimal(value);
    std::string text;
    text.reserve(digits.size() + digits.size() / 3 + 1);
    for (std::size_t k = 0; k < digits.size(); ++k) {
        if (k != 0 && (digits.size() - k) % 3 == 0) text += ',';
        text += digits[k];
    }

    if (units == Units::Kilobytes) text += 'K';
    if (units == Units::Megabytes) text += 'M';
    return text;
}

const char* UnitWord(ByteCount value, Units units) {
    if (units == Units::Files) return value == 1 ? " file" : " files";
    return units == Units::Bytes ? " bytes" : "";
}

std::string FormatPercent(ByteCount freeBytes, ByteCount diskBytes) {
    const ByteCount percent = diskBytes != 0 ? RoundedQuotient(freeBytes * 100, diskBytes) : 100;
    return "(" + Decimal(percent) + "%)";
}

}  // namespace gauzel
