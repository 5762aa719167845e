// winbox: the host's command-line tool over a machine folder.
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/codepage.h"
#include "core/machine.h"
#include "dde/progman.h"
#include "kernel/disk_space.h"
#include "kernel/state_file.h"
#include "process/program_file.h"
#include "registry/registry_text.h"
#include "commands.h"
#include "new_process.h"
#include "setup_program.h"
#include "ui/frontend.h"
#include "ui/script.h"
#include "ui/terminal.h"
#include "windows_host.h"

namespace winbox {

namespace {

struct Entry {
    const char* name;
    Command command;
    const char* usage;
};

std::vector<Entry>& Commands() {
    static std::vector<Entry> commands;  // in registration order
    return commands;
}

std::string gMachine = "./machine";  // the machine folder of this run

}  // namespace

CommandRegistration::CommandRegistration(const char* name, Command command, const char* usage) {
    Commands().push_back({name, command, usage});
}

const std::string& MachineFolder() { return gMachine; }

int Fail(const std::string& message) {
    std::cerr << "winbox: " << message << "\n";
    return 2;
}

bool TakeOption(std::vector<std::string>& args, const std::string& name, std::string* value) {
    for (size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == name) {
            *value = args[i + 1];
            args.erase(args.begin() + i, args.begin() + i + 2);
            return true;
        }
    }
    return false;
}

bool ParseChoice(const std::string& value, const char* yes, const char* no, bool* out) {
    if (value == yes) *out = true;
    else if (value == no) *out = false;
    else return false;
    return true;
}

bool ParseNumber(const std::string& value, unsigned long long* out) {
    char* end = nullptr;
    *out = std::strtoull(value.c_str(), &end, 10);
    return !value.empty() && *end == 0;
}

namespace {

// Removes a flag from the arguments; true when it was there.
bool TakeFlag(std::vector<std::string>& args, const std::string& name) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == name) {
            args.erase(args.begin() + i);
            return true;
        }
    }
    return false;
}

int Init(std::vector<std::string> args) {
    host::MachineConfig config;
    std::string value;
    bool force = TakeFlag(args, "--force");
    if (TakeOption(args, "--shell", &value) && !ParseChoice(value, "new", "old", &config.newShell))
        return Fail("--shell takes new or old");
    if (TakeOption(args, "--delayed-delete", &value) && !ParseChoice(value, "yes", "no", &config.delayedDelete))
        return Fail("--delayed-delete takes yes or no");
    if (TakeOption(args, "--progman", &value) && !ParseChoice(value, "on", "off", &config.progman))
        return Fail("--progman takes on or off");
    unsigned long long freeMb = host::kDefaultFreeMb;
    if (TakeOption(args, "--free-mb", &value) && !ParseNumber(value, &freeMb))
        return Fail("--free-mb takes a number");
    if (!args.empty()) return Fail("init: unexpected " + args[0]);
    config.drives['C'].freeMb = freeMb;
    // A machine is made afresh only when asked: its files and registry go.
    if (!force && host::HoldsMachine(gMachine))
        return Fail(gMachine + " holds a machine already (init --force makes it afresh)");
    std::string error;
    if (!host::InitMachine(gMachine, config, &error)) return Fail(error);
    return 0;
}

int Mount(std::vector<std::string> args) {
    std::string value;
    unsigned long long freeMb = host::kDefaultFreeMb;
    if (TakeOption(args, "--free-mb", &value) && !ParseNumber(value, &freeMb))
        return Fail("--free-mb takes a number");
    if (args.size() != 2 || args[0].size() != 2 || args[0][1] != ':' || !isalpha((unsigned char)args[0][0]))
        return Fail("usage: mount D: HOSTDIR [--free-mb N]");
    char letter = (char)toupper((unsigned char)args[0][0]);
    if (letter == 'C') return Fail("drive C: is the machine's own");
    char* real = realpath(args[1].c_str(), nullptr);
    if (!real) return Fail("no such folder: " + args[1]);
    host::DriveInfo& drive = host::Config().drives[letter];
    drive.hostDir = real;
    drive.freeMb = freeMb;
    free(real);
    return host::SaveConfig() ? 0 : Fail("cannot save the machine's settings");
}

int Reg(std::vector<std::string> args) {
    if (!args.empty() && args[0] == "import") {
        if (args.size() != 2) return Fail("usage: reg import FILE");
        std::ifstream in(args[1], std::ios::binary);
        if (!in) return Fail("cannot read " + args[1]);
        std::stringstream text;
        text << in.rdbuf();
        std::string error;
        if (!host::ImportRegistryText(text.str(), &error)) return Fail(error);
        return 0;
    }
    if (args.size() > 1) return Fail("usage: reg [KEY]");
    std::string text;
    if (!host::ExportRegistryKey(args.empty() ? "" : host::AnsiFromUtf8(args[0]), &text)) {
        std::cerr << "winbox: no such key: " << (args.empty() ? "" : args[0]) << "\n";
        return 1;
    }
    std::cout << host::DisplayUtf8(text);
    return 0;
}

int Path(std::vector<std::string> args) {
    if (args.size() != 1) return Fail("usage: path WINPATH");
    std::string full, hostPath;
    if (!host::FullWindowsPath(host::AnsiFromUtf8(args[0]), &full)) return Fail("no drive for " + args[0]);
    if (full.size() > host::kMaxPathBytes)
        return Fail("a Windows path is at most " + std::to_string(host::kMaxPathBytes) + " bytes; this one has " +
                    std::to_string(full.size()));
    if (!host::MapToHost(full, &hostPath)) return Fail("no drive for " + args[0]);
    std::cout << hostPath << "\n";
    return 0;
}

}  // namespace

