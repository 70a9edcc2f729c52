#include "visio/ErrorText.h"

#include "automation/HResult.h"

std::string ErrorMessage(const std::exception& error) {
  if (const auto* automationError = dynamic_cast<const automation::AutomationError*>(&error)) {
    return automationError->message();
  }
  return error.what();
}

std::string TrimText(std::string_view text) {
  const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return std::string(text);
}
