// How a program makes itself known to the host layer, which knows none of
// its own: the function it starts at, its resource script, and the mark that
// tells its program file from any other. The tool or test that runs a
// program registers it once, before the program or its dialogs are used.
#pragma once

#include <functional>
#include <string>

#include "hostwin/types.h"

namespace host {

// A WinMain.
using ProgramEntry = int(WINAPI*)(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine,
                                  int showCommand);
// Supplies the text of one of the program's own files by its name; false when
// there is none.
using ProgramFileReader = std::function<bool(const std::string& name, std::string* text)>;

struct ProgramRegistration {
    ProgramEntry entry = nullptr;  // none for a program whose dialogs alone are used
    std::string signature;         // bytes its program file holds; a stand-in gets them too
    std::string resourceScript;    // the name readFile knows its script by; empty: no dialogs
    ProgramFileReader readFile;    // reads the script and the files it includes
};

// Makes `program` the one the host runs; a later registration replaces it.
void RegisterProgram(const ProgramRegistration& program);
// The registered program; an empty registration when there is none.
const ProgramRegistration& RegisteredProgram();
// True once a program has been registered.
bool HasRegisteredProgram();

}  // namespace host
