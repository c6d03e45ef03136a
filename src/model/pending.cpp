// TEMPORARY: placeholder bodies of members whose real definitions are being
// written. Whoever implements a member deletes its line here. This file must
// be empty (and deleted) before the work is finished.
#include "download/auto_download.h"
#include "model/main_dlg.h"

namespace kv {

// ---- model/ ----

// ---- data/ ----

// ---- net/ ----

// ---- forecast/ ----

// ---- app/ ----

}  // namespace kv
