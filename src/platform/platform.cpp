#include "platform/platform.h"

#include <time.h>
#include <cstdlib>
#include <cstdio>

namespace kv {

std::tm Clock::LocalNow() {
  std::time_t t = Now();
  std::tm out{};
  localtime_r(&t, &out);
  return out;
}

int Clock::TodayYmd() {
  std::tm t = LocalNow();
  return (t.tm_year + 1900) * 10000 + (t.tm_mon + 1) * 100 + t.tm_mday;
}

uint64_t RealClock::TickMs() {
  // The coarse monotonic clock (a few milliseconds of resolution, like the
  // classic tick count) costs a fraction of the precise one, and training
  // reads it at every pump.
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

std::time_t RealClock::Now() { return std::time(nullptr); }

Platform::Platform() : clock_(&real_clock_) {}

void Platform::SetClock(Clock* c) { clock_ = c ? c : &real_clock_; }

bool Platform::Diverted(std::string_view text, unsigned flags, int& answer) {
  if (!diverter_) return false;
  diverter_(text);
  const unsigned buttons = flags & MB_BUTTONS_MASK;
  answer = buttons == MB_OK ? IDOK : buttons == MB_YESNO ? IDNO : IDCANCEL;
  return true;
}

void Platform::Quit(int code) {
  if (quit_handler_) {
    quit_handler_(code);
    return;
  }
  std::fflush(nullptr);
  std::exit(code);
}

void UnknownControl(int resource_id, int control_id, const char* call) {
  std::fprintf(stderr, "kestrivane: dialog %d has no control %d (%s)\n", resource_id, control_id,
               call ? call : "?");
  std::abort();
}

void UnknownDialog(int resource_id) {
  std::fprintf(stderr, "kestrivane: no layout for dialog %d\n", resource_id);
  std::abort();
}

namespace {
Platform* g_platform = nullptr;
}

Platform& plat() {
  if (!g_platform) {
    std::fputs("kestrivane: no platform installed\n", stderr);
    std::abort();
  }
  return *g_platform;
}

void SetPlatform(Platform* p) { g_platform = p; }

}  // namespace kv
