// The stand-in Visio served to other processes by COM, as Visio serves its
// Application: a class factory for Visio's class, and the application in
// the running object table (GetObject / GetActiveObject find it).
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace standin::com {

struct ServerOptions {
  bool demo = false;               // open the built-in demo drawing
  std::vector<std::string> files;  // drawings to open (UTF-8 paths)
  // Started by COM (-Embedding): end when the last client has let go, or
  // when none came within a minute. Otherwise run until Application.Quit.
  bool embedding = false;
};

// Runs the server on this thread (a single-threaded apartment) until it
// ends; the exit status. What happens goes to `log` (COM gives the
// program no console).
int RunLocalServer(const ServerOptions& options, std::FILE* log);

// %TEMP%\tarvel-visio.log, where the program logs as a server.
std::wstring LogPath();

}  // namespace standin::com
