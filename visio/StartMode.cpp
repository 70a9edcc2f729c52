#include "automation/Object.h"
#include "visio/Tarvel_AutomationServer.h"

namespace {

bool HasSwitch(std::span<const std::string> args, std::string_view name) {
  for (const std::string& arg : args) {
    if (arg.empty() || (arg[0] != '-' && arg[0] != '/')) continue;
    if (automation::NamesEqual(std::string_view(arg).substr(1), name)) return true;
  }
  return false;
}

}  // namespace

TStartMode ParseStartMode(std::span<const std::string> args) {
  if (HasSwitch(args, "AUTOMATION")) return TStartMode::Automation;
  if (HasSwitch(args, "EMBEDDING")) return TStartMode::Automation;
  if (HasSwitch(args, "REGSERVER")) return TStartMode::Register;
  if (HasSwitch(args, "UNREGSERVER")) return TStartMode::Unregister;
  return TStartMode::Normal;
}
