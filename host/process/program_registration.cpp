#include "program_registration.h"

namespace host {

namespace {

struct Registered {
    ProgramRegistration program;
    bool present = false;
};

// Held in a function so that a registration made while static objects are
// still being built finds it ready.
Registered& TheRegistered() {
    static Registered registered;
    return registered;
}

}  // namespace

void RegisterProgram(const ProgramRegistration& program) {
    TheRegistered().program = program;
    TheRegistered().present = true;
}

const ProgramRegistration& RegisteredProgram() { return TheRegistered().program; }

bool HasRegisteredProgram() { return TheRegistered().present; }

}  // namespace host
