// Opening files that the user names, safely.
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

}  // namespace kv
