// What looks wrong in the price data of a whole model: the findings of each
// of its stocks (data/data_quality.h), named by stock.
#pragma once

#include <cstdio>
#include <vector>

#include "data/data_quality.h"

namespace kv {

class TMainDlg;

// The findings of every stock of a model, each text prefixed with the
// stock's symbol and file.
std::vector<Finding> CheckModelData(const TMainDlg& m);

// Prints "warning: TEXT" per finding of the model's stocks to out; returns
// the number printed.
int PrintDataWarnings(const TMainDlg& m, std::FILE* out);

}  // namespace kv
