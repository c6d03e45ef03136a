#include "model/main_dlg.h"

namespace kv {

// Drains the event queue without blocking: posted work, timers, sockets. A
// quit request met here ends the process (Platform::Quit).
void TMainDlg::Check_Events() { plat().CheckEvents(); }

}  // namespace kv
