// File names as the stand-in keeps them (UTF-8 strings, as COM's and
// D-Bus's texts arrive) and as the system takes them. On Windows a plain
// std::string becomes a path in the ANSI code page, which cannot spell
// most names: every file the stand-in opens goes through these.
#pragma once

#include <filesystem>
#include <string>

namespace standin {

inline std::filesystem::path FilePath(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string PathText(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace standin
