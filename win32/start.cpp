// The Windows build's own start-up, in place of a C runtime: the entry the
// loader calls. It hands WinMain what the C runtime's start-up would (the
// module, the command line after the program's own name, the show state) and
// ends the process with WinMain's result.
#include "command_line.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

namespace {

int ShowCommandOf() {
    STARTUPINFOA info;
    info.cb = sizeof info;
    GetStartupInfoA(&info);
    return (info.dwFlags & STARTF_USESHOWWINDOW) ? info.wShowWindow : SW_SHOWDEFAULT;
}

}  // namespace

// Named as the linker's entry (-e).
extern "C" void SetupStart() {
    LPSTR line = GetCommandLineA();
    char empty[] = "";
    ExitProcess((UINT)WinMain(GetModuleHandleA(nullptr), nullptr, ArgumentsAfterProgramName(line ? line : empty),
                              ShowCommandOf()));
}
