// Running the setup program in the machine: recognising a program file and
// starting it as a process.
#pragma once

#include <string>

namespace host {

// True when the host file holds the setup program: the Windows build's
// SETUP.EXE, or a stand-in written by WriteProgramStandIn.
bool IsSetupProgramFile(const std::string& hostPath);
// Writes a small file that the machine runs as the setup program.
bool WriteProgramStandIn(const std::string& hostPath);
// Runs the program file at a Windows path with a command line, in this
// process, and returns its exit code. Throws RunAborted for a run that
// cannot go on; returns -1 with a message when the file is no program.
int RunProgramFile(const std::string& windowsPath, const std::string& commandLine, std::string* error);

}  // namespace host
