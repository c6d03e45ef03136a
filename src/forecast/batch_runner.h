// Pieces of the batch runner that tests reach directly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "forecast/batch_file.h"

namespace kv {

class TMainDlg;

// Why a model that loaded cannot be trained or forecast, empty when it can:
// the first message raised while it loaded (said) that names one of its
// price files, or a stock that gave no prices at all.
std::string UnreadPriceFiles(const TMainDlg& m, const std::vector<std::string>& said);

}  // namespace kv
