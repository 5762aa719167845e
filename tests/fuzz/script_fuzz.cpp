// The script front end: the input is a script file, loaded and then played
// against a wizard page and message boxes of every kind until it runs out.
#include <string>

#include "fuzz_machine.h"
#include "ui/frontend.h"
#include "windows_host.h"

namespace {

const UINT kBoxTypes[] = {MB_OK, MB_OKCANCEL, MB_YESNO, MB_YESNOCANCEL, MB_RETRYCANCEL, MB_ABORTRETRYIGNORE};

host::ScreenView Page() {
    host::ScreenView screen{};
    screen.kind = host::ScreenKind::kWizardPage;
    screen.name = "page 100";
    screen.templateId = 100;
    return screen;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::UseMachine();
    static const std::string hostPath = fuzz::MachineFolder() + "/script.txt";
    fuzz::WriteHostFile(hostPath, std::string((const char*)data, size));
    host::ScriptFrontEnd script;
    std::string error;
    fuzz::Check(script.Load(hostPath, &error), "a script file loads");
    const host::ScreenView page = Page();
    for (size_t turn = 0; script.HasMore(); ++turn) {
        host::ScriptAction next = script.Take("fuzz");
        script.Untake();
        try {
            if (next.verb == "answer") {
                host::MessageBoxRequest box{nullptr, "text", "caption", kBoxTypes[turn % 6]};
                script.AnswerMessageBox(box);
            } else {
                host::UserAction action;
                script.NextAction(page, -1, &action);
                if (turn % 2) script.ActionRefused(action, page, "refused");
            }
        } catch (const host::RunAborted&) {
            // An action that fits nothing on screen ends the run: taken all the same.
        }
    }
    return 0;
}
