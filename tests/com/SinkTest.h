// The event sink's tests: what a second process does with a sink handed to
// it (the test program run with --call-sink), waiting for calls that come
// in while this thread pumps its messages, and reading the registry.
#pragma once

#include "automation/com/ComHeaders.h"
// Then the rest.
#include <functional>
#include <optional>
#include <string>

namespace sinktest {

// The second process's part: reads a marshalled sink from `streamFile`,
// asks it for IVisioAddOnSink and calls VisEventProc through the vtable
// (Event 10240, Source and Subject Nothing, ID 7, Seq 42, Extra "extra").
// The exit status is the first failing result code, or 0.
int CallSinkFromFile(const wchar_t* streamFile);

// Pumps this thread's messages until `done` says so or `ms` pass; whether
// it was done.
bool PumpUntil(const std::function<bool()>& done, DWORD ms);

// The default value of a key; nullopt when the key is not there, empty
// when it has no text.
std::optional<std::wstring> RegistryText(HKEY root, const std::wstring& key);

}  // namespace sinktest
