// winbox arp: the Add/Remove Programs list, read as the control panel reads it.
#include <iostream>

#include "commands.h"
#include "core/codepage.h"
#include "windows_host.h"

namespace winbox {

namespace {

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

std::string ReadText(HKEY key, const char* name) {
    char value[1024];
    DWORD size = sizeof value - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, (LPBYTE)value, &size) != ERROR_SUCCESS) return "";
    value[size] = 0;
    return value;
}

int ListEntries() {
    HKEY uninstall;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &uninstall) != ERROR_SUCCESS) return 0;
    char name[256];
    for (DWORD index = 0; RegEnumKeyA(uninstall, index, name, sizeof name) == ERROR_SUCCESS; ++index) {
        HKEY entry;
        if (RegOpenKeyExA(uninstall, name, 0, KEY_READ, &entry) != ERROR_SUCCESS) continue;
        std::cout << host::DisplayUtf8(name) << "\n"
                  << "  DisplayName: " << host::DisplayUtf8(ReadText(entry, "DisplayName")) << "\n"
                  << "  UninstallString: " << host::DisplayUtf8(ReadText(entry, "UninstallString")) << "\n";
        RegCloseKey(entry);
    }
    RegCloseKey(uninstall);
    return 0;
}

int Arp(std::vector<std::string> args) {
    if (args.empty()) return ListEntries();
    return Fail("usage: arp");
}

const CommandRegistration kArp("arp", Arp, "arp   (the Add/Remove Programs entries: key, DisplayName, UninstallString)");

}  // namespace

}  // namespace winbox
