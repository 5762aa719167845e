// Run modes that are not built yet end the run with a line that says so.
#include "app/modes.h"
#include "platform.h"

void RunWizard() { MessageBoxA(nullptr, "インストールはまだ作られていません。", nullptr, MB_ICONINFORMATION); }

void HandOffUninstall() { MessageBoxA(nullptr, "アンインストールの依頼はまだ作られていません。", nullptr, MB_ICONINFORMATION); }

void RunRemovalMode() { MessageBoxA(nullptr, "削除はまだ作られていません。", nullptr, MB_ICONINFORMATION); }
