// The installation run: one step per posted message on the progress page.
#pragma once

#include "platform.h"

// Does the step for setup.stepIndex and arranges the next.
void RunInstallStep();
// Copies the current file entry (entrySource to entryTarget), making the
// target's subdirectories first.
BOOL CopyEntryFile();
// Writes the product's Add/Remove Programs entry.
BOOL RegisterUninstall();
