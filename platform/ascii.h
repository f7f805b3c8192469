#pragma once
// ASCII case, whatever the locale: drive letters, settings sections and keys. (std::toupper
// follows the process's locale, which the window sets from the desktop's.)

namespace gauzel {

constexpr char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
constexpr char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace gauzel
