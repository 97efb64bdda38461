// Where the program's files lie.
//
// The settings file, log file and default web page are named after the
// executable and lie in the program directory: by default the executable's
// own directory, or the folder given with --home. Relative names used later
// (static files, query files, the awards file) resolve against the program
// directory, which the service makes its working directory at start.
#pragma once

#include <string>

namespace sky {

// Sets the program directory and base name. `executable` is the program's
// path (argv[0] resolved through /proc/self/exe); `home`, when not empty,
// overrides its directory. Call once at start, before any log line.
void SetProgramLocation(const std::string& executable, const std::string& home = {});

std::string ProgramDirectory();   // absolute, without trailing slash
std::string ProgramBaseName();    // "skyranks" for /opt/sky/skyranks

std::string SettingsFileName();   // <dir>/<base>.xml
std::string LogFileName();        // <dir>/<base>.log
std::string DefaultPageFileName();// <dir>/<base>.htm

// Path of the running executable (/proc/self/exe).
std::string RunningExecutablePath();

}  // namespace sky
