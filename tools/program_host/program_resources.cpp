#include "program_resources.h"

#include "embedded_files.h"

namespace program_host {

namespace {

const EmbeddedFile* FindEmbeddedFile(const std::string& name) {
    for (int i = 0; i < kEmbeddedFileCount; ++i)
        if (name == kEmbeddedFiles[i].name) return &kEmbeddedFiles[i];
    return nullptr;
}

}  // namespace

bool ReadResourceFile(const std::string& name, std::string* text) {
    const EmbeddedFile* file = FindEmbeddedFile(name);
    if (!file) return false;
    text->assign(reinterpret_cast<const char*>(file->data), file->size);
    return true;
}

host::ProgramRegistration ProgramDialogs() {
    host::ProgramRegistration dialogs;
    dialogs.resourceScript = "setup.rc";
    dialogs.readFile = ReadResourceFile;
    return dialogs;
}

}  // namespace program_host
