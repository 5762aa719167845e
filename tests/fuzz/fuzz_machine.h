// What the fuzz targets share: one machine a process, made on first use in a
// fresh temporary folder and removed at exit, so that a target writes nowhere
// else; the transcript is thrown away and message boxes go to a script.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "ui/script.h"

namespace fuzz {

// Makes the machine on first use: drive C: as InitMachine leaves it, drive D:
// an empty folder. Aborts when it cannot.
void UseMachine();
// The machine's folder (host path).
const std::string& MachineFolder();
// Host path of a full Windows path of the machine.
std::string HostPath(const std::string& windowsPath);
// Writes bytes to a host file of the machine, made or replaced.
void WriteHostFile(const std::string& hostPath, const std::string& bytes);
// The bytes of a host file; empty when there is none.
std::string ReadHostFile(const std::string& hostPath);
// Removes everything in a host folder of the machine, keeping the folder.
void EmptyHostFolder(const std::string& hostDir);
// The script front end that answers message boxes; set as the front end.
host::ScriptFrontEnd& Script();
// Ends the process with a message when a property of the code does not hold:
// libFuzzer keeps the input that broke it.
void Check(bool holds, const char* what);

}  // namespace fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
