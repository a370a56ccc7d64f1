#pragma once

// The program without windows, for servers, cron and timers: one run over the
// enabled profiles, or their login check, on Qt Core alone, then exit with:
//   0  every profile ended normally
//   1  at least one profile ended in an error
//   2  the settings cannot be used (missing, damaged, nothing enabled), bad options,
//      or the lock file cannot be made
//   3  another copy of the program is running on the same folder
// The settings file is read, never written.
namespace cli {

enum ExitStatus { kExitOk = 0, kExitProfileError = 1, kExitUnusable = 2, kExitRunning = 3 };

// Makes its own QCoreApplication; call before any other application object exists.
int runCommandLine(int argc, char* argv[]);

} // namespace cli
