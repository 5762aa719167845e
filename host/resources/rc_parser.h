// Reads the dialog templates of a resource script (the subset of the rc
// language that setup.rc uses) into host::DialogTemplate records.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "resources/dialog_template.h"

namespace host {

// Supplies the text of a file named in #include "...", false when there is none.
using IncludeReader = std::function<bool(const std::string& name, std::string* text)>;

// Parses a UTF-8 script named `name`. On the first error, false with
// "name:line: what" in *error; nothing is skipped silently.
bool ParseResourceScript(const std::string& name, const std::string& text,
                         const IncludeReader& include, std::vector<DialogTemplate>* dialogs,
                         std::string* error);

}  // namespace host
