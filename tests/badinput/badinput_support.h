// Shared pieces of the bad-input tests: what the user was told, and a
// picture of the model to show that nothing else changed.
#pragma once

#include <string>
#include <vector>

#include "model/main_dlg.h"
#include "platform/headless/headless_platform.h"

namespace kv::test {

// The error numbers of the message boxes shown, in order ("1510", "454");
// a box without "-ERROR " gives its whole text.
std::vector<std::string> ErrorNumbers(const HeadlessPlatform& p);

// Everything of the model that a failed read must leave alone.
struct ModelPicture {
  int n_files = 0, n_days = 0, in_nodes = 0, x_matrix = 0, trained = 0;
  std::vector<int> calendar;
  std::vector<std::string> symbols;   // the stock list box
  std::vector<float> target_price, target_volume, weights, inputs;

  static ModelPicture Of(const TMainDlg& m);
  bool operator==(const ModelPicture&) const = default;
};

// The files of a folder, each as "name size hash", to show that a reader
// wrote nothing (or only what it should).
std::vector<std::string> FolderContents(const std::string& dir);

}  // namespace kv::test
