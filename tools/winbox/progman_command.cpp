// winbox progman: Program Manager's groups and their items.
#include <iostream>

#include "commands.h"
#include "dde/progman.h"
#include "ui/frontend.h"

namespace winbox {

namespace {

// Prints each group as `group "NAME"` and its items as
// `  item "CAPTION" "COMMAND-LINE"`, in UTF-8; nothing when there are none.
int Progman(std::vector<std::string> args) {
    if (!args.empty()) return Fail("usage: progman");
    for (const host::ProgmanGroup& group : host::ProgmanGroups()) {
        std::cout << "group " << host::Quoted(group.name) << "\n";
        for (const host::ProgmanItem& item : group.items)
            std::cout << "  item " << host::Quoted(item.caption) << " " << host::Quoted(item.commandLine) << "\n";
    }
    return 0;
}

const CommandRegistration kProgman("progman", Progman, "progman   (Program Manager's groups and items)");

}  // namespace

}  // namespace winbox
