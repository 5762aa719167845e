// The host layer's stand-in for <windows.h> and the other platform headers:
// only the subset the setup program uses, with Windows names and values.
#pragma once

#include "hostwin/types.h"
#include "hostwin/kernel.h"
#include "hostwin/registry.h"
#include "hostwin/user.h"
#include "hostwin/commctrl.h"
#include "hostwin/commdlg.h"
#include "hostwin/shell.h"
#include "hostwin/dde.h"
