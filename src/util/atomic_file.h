// Writing a file so that a failure never destroys the previous one: the data
// goes to a temporary file in the same folder, is flushed to disk, and only
// then renamed over the old file.
#pragma once

#include <string>
#include <string_view>

namespace kv {

// True when the whole of data reached path. On failure the old file (if any)
// is left byte for byte and the temporary file is removed.
bool WriteFileAtomic(const std::string& path, std::string_view data);

}  // namespace kv
