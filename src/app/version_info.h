// What --version prints for both programs.
#pragma once

#include <string>

namespace kv {

// "PROGRAM VERSION" then "build type: ..." and "engine: avx512|avx2|plain"
// (the vector flavour the network runs on this processor), each line ending
// in a newline.
std::string VersionText(const std::string& program);

}  // namespace kv
