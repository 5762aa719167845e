// The setup program's resource script as the host build reads it: the same
// setup.rc the Windows build compiles, built in.
#pragma once

#include <string>

#include "program_registration.h"

namespace program_host {

// The text of setup.rc or of the header it includes; false for any other name.
bool ReadResourceFile(const std::string& name, std::string* text);

// A registration of the program's dialogs alone: no entry and no signature,
// for tools and tests that use the dialogs without running the program.
host::ProgramRegistration ProgramDialogs();

}  // namespace program_host
