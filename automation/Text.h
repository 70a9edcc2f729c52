// Letter case as names compare: COM's member names, Visio's cell, unit and
// row names, file extensions. Only ASCII letters fold, whatever the process
// locale, as in the names themselves.
#pragma once

#include <string>
#include <string_view>

namespace automation {

constexpr char AsciiLower(char c) noexcept {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr bool IsAsciiDigit(char c) noexcept {
  return c >= '0' && c <= '9';
}

// Without the blanks (spaces and tabs) around it.
constexpr std::string_view TrimBlanks(std::string_view s) noexcept {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

// The name as names compare: for keys of tables of names.
inline std::string AsciiLowered(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

// Member names are matched as COM matches them, ignoring letter case; so
// are Visio's names.
constexpr bool NamesEqual(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

constexpr bool EndsWithName(std::string_view s, std::string_view tail) noexcept {
  return s.size() >= tail.size() && NamesEqual(s.substr(s.size() - tail.size()), tail);
}

}  // namespace automation
