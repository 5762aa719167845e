// winbox commands: each file registers its commands by name, so the tool's
// main needs no list of them.
#pragma once

#include <string>
#include <vector>

namespace winbox {

// A command gets its arguments without the command's own name, and returns
// the exit code. The machine is open when it runs (unless it makes one).
using Command = int (*)(std::vector<std::string> args);

struct CommandRegistration {
    CommandRegistration(const char* name, Command command, const char* usage);
};

// Prints "winbox: message" to standard error and returns 2.
int Fail(const std::string& message);
// Takes "--name value" out of the arguments; false when absent.
bool TakeOption(std::vector<std::string>& args, const std::string& name, std::string* value);
// Parses a whole decimal number.
bool ParseNumber(const std::string& value, unsigned long long* out);
// winbox run: runs a program file with a script or the terminal.
int RunProgramCommand(std::vector<std::string> args);
// The machine folder given with --machine.
const std::string& MachineFolder();

}  // namespace winbox
