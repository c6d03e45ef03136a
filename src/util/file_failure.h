// The last failed file operation, noted where it failed so that the program's
// message about it can be given the path and the system's reason where a
// face shows them (the command line does; the desktop program's message
// texts stay as they are).
#pragma once

#include <string>

namespace kv {

// Notes that `operation` ("open", "read", "write", ...) on path failed with
// the errno value err. Replaces any earlier note.
void NoteFileFailure(const char* operation, const std::string& path, int err);
// "cannot open /tmp/x.kvn: Permission denied" for the pending note, or ""
// when none; the note is cleared either way.
std::string TakeFileFailure();

// The system's reason for err; EINVAL from a file opened only when regular
// reads "not a regular file".
std::string FileErrorReason(int err);

}  // namespace kv
