// How failures of Visio calls become text.
#pragma once

#include <exception>
#include <string>
#include <string_view>

// The message an error carries: an automation error's own message, or the
// exception's text.
std::string ErrorMessage(const std::exception& error);

// The text without leading and trailing blanks and control characters
// (character codes up to 32).
std::string TrimText(std::string_view text);
