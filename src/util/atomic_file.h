// Writing a file so that a failure never destroys the previous one: the data
// goes to a temporary file in the same folder, is flushed to disk, and only
// then renamed over the old file.
//
// A symbolic link is followed and its final target replaced; the link stays
// a link. A path that names anything but a regular file is not replaced:
// a folder, a device or a socket stays what it is.
#pragma once

#include <string>
#include <string_view>

namespace kv {

// For files the program reads back (models, preferences): true when the
// whole of data reached the regular file that path names (or a new file
// there). On failure the old file, if any, is left byte for byte, no
// temporary file is left behind, and *err (when given) says what went wrong
// and what to do.
bool WriteFileAtomic(const std::string& path, std::string_view data, std::string* err = nullptr);

// For output the user may send anywhere (reports, logs, JSON): as
// WriteFileAtomic for a regular file; a FIFO, a character device or an open
// descriptor named through /dev/fd or /proc (/dev/stdout) is written to
// directly, since it cannot be replaced.
bool WriteOutputFile(const std::string& path, std::string_view data, std::string* err = nullptr);

}  // namespace kv
