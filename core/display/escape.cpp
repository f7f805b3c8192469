#include "core/display/escape.h"

namespace gauzel {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendHex(std::string& text, char32_t value, int digits) {
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) text += kHexDigits[(value >> shift) & 0xF];
}

bool InRange(unsigned char byte, unsigned char low, unsigned char high) {
    return byte >= low && byte <= high;
}

}  // namespace

Utf8Step DecodeUtf8(std::string_view text) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return {lead, 1, true};
    // The well-formed sequences: how many bytes follow the lead, and the range of the first of them
    // (the rest are 80..BF). Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
    std::size_t follow = 0;
    unsigned char low = 0x80, high = 0xBF;
    char32_t codePoint = 0;
    if (InRange(lead, 0xC2, 0xDF)) {
        follow = 1;
        codePoint = lead & 0x1Fu;
    } else if (InRange(lead, 0xE0, 0xEF)) {
        follow = 2;
        codePoint = lead & 0x0Fu;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (InRange(lead, 0xF0, 0xF4)) {
        follow = 3;
        codePoint = lead & 0x07u;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return {0, 1, false};
    }
    for (std::size_t i = 1; i <= follow; ++i) {
        if (i >= text.size() || !InRange(byte(i), low, high)) return {0, i, false};
        codePoint = codePoint << 6 | (byte(i) & 0x3Fu);
        low = 0x80;
        high = 0xBF;
    }
    return {codePoint, follow + 1, true};
}

bool IsEscapedCodePoint(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 ||
           (c >= 0x200B && c <= 0x200F) || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) ||
           c == 0xFEFF;
}

void AppendEscaped(std::string& escaped, std::string_view text) {
    while (!text.empty()) {
        const auto byte = static_cast<unsigned char>(text.front());
        if (byte >= 0x20 && byte < 0x7F) {  // the common case first
            escaped += text.front();
            text.remove_prefix(1);
            continue;
        }
        const Utf8Step step = DecodeUtf8(text);
        if (!step.valid) {
            for (std::size_t i = 0; i < step.length; ++i) {
                escaped += "\\x";
                AppendHex(escaped, static_cast<unsigned char>(text[i]), 2);
            }
        } else if (!IsEscapedCodePoint(step.codePoint)) {
            escaped.append(text.substr(0, step.length));
        } else if (step.codePoint == '\n') {
            escaped += "\\n";
        } else if (step.codePoint == '\t') {
            escaped += "\\t";
        } else if (step.codePoint == '\r') {
            escaped += "\\r";
        } else if (step.codePoint < 0x80) {
            escaped += "\\x";
            AppendHex(escaped, step.codePoint, 2);
        } else {
            escaped += "\\u";
            AppendHex(escaped, step.codePoint, 4);
        }
        text.remove_prefix(step.length);
    }
}

bool IsUtf8(std::string_view text) {
    while (!text.empty()) {
        const Utf8Step step = DecodeUtf8(text);
        if (!step.valid) return false;
        text.remove_prefix(step.length);
    }
    return true;
}

std::string FileUri(std::string_view realPath) {
    std::string uri = "file://";
    for (const char c : realPath) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
            uri += c;
        } else {
            uri += '%';
            AppendHex(uri, byte, 2);
        }
    }
    return uri;
}

std::string EscapeControls(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    AppendEscaped(escaped, text);
    return escaped;
}

}  // namespace gauzel
