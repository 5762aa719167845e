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

// Splits a command into the program (quoted or up to the first blank) and
// the rest, as the control panel hands it to the system.
void SplitCommand(const std::string& command, std::string* program, std::string* arguments) {
    size_t end;
    if (!command.empty() && command[0] == '"') {
        end = command.find('"', 1);
        *program = command.substr(1, end == std::string::npos ? std::string::npos : end - 1);
        end = end == std::string::npos ? command.size() : end + 1;
    } else {
        end = command.find(' ');
        if (end == std::string::npos) end = command.size();
        *program = command.substr(0, end);
    }
    size_t rest = command.find_first_not_of(' ', end);
    *arguments = rest == std::string::npos ? "" : command.substr(rest);
}

// Runs the "UninstallString" of the entry whose key is KEY.
int Remove(std::vector<std::string> args) {
    std::string scriptPath;
    bool useScript = TakeOption(args, "--script", &scriptPath);
    if (args.size() != 1) return Fail("usage: arp remove [--script FILE] KEY");
    std::string keyPath = std::string(kUninstallKey) + "\\" + host::AnsiFromUtf8(args[0]);
    HKEY entry;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &entry) != ERROR_SUCCESS)
        return Fail("no Add/Remove Programs entry " + args[0]);
    std::string command = ReadText(entry, "UninstallString");
    RegCloseKey(entry);
    if (command.empty()) return Fail("the entry " + args[0] + " has no UninstallString");
    std::string program, arguments;
    SplitCommand(command, &program, &arguments);
    std::vector<std::string> run;
    if (useScript) run = {"--script", scriptPath};
    run.push_back(host::DisplayUtf8(program));
    run.push_back(host::DisplayUtf8(arguments));
    return RunProgramCommand(run);
}

int Arp(std::vector<std::string> args) {
    if (args.empty()) return ListEntries();
    std::string command = args[0];
    args.erase(args.begin());
    if (command == "remove") return Remove(args);
    return Fail("usage: arp | arp remove [--script FILE] KEY");
}

const CommandRegistration kArp("arp", Arp,
                               "arp | arp remove [--script FILE] KEY   (Add/Remove Programs: list, or run an entry's "
                               "UninstallString)");

}  // namespace

}  // namespace winbox
