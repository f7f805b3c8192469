#include "core/saved/json_reader.h"

#include <vector>

#include "core/display/format_size.h"

namespace gauzel {

int JsonReader::Peek() {
    if (m_at == m_size && !Fill()) return -1;
    return static_cast<unsigned char>(m_buffer[m_at]);
}

int JsonReader::Get() {
    const int c = Peek();
    if (c >= 0) {
        ++m_at;
        ++m_offset;
    }
    return c;
}

bool JsonReader::Fill() {
    if (m_ended) return false;
    const std::ptrdiff_t got = m_read(m_buffer, sizeof m_buffer, m_readError);
    if (got <= 0) {
        m_ended = true;
        if (got < 0) m_error = m_readError;
        return false;
    }
    m_at = 0;
    m_size = static_cast<std::size_t>(got);
    return true;
}

void JsonReader::SkipSpace() {
    for (int c = Peek(); c == ' ' || c == '\t' || c == '\n' || c == '\r'; c = Peek()) Get();
}

bool JsonReader::Fail(const std::string& what) {
    if (m_error.empty()) m_error = what;
    return false;
}

// At the byte about to be read.
bool JsonReader::FailHere(const std::string& what) {
    return Fail(what + " (at byte " + std::to_string(m_offset) + ")");
}

// An unexpected byte, or the end.
bool JsonReader::NotJson() {
    if (!m_error.empty()) return false;
    if (m_ended && m_at == m_size) return Truncated();
    return Fail("not JSON (at byte " + std::to_string(m_offset - 1) + ")");  // the byte just read
}

bool JsonReader::Comma() {
    SkipSpace();
    if (Get() != ',') return NotJson();
    SkipSpace();
    return true;
}

bool JsonReader::Expect(const char* word) {
    for (const char* c = word; *c != '\0'; ++c)
        if (Get() != *c) return NotJson();
    return true;
}

// After the opening quote: the string's bytes, escapes decoded.
bool JsonReader::String(std::string& text, bool keep) {
    text.clear();
    const std::uint64_t start = m_offset - 1;  // its quote
    for (;;) {
        if (keep && text.size() > kLongestKept)
            return Fail("a string longer than " + FormatSize(kLongestKept, Units::Bytes) +
                        " bytes (at byte " + std::to_string(start) + ")");
        if (!keep) text.clear();
        int c = Get();
        if (c < 0) return NotJson();
        if (c == '"') return true;
        if (c < 0x20) return FailHere("not JSON: a control character in a string");
        if (c != '\\') {
            text += static_cast<char>(c);
            continue;
        }
        switch (c = Get()) {
            case '"':
            case '\\':
            case '/': text += static_cast<char>(c); break;
            case 'b': text += '\b'; break;
            case 'f': text += '\f'; break;
            case 'n': text += '\n'; break;
            case 'r': text += '\r'; break;
            case 't': text += '\t'; break;
            case 'u': {
                std::uint32_t code = 0;
                if (!Hex4(code)) return false;
                if (code >= 0xD800 && code < 0xDC00 && Peek() == '\\') {  // a pair's first half
                    Get();
                    std::uint32_t low = 0;
                    if (Get() != 'u' || !Hex4(low)) return NotJson();
                    if (low >= 0xDC00 && low < 0xE000) {
                        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                    } else {
                        AppendUtf8(text, code);
                        code = low;
                    }
                }
                AppendUtf8(text, code);
                break;
            }
            default: return NotJson();
        }
    }
}

bool JsonReader::Hex4(std::uint32_t& code) {
    for (int i = 0; i < 4; ++i) {
        const int c = Get();
        const int digit = IsDigit(c)                               ? c - '0'
                          : (c | 0x20) >= 'a' && (c | 0x20) <= 'f' ? (c | 0x20) - 'a' + 10
                                                                   : -1;
        if (digit < 0) return NotJson();
        code = code << 4 | static_cast<std::uint32_t>(digit);
    }
    return true;
}

void JsonReader::AppendUtf8(std::string& text, std::uint32_t code) {
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else if (code < 0x800) {
        text += static_cast<char>(0xC0 | code >> 6);
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        text += static_cast<char>(0xE0 | code >> 12);
        text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | code >> 18);
        text += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// A JSON number's text.
bool JsonReader::Number(std::string& text) {
    text.clear();
    // Kept to a few dozen characters, which a message may show: a longer one is no number we use.
    const auto take = [this, &text] {
        const char c = static_cast<char>(Get());
        if (text.size() < kLongestNumberShown)
            text += c;
        else if (text.size() == kLongestNumberShown)
            text += "\u2026";
    };
    if (Peek() == '-') take();
    if (!IsDigit(Peek())) return NotJson();
    while (IsDigit(Peek())) take();
    if (Peek() == '.') {
        take();
        if (!IsDigit(Peek())) return NotJson();
        while (IsDigit(Peek())) take();
    }
    if (Peek() == 'e' || Peek() == 'E') {
        take();
        if (Peek() == '+' || Peek() == '-') take();
        if (!IsDigit(Peek())) return NotJson();
        while (IsDigit(Peek())) take();
    }
    return true;
}

// A whole number from 0 to 2^64 - 1.
bool JsonReader::Integer(std::uint64_t& value, const std::string& what) {
    const int c = Peek();
    if (c != '-' && !IsDigit(c)) return c < 0 ? NotJson() : FailHere(what + " is not a number");
    if (!Number(m_number)) return false;
    value = 0;
    for (const char digit : m_number) {
        const auto d = static_cast<std::uint64_t>(digit - '0');
        if (digit < '0' || digit > '9' || value > (UINT64_MAX - d) / 10)
            return FailHere(what + " " + m_number + " is not a whole number from 0 to 2^64 - 1");
        value = value * 10 + d;
    }
    return true;
}

bool JsonReader::Boolean(bool& value, const std::string& key) {
    value = Peek() == 't';
    if (Peek() == 't' || Peek() == 'f') return Expect(value ? "true" : "false");
    return Peek() < 0 ? NotJson() : FailHere(key + " is not true or false");
}

// Any value, however deep, in one loop.
bool JsonReader::SkipValue() {
    std::vector<char> open;  // the closing brackets awaited
    for (;;) {
        SkipSpace();
        const int c = Get();
        if (c == '{' || c == '[') {
            SkipSpace();
            if (Peek() == (c == '{' ? '}' : ']')) {
                Get();
            } else {
                open.push_back(c == '{' ? '}' : ']');
                if (c == '{' && !Key()) return false;
                continue;
            }
        } else if (c == '"') {
            if (!String(m_text, false)) return false;
        } else if (c == '-' || IsDigit(c)) {
            --m_at;  // put back: Number reads it whole
            --m_offset;
            if (!Number(m_number)) return false;
        } else if (c == 't' || c == 'f' || c == 'n') {
            if (!Expect(c == 't' ? "rue" : c == 'f' ? "alse" : "ull")) return false;
        } else {
            return NotJson();
        }
        // After a value: the next of its container, or the container's end.
        for (;;) {
            if (open.empty()) return true;
            SkipSpace();
            const int next = Get();
            if (next == ',') {
                if (open.back() == '}' && !Key()) return false;
                break;
            }
            if (next != open.back()) return NotJson();
            open.pop_back();
        }
    }
}

// After a member's value: `more` members follow (",") or the object ends ("}").
bool JsonReader::MoreMembers(bool& more) {
    SkipSpace();
    const int c = Get();
    more = c == ',';
    return more || c == '}' || NotJson();
}

// An object's key and its colon (before its value).
bool JsonReader::Key() {
    SkipSpace();
    if (Get() != '"' || !String(m_key)) return NotJson();
    SkipSpace();
    if (Get() != ':') return NotJson();
    return true;
}

}  // namespace gauzel
