// Window placement shared by the wizard and the removal dialog.
#pragma once

#include "platform.h"

// Moves the window to the centre of the screen.
void CentreWindow(HWND window);
