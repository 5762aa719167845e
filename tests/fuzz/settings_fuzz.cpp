// The settings file: the input is SETUP.INF on the media, read by
// LoadSettings (with an earlier installation's uninstall registration when
// the input has an [Earlier] section with an UninstallString); then every file and Start-menu entry is resolved, and those
// that fail are reported as the program reports them. A file entry that
// resolves names a file inside the destination directory.
#include <cstring>
#include <string>

#include "app/setup_state.h"
#include "fuzz_machine.h"
#include "platform.h"
#include "settings/settings.h"

namespace {

// Reports the current entry as the program does, the box answered.
void ReportEntry() {
    fuzz::Script().LoadText("answer ok\n");
    ShowEntryError("fuzz");
}

// A level that Windows reads as "." or "..": only dots and blanks.
bool IsDotLevel(const std::string& level) {
    return !level.empty() && level.find_first_not_of(". ") == std::string::npos;
}

// The destination below installDir: each level ('\' or '/') a name, no drive.
bool StaysInside(const char* tail) {
    std::string level;
    for (const char* p = tail;; ++p) {
        if (IsDBCSLeadByte((BYTE)*p) && p[1]) {
            level += *p;
            level += *++p;
            continue;
        }
        if (*p == ':') return false;
        if (!*p || *p == '\\' || *p == '/') {
            if (IsDotLevel(level)) return false;
            if (!*p) return true;
            level.clear();
            continue;
        }
        level += *p;
    }
}

void CheckFileEntry(int n) {
    if (!ResolveFileEntry(n)) {
        if (setup.entrySource[0]) ReportEntry();
        return;
    }
    size_t base = strlen(setup.installDir);
    fuzz::Check(strncmp(setup.entryTarget, setup.installDir, base) == 0, "a file entry starts at installDir");
    fuzz::Check(StaysInside(setup.entryTarget + base), "a file entry stays inside installDir");
}

void CheckGroupEntry(int n) {
    if (!ResolveGroupEntry(n)) {
        ReportEntry();
        return;
    }
    if (setup.entrySource[0])
        fuzz::Check(strncmp(setup.entryTarget, setup.installDir, strlen(setup.installDir)) == 0,
                    "a Start-menu target starts at installDir");
}

// Registers the earlier installation the input names, if any; returns the
// key to delete afterwards, or "".
std::string RegisterEarlierInstallation() {
    char folder[kProductTextSize], value[1024];
    GetPrivateProfileStringA("Install", "Folder", "", folder, sizeof folder, setup.settingsPath);
    DWORD length = GetPrivateProfileStringA("Earlier", "UninstallString", "", value, sizeof value,
                                            setup.settingsPath);
    if (!folder[0] || !length) return "";
    std::string key = std::string(UNINSTALL_KEY) + folder;
    HKEY handle;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                        &handle, nullptr) != ERROR_SUCCESS)
        return "";
    RegSetValueExA(handle, "UninstallString", 0, REG_SZ, (const BYTE*)value, length);  // stored without its zero
    RegCloseKey(handle);
    return key;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::UseMachine();
    static const bool media = CreateDirectoryA("D:\\MEDIA", nullptr);
    fuzz::Check(media, "the media folder is made");
    static const std::string hostPath = fuzz::HostPath("D:\\MEDIA\\SETUP.INF");
    fuzz::WriteHostFile(hostPath, std::string((const char*)data, size));
    fuzz::Script().LoadText("answer ok\n");  // the broken-file message

    setup = SetupState();
    strcpy(setup.setupDir, "D:\\MEDIA\\");
    strcpy(setup.programFileName, "SETUP.EXE");
    strcpy(setup.settingsFileName, "SETUP.INF");
    strcpy(setup.settingsPath, "D:\\MEDIA\\SETUP.INF");
    std::string earlier = RegisterEarlierInstallation();
    if (LoadSettings()) {
        for (int n = -1; n <= setup.fileCount + 1; ++n) CheckFileEntry(n);
        for (int n = 1; n <= setup.groupCount + 1; ++n) CheckGroupEntry(n);
    }
    if (!earlier.empty()) RegDeleteKeyA(HKEY_LOCAL_MACHINE, earlier.c_str());
    return 0;
}
