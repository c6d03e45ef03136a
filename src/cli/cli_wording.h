// The command line's own wording for the program's messages that point the
// user at a button or menu of the window: the CLI user is told the command or
// option that does the same instead. The window keeps its texts as they are.
#pragma once

#include <string>
#include <string_view>

namespace kv::cli {

// text with each phrase that names a control replaced by the CLI's phrase;
// a text without one comes back unchanged.
std::string CliWording(std::string_view text);

// How a message box's text is printed by the CLI: CliWording, then, when a
// file operation failed on the way to the message, a line with the path and
// the system's reason ("cannot open /tmp/x.kvn: Permission denied").
std::string CliMessageText(std::string_view text);

}  // namespace kv::cli
