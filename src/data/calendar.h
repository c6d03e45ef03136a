// The model's trading calendar: the dates every series of every stock is
// aligned on, built from the target stock's file (Stock::Add_Dates).
#pragma once

#include <cstdint>

#include "data/limits.h"

namespace kv {

// Trading dates of the model, YYYYMMDD, strictly ascending.
extern int32_t calendar[kMaxDays];
extern int32_t calendar_count;

}  // namespace kv
