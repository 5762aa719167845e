// MessageBoxA: handed to the front end, which shows it and picks the answer.
#include "ui/frontend.h"

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    host::MessageBoxRequest box;
    box.owner = owner;
    box.text = text ? text : "";
    box.caption = caption ? caption : "エラー";  // the platform's default caption
    box.type = type;
    return host::CurrentFrontEnd().AnswerMessageBox(box);
}
