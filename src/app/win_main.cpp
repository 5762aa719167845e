#include <cstring>

#include "app/modes.h"
#include "app/setup_state.h"
#include "resources/messages.h"
#include "settings/settings.h"
#include "text/text.h"

// Marks this file as the setup program, for tools that look for it on media.
extern "C" const char kSetupProgramSignature[] = "SETUP-PROGRAM-JA-932:v1";

namespace {

// Fills setupDir, programFileName, settingsFileName and settingsPath from a
// program path. False when the path cannot name a program beside its
// settings file: no directory, no file name long enough to carry "INF", or
// longer than a path.
BOOL SplitProgramPath(const char* path) {
    if (!CopyText(setup.setupDir, kPathSize, path)) return FALSE;
    char* lastSeparator = strrchr(setup.setupDir, '\\');  // a plain byte scan
    if (!lastSeparator) return FALSE;
    const char* name = lastSeparator + 1;
    size_t nameLength = strlen(name);
    if (nameLength < 3) return FALSE;
    CopyText(setup.programFileName, kPathSize, name);
    CopyText(setup.settingsFileName, kPathSize, name);
    memcpy(setup.settingsFileName + nameLength - 3, "INF", 3);
    lastSeparator[1] = 0;
    CopyText(setup.settingsPath, kPathSize, setup.setupDir);
    return AppendText(setup.settingsPath, kPathSize, setup.settingsFileName);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    setup.instance = instance;
    setup.isNewShell = LOBYTE(GetVersion()) >= 4;
    GetModuleFileNameA(instance, setup.modulePath, sizeof setup.modulePath);

    const char* mode = commandLine ? commandLine : "";
    if (*mode == '/') ++mode;
    char modeLetter = *mode;

    // In removal mode the path follows "x" and one byte (a space), whole.
    const char* path = setup.modulePath;
    if (modeLetter == 'x') path = mode[1] ? mode + 2 : "";

    if (!SplitProgramPath(path)) {
        // No settings file can be named from this path.
        MessageBoxA(nullptr, MSG_SETTINGS_BROKEN, nullptr, MB_ICONERROR);
        return 1;
    }
    if (!LoadSettings()) return 1;

    if (modeLetter == 'R' || modeLetter == 'r') {
        HandOffUninstall();
    } else if (modeLetter == 'x') {
        RunRemovalMode();
    } else {
        SetCurrentDirectoryA(setup.setupDir);
        RunWizard();
    }
    return 1;
}
