// Dialog templates made by hand, for tests of the window system: they are
// found before the resource script's own.
#pragma once

#include "resources/dialog_template.h"

namespace host {

void AddDialogTemplateForTest(const DialogTemplate& dialog);
void ClearDialogTemplatesForTest();

}  // namespace host
