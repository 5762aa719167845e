// WININIT.INI (Windows 95, without delayed deletion): the input is the file
// in the Windows directory of a drive C: laid out afresh, with a few files
// and folders for its lines to act on. It is carried out by the restart
// (winbox reboot) as it is, and again after the program has added its own
// deletion to it: the new line is carried out last, and every line of the
// file is carried out as before.
#include <string>
#include <vector>

#include "core/machine.h"
#include "fuzz_machine.h"
#include "kernel/restart.h"
#include "uninstall/self_deletion.h"
#include "windows_host.h"

namespace {

const char kWininit[] = "C:\\WINDOWS\\WININIT.INI";
const char kProgram[] = "C:\\WINDOWS\\SYSTEM\\SETUP.EXE";

void MakeFolder(const char* windowsPath) {
    fuzz::Check(CreateDirectoryA(windowsPath, nullptr), "a folder of the layout is made");
}

void MakeFile(const char* windowsPath) { fuzz::WriteHostFile(fuzz::HostPath(windowsPath), windowsPath); }

// Drive C: with the Windows directory and a few names that a [Rename]
// section may act on.
void LayOutDrive() {
    fuzz::EmptyHostFolder(host::Config().drives['C'].hostDir);
    MakeFolder("C:\\WINDOWS");
    MakeFolder("C:\\WINDOWS\\SYSTEM");
    MakeFolder("C:\\TEMP");
    MakeFolder("C:\\TEMP\\SUB");
    MakeFile("C:\\WINDOWS\\SYSTEM\\OLD.DLL");
    MakeFile("C:\\WINDOWS\\SYSTEM\\NEW.DLL");
    MakeFile("C:\\TEMP\\A.TMP");
    MakeFile("C:\\TEMP\\SUB\\B.TMP");
    MakeFile("C:\\AUTOEXEC.BAT");
    MakeFile(kProgram);
}

// What the restart does with the file, after the program has scheduled its
// own deletion when `schedule` says so; *changed tells whether that changed
// the file. The last action, renaming the file to WININIT.BAK, is left out.
std::vector<std::string> Restart(const std::string& text, bool schedule, bool* changed) {
    LayOutDrive();
    std::string hostPath = fuzz::HostPath(kWininit);
    fuzz::WriteHostFile(hostPath, text);
    if (schedule) ScheduleSelfDeletion(kProgram);
    *changed = fuzz::ReadHostFile(hostPath) != text;
    std::vector<std::string> actions;
    bool ok = host::Reboot(&actions);
    if (ok) fuzz::Check(GetFileAttributesA(kWininit) == INVALID_FILE_ATTRIBUTES, "WININIT.INI is used once");
    fuzz::Check(!actions.empty() && actions.back().find("WININIT.INI to ") != std::string::npos,
                "the file is renamed last");
    actions.pop_back();
    return actions;
}

// True when more than one section may be the [Rename] section: the program
// moves the first to the end, which changes the order of the lines.
bool MayHaveTwoRenameSections(const std::string& text) {
    std::string upper = text;
    for (char& c : upper) c = (char)toupper((unsigned char)c);
    size_t first = upper.find("RENAME");
    return first != std::string::npos && upper.find("RENAME", first + 1) != std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::UseMachine();
    static const bool windows95 = (host::Config().delayedDelete = false, host::SaveConfig());
    fuzz::Check(windows95, "the machine plays Windows 95");
    std::string text((const char*)data, size);
    bool changed;
    std::vector<std::string> before = Restart(text, false, &changed);
    std::vector<std::string> after = Restart(text, true, &changed);
    if (!changed) return 0;
    fuzz::Check(!after.empty() && (after.back() == std::string("deleted ") + kProgram ||
                                   after.back() == std::string("cannot delete ") + kProgram),
                "the program's deletion is carried out last");
    after.pop_back();
    if (!MayHaveTwoRenameSections(text)) fuzz::Check(after == before, "every other line is carried out as before");
    return 0;
}
