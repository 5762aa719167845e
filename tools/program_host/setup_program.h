// Registers the setup program with the host layer, for the tools and tests
// that run it on the host.
#pragma once

namespace program_host {

// Its WinMain, its resource script and the signature of its program file.
void RegisterSetupProgram();

}  // namespace program_host
