// Program Manager groups and items over DDE, for the older shell.
#pragma once

#include "platform.h"
#include "shortcuts/shortcuts.h"

// Makes or removes the Program Manager entries of one kind, with the result
// of UpdateShortcuts. No command holding a quote mark is ever sent.
BOOL UpdateProgmanGroup(ShortcutKind kind, BOOL remove);
HDDEDATA CALLBACK DdeClientCallback(UINT type, UINT format, HCONV conversation, HSZ topic, HSZ item,
                                    HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2);
UINT StartDdeClient();
BOOL ConnectDde(const char* service, const char* topic);
BOOL ExecuteDde(const char* command);
// Rewrites entryTarget as an item's command line: the short form of the
// path before the first comma, then a space and the arguments after it.
// False (entryTarget empty) when the line does not fit.
BOOL MakeItemCommandLine();
