// Files compiled into the host layer at build time: the resource script and
// the header it includes (see cmake/host_resources.cmake).
#pragma once

namespace host {

struct EmbeddedFile {
    const char* name;           // file name without folders, e.g. "setup.rc"
    const unsigned char* data;  // its bytes, followed by one zero byte
    unsigned long size;         // byte count, without that zero
};

extern const EmbeddedFile kEmbeddedFiles[];
extern const int kEmbeddedFileCount;

}  // namespace host
