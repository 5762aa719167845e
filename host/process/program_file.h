// Running the setup program in the machine: recognising a program file,
// starting it as a process, and the starts a run asks for with WinExec.
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

// A setup program started with WinExec: it runs as a new process once the
// current one has ended, so that it starts with fresh global state.
struct StartedProgram {
    std::string path;         // full Windows path of the program file
    std::string commandLine;  // the text its WinMain receives
    std::string currentDir;   // the starter's current directory, which it inherits
};
// Records a start; false (and nothing recorded) when one is already waiting.
bool RecordStartedProgram(const StartedProgram& started);
// Takes the start recorded since the current run began, if any.
bool TakeStartedProgram(StartedProgram* started);

}  // namespace host
