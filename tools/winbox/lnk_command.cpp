// winbox lnk: what a shortcut file holds, read from its bytes.
#include <iostream>

#include "commands.h"
#include "core/codepage.h"
#include "core/machine.h"
#include "shell/link_file.h"

namespace winbox {

namespace {

int Lnk(std::vector<std::string> args) {
    if (args.size() != 1) return Fail("usage: lnk FILE");
    std::string hostPath, error;
    if (!host::HostPathOf(host::AnsiFromUtf8(args[0]), &hostPath)) return Fail("no drive for " + args[0]);
    host::LinkFile link;
    if (!host::ReadLinkFile(hostPath, &link, &error)) {
        std::cerr << "winbox: " << args[0] << ": " << error << "\n";
        return 1;
    }
    std::cout << "target: " << host::DisplayUtf8(link.target) << "\n"
              << "arguments: " << host::DisplayUtf8(link.arguments) << "\n"
              << "description: " << host::DisplayUtf8(link.description) << "\n";
    return 0;
}

const CommandRegistration kLnk("lnk", Lnk, "lnk FILE   (a shortcut's target, arguments and description)");

}  // namespace

}  // namespace winbox
