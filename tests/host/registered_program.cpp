// The program the host tests register: the setup program's dialogs, which
// some tests show, and a signature of its own for the program files they
// write. None of them runs a program.
#include "program_registration.h"
#include "program_resources.h"

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    host::ProgramRegistration program = program_host::ProgramDialogs();
    program.signature = "HOST-TESTS-PROGRAM:v1";
    host::RegisterProgram(program);
    return true;
}();

}  // namespace
