// WININIT.INI at restart (winbox reboot): the input is the file in the
// Windows directory of a drive C: laid out afresh for each run, with a few
// files and folders for its lines to rename and delete.
#include <string>
#include <vector>

#include "core/machine.h"
#include "fuzz_machine.h"
#include "kernel/restart.h"
#include "windows_host.h"

namespace {

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
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::UseMachine();
    LayOutDrive();
    fuzz::WriteHostFile(fuzz::HostPath("C:\\WINDOWS\\WININIT.INI"), std::string((const char*)data, size));
    std::vector<std::string> actions;
    if (host::Reboot(&actions))
        fuzz::Check(GetFileAttributesA("C:\\WINDOWS\\WININIT.INI") == INVALID_FILE_ATTRIBUTES,
                    "WININIT.INI is used once");
    return 0;
}
