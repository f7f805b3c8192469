// For any settings text: after writing [Option] Num=v, reading gives v and every other key reads
// as it did before. The first two bytes choose v, the rest is the text.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/linux/ini_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const int value = static_cast<std::int16_t>(data[0] | data[1] << 8);
    const std::string_view text(reinterpret_cast<const char*>(data) + 2, size - 2);
    const std::string written = gauzel::WithIniValue(text, "Option", "Num", std::to_string(value));

    auto expected = gauzel::IniValues(text);
    expected[{"option", "num"}] = std::to_string(value);
    if (gauzel::IniValues(written) != expected) std::abort();
    if (gauzel::IniValue(written, "OPTION", "num") != std::to_string(value)) std::abort();
    return 0;
}
