// The hand-over from a finished run to the setup program it started with
// WinExec: that program runs as a new winbox process in the same machine.
#pragma once

#include "ui/script.h"

namespace winbox {

// Runs the program the finished run started, if it started one, with the
// script actions not yet taken (script mode) or the terminal, and returns its
// exit code; without a start, returns `exitCode`.
int RunStartedProgram(int exitCode, host::ScriptFrontEnd* script);

}  // namespace winbox
