// Error and question boxes that name a path, owned by the active window.
#pragma once

#include "platform.h"

// Shows path followed by message, whole however long, in a message box owned
// by setup.activeWindow; returns the answer.
int ShowPathMessage(const char* path, const char* message, const char* caption, UINT type);
// Shows path followed by a message, as an error owned by setup.activeWindow.
void ShowPathError(const char* path, const char* message);
