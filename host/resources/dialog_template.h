// Dialog templates as the resource script describes them, for the host
// window system. The script (src/resources/setup.rc) is the one description.
#pragma once

#include <string>
#include <vector>

#include "windows_host.h"

namespace host {

struct ControlTemplate {
    int id;                 // control id (-1 for IDC_STATIC)
    std::string className;  // "static", "edit", "button", "listbox", "combobox", "msctls_progress32"
    std::string text;       // code page 932
    int x, y, width, height;  // dialog units
    DWORD style;            // full window style, the class's defaults included
    DWORD exStyle;          // extended style
};

struct DialogTemplate {
    int id;                 // resource number
    int x, y, width, height;  // dialog units
    DWORD style;            // window style
    std::string caption;    // code page 932, empty when none
    std::string fontName;   // code page 932
    int fontSize;           // points
    std::vector<ControlTemplate> controls;  // in template order (tab order)
};

// The template with the given resource number, or null.
const DialogTemplate* FindDialogTemplate(int id);
// Every dialog template of the program's resource script.
const std::vector<DialogTemplate>& DialogTemplates();

}  // namespace host
