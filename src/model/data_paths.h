// Price-file paths as a model file stores them, so that a model and its price
// files can move together: a file in the model's folder or below it is
// stored relative to that folder, any other as an absolute path.
#pragma once

#include <string>

namespace kv {

// The form of data_file (as the program holds it: absolute, or relative to
// the current folder) to write into the model file at model_path. A path
// that would not fit max_len characters is kept as it is.
std::string StoredDataFile(const std::string& model_path, const std::string& data_file,
                           size_t max_len);

// The file to read for a path stored in the model file at model_path:
//   relative: the model's folder first, then the current folder;
//   absolute: the path itself, else its file name in the model's folder.
// When no candidate exists the first one is returned, so the message that
// follows names the place the file was expected.
std::string ResolveDataFile(const std::string& model_path, const std::string& stored);

// Why a price file that did not read failed, in a few words for a message:
// missing, not a file, not readable, or its contents were refused.
std::string PriceFileProblem(const std::string& path);

}  // namespace kv
