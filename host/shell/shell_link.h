// The shell link object that CoCreateInstance(CLSID_ShellLink) hands out.
#pragma once

#include "windows_host.h"

namespace host {

// A new link object with one reference, or null when memory runs out.
IShellLinkA* NewShellLink();

}  // namespace host
