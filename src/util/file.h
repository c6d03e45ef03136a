// Opening and reading files that the user names, safely; the one owner of
// a FILE* in the program (File).
//
// A path the user gives may name a folder, a FIFO, a terminal or /dev/zero;
// reading one of those would block or never end. Readers of user files open
// them here: only regular files are opened, and opening never waits.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace kv {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// Opens path for reading ("rb") when it is a regular file; a null File
// otherwise (missing, unreadable, or not a regular file). Never blocks on a
// FIFO or a device.
File OpenRegularFile(const std::string& path);

// Reads the whole of the regular file path into *text (replacing it), at
// most max_bytes of it. False when it cannot be opened or read, or holds
// more than max_bytes; then *err (when given) says so in a line that names
// the path and the reason ("cannot read /tmp/a.log: No such file or
// directory", "... is larger than 1048576 bytes") and *text is empty.
bool ReadFileToString(const std::string& path, std::string* text, std::string* err = nullptr,
                      size_t max_bytes = size_t(1) << 30);

}  // namespace kv
