// Files compiled into the program's host build: the resource script and the
// header it includes (see tools/program_host/CMakeLists.txt).
#pragma once

namespace program_host {

struct EmbeddedFile {
    const char* name;           // file name without folders, e.g. "setup.rc"
    const unsigned char* data;  // its bytes, followed by one zero byte
    unsigned long size;         // byte count, without that zero
};

extern const EmbeddedFile kEmbeddedFiles[];
extern const int kEmbeddedFileCount;

}  // namespace program_host