int RunProgramCommand(std::vector<std::string> args) {
    std::string scriptPath, currentDir;
    bool useScript = TakeOption(args, "--script", &scriptPath);
    // A program started by another one's WinExec inherits its current directory.
    bool inherited = TakeOption(args, "--current-dir", &currentDir);
    if (args.empty() || args.size() > 2) return Fail("usage: run [--script FILE] PATH [COMMAND-LINE]");
    host::ScriptFrontEnd script;
    if (useScript) {
        std::string error;
        if (!script.Load(scriptPath, &error)) return Fail(error);
        host::SetFrontEnd(&script);
    }
    if (inherited && !SetCurrentDirectoryA(host::AnsiFromUtf8(currentDir).c_str()))
        return Fail("no such directory: " + currentDir);
    // Without a script, on a terminal, the user answers the windows there.
    // The transcript is printed once the terminal is given back, or written
    // as it happens to the file WINBOX_TRANSCRIPT names.
    std::ofstream transcriptFile;  // outlives the front end that writes to it
    std::unique_ptr<host::terminal::Console> console;
    std::unique_ptr<host::TerminalFrontEnd> terminal;
    if (!useScript && isatty(STDIN_FILENO) && isatty(STDOUT_FILENO)) {
        const char* transcriptPath = getenv("WINBOX_TRANSCRIPT");
        if (transcriptPath && *transcriptPath) {
            transcriptFile.open(transcriptPath, std::ios::app);
            if (!transcriptFile) return Fail(std::string("cannot write ") + transcriptPath);
        }
        console = host::terminal::MakeCursesConsole();
        terminal.reset(new host::TerminalFrontEnd(*console, transcriptFile.is_open() ? &transcriptFile : &std::cout,
                                                  !transcriptFile.is_open()));
        host::SetFrontEnd(terminal.get());
    }
    auto giveBack = [&]() {
        if (!terminal) return;
        terminal->Close();
        host::SetFrontEnd(nullptr);
    };
    std::string error;
    try {
        int code = host::RunProgramFile(host::AnsiFromUtf8(args[0]),
                                        args.size() > 1 ? host::AnsiFromUtf8(args[1]) : "", &error);
        giveBack();
        if (code < 0) return Fail(error);
        if (!host::DamagedStateFile().empty()) return code;  // no program is started over it
        return RunStartedProgram(code, useScript ? &script : nullptr);
    } catch (const host::RunAborted& aborted) {
        giveBack();
        return Fail(aborted.what());
    } catch (...) {
        giveBack();
        throw;
    }
}

namespace {

int Stub(std::vector<std::string> args) {
    if (args.size() != 1) return Fail("usage: stub HOSTFILE");
    return host::WriteProgramStandIn(args[0]) ? 0 : Fail("cannot write " + args[0]);
}

const CommandRegistration kInit("init", Init,
                               "init [--force] [--shell new|old] [--delayed-delete yes|no] [--progman on|off] "
                               "[--free-mb N]   (--force makes an existing machine afresh)");
const CommandRegistration kStub("stub", Stub, "stub HOSTFILE   (a stand-in program file the machine runs as the setup program)");
const CommandRegistration kMount("mount", Mount, "mount D: HOSTDIR [--free-mb N]");
const CommandRegistration kRun("run", RunProgramCommand, "run [--script FILE] PATH [COMMAND-LINE]");
const CommandRegistration kReg("reg", Reg, "reg [KEY] | reg import FILE");
const CommandRegistration kPath("path", Path, "path WINPATH");

// Reads each state file of the machine (the registry, Program Manager's
// groups, the free-space ledger), so that one that cannot be read stops
// winbox before the command changes anything.
void ReadMachineState() {
    unsigned long long freeBytes;
    RegQueryValueExA(HKEY_LOCAL_MACHINE, "", nullptr, nullptr, nullptr, nullptr);
    host::ProgmanGroups();
    host::DriveFreeBytes('C', &freeBytes);
}

// A state file that could not be read stops winbox; it is never written over.
int StopIfStateDamaged(int code) {
    const std::string& damage = host::DamagedStateFile();
    return damage.empty() ? code : Fail(damage + " (the file is left as it is)");
}

void PrintUsage() {
    std::cerr << "usage: winbox [--machine DIR] COMMAND ...\n";
    for (const Entry& entry : Commands()) std::cerr << "  " << entry.usage << "\n";
}

}  // namespace

}  // namespace winbox

int main(int argc, char** argv) {
    using namespace winbox;
    program_host::RegisterSetupProgram();
    std::vector<std::string> args(argv + 1, argv + argc);
    TakeOption(args, "--machine", &gMachine);
    if (args.empty()) {
        PrintUsage();
        return 2;
    }
    std::string name = args[0];
    args.erase(args.begin());
    for (const Entry& entry : Commands()) {
        if (name != entry.name) continue;
        // Every command but those that make files of their own needs the machine.
        if (name == "init" || name == "stub") return entry.command(args);
        std::string error;
        if (!host::OpenMachine(gMachine, &error))
            return Fail(error.empty() ? "no machine in " + gMachine + " (run winbox init)" : error);
        ReadMachineState();
        int code = host::DamagedStateFile().empty() ? entry.command(args) : 0;
        return StopIfStateDamaged(code);
    }
    PrintUsage();
    return 2;
}
