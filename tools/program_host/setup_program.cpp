#include "setup_program.h"

#include "program_resources.h"
#include "windows_host.h"

// Defined by the program (src/app/win_main.cpp).
extern "C" const char kSetupProgramSignature[];

namespace program_host {

void RegisterSetupProgram() {
    host::ProgramRegistration program = ProgramDialogs();
    program.entry = WinMain;
    program.signature = kSetupProgramSignature;
    host::RegisterProgram(program);
}

}  // namespace program_host
