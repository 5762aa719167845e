// winbox reboot: the restart-time processing, one line per action.
#include <iostream>
#include <string>
#include <vector>

#include "commands.h"
#include "core/codepage.h"
#include "kernel/restart.h"

namespace winbox {

namespace {

// Exit code 1 when an action failed; the others are carried out all the same.
int Reboot(std::vector<std::string> args) {
    if (!args.empty()) return Fail("usage: reboot");
    std::vector<std::string> actions;
    bool ok = host::Reboot(&actions);
    for (const std::string& action : actions) std::cout << host::DisplayUtf8(action) << "\n";
    return ok ? 0 : 1;
}

const CommandRegistration kReboot("reboot", Reboot, "reboot   (pending deletions and renames, WININIT.INI's [Rename])");

}  // namespace

}  // namespace winbox
