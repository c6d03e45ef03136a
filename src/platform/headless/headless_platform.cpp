#include "platform/headless/headless_platform.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace kv {

// ---- HeadlessDialog -------------------------------------------------------------

void HeadlessDialog::PostClose() {
  // The request is delivered by the event pump, like a posted message; a
  // dialog gone by then simply never sees it.
  std::weak_ptr<bool> alive = alive_token();
  plat().Post([this, alive] {
    if (alive.expired()) return;
    if (handler_) handler_->OnCloseRequest();
    else open_ = false;
  });
}

std::string HeadlessDialog::GetText(int id, int max_chars) const {
  const std::string& t = c(id).text;
  if (max_chars >= 0 && static_cast<int>(t.size()) > max_chars) return t.substr(0, max_chars);
  return t;
}

void HeadlessDialog::ClearList(int id) {
  Control& k = c(id);
  k.items.clear();
  k.sel = -1;
  k.caret = 0;
  k.top = 0;
}

int HeadlessDialog::AddItem(int id, std::string_view text, long data) {
  Control& k = c(id);
  int index = static_cast<int>(k.items.size());
  if (k.sorted) {
    index = 0;
    while (index < static_cast<int>(k.items.size()) && k.items[index].text <= text) ++index;
  }
  return InsertItem(id, index, text, data);
}

int HeadlessDialog::InsertItem(int id, int index, std::string_view text, long data) {
  Control& k = c(id);
  if (index < 0 || index > static_cast<int>(k.items.size())) index = static_cast<int>(k.items.size());
  k.items.insert(k.items.begin() + index, Item{std::string(text), data, false});
  if (k.sel >= index) ++k.sel;
  return index;
}

void HeadlessDialog::DeleteItem(int id, int index) {
  Control& k = c(id);
  if (index < 0 || index >= static_cast<int>(k.items.size())) return;
  k.items.erase(k.items.begin() + index);
  if (k.sel == index) k.sel = -1;
  else if (k.sel > index) --k.sel;
}

std::string HeadlessDialog::ItemText(int id, int index) const {
  const Control& k = c(id);
  if (index < 0 || index >= static_cast<int>(k.items.size())) return {};
  return k.items[index].text;
}

long HeadlessDialog::ItemData(int id, int index) const {
  const Control& k = c(id);
  if (index < 0 || index >= static_cast<int>(k.items.size())) return -1;
  return k.items[index].data;
}

int HeadlessDialog::FindExact(int id, std::string_view text) const {
  const Control& k = c(id);
  for (size_t i = 0; i < k.items.size(); ++i)
    if (k.items[i].text == text) return static_cast<int>(i);
  return -1;
}

void HeadlessDialog::SetSel(int id, int index) {
  Control& k = c(id);
  k.sel = (index >= 0 && index < static_cast<int>(k.items.size())) ? index : -1;
  if (k.sel >= 0) k.caret = k.sel;
}

bool HeadlessDialog::IsSelected(int id, int index) const {
  const Control& k = c(id);
  if (index < 0 || index >= static_cast<int>(k.items.size())) return false;
  return k.multi ? k.items[index].selected : k.sel == index;
}

void HeadlessDialog::SelectItem(int id, int index, bool on) {
  Control& k = c(id);
  if (index < 0 || index >= static_cast<int>(k.items.size())) return;
  if (!k.multi) {
    k.sel = on ? index : (k.sel == index ? -1 : k.sel);
    return;
  }
  k.items[index].selected = on;
}

std::vector<int> HeadlessDialog::SelectedItems(int id) const {
  const Control& k = c(id);
  std::vector<int> out;
  if (!k.multi) {
    if (k.sel >= 0) out.push_back(k.sel);
    return out;
  }
  for (size_t i = 0; i < k.items.size(); ++i)
    if (k.items[i].selected) out.push_back(static_cast<int>(i));
  return out;
}

void HeadlessDialog::SetScrollRange(int id, int min, int max) {
  Control& k = c(id);
  k.smin = min;
  k.smax = max;
  k.spos = std::clamp(k.spos, std::min(min, max), std::max(min, max));
}

void HeadlessDialog::GetScrollRange(int id, int& min, int& max) const {
  min = c(id).smin;
  max = c(id).smax;
}

void HeadlessDialog::SetScrollPos(int id, int pos) {
  Control& k = c(id);
  k.spos = std::clamp(pos, std::min(k.smin, k.smax), std::max(k.smin, k.smax));
}

void HeadlessDialog::SetRange(int id, int min, int max) {
  c(id).rmin = min;
  c(id).rmax = max;
}

void HeadlessDialog::Type(int id, std::string_view text) {
  Control& k = c(id);
  std::string t(text);
  if (k.limit >= 0 && static_cast<int>(t.size()) > k.limit) t.resize(k.limit);
  if (k.read_only || !k.enabled) return;
  k.text = t;
  if (handler_) handler_->OnControl(id, Notify::Change);
}

void HeadlessDialog::Click(int id) {
  Control& k = c(id);
  if (!k.enabled) return;
  if (std::find(checkboxes_.begin(), checkboxes_.end(), id) != checkboxes_.end())
    k.checked = !k.checked;
  if (handler_) handler_->OnControl(id, Notify::Clicked);
}

void HeadlessDialog::LeaveField(int id) {
  if (handler_) handler_->OnControl(id, Notify::KillFocus);
}

void HeadlessDialog::Choose(int id, int index) {
  SetSel(id, index);
  if (handler_) handler_->OnControl(id, Notify::SelChange);
}

// ---- HeadlessPlatform ----------------------------------------------------------

HeadlessPlatform::HeadlessPlatform() = default;
HeadlessPlatform::~HeadlessPlatform() = default;

std::unique_ptr<Dialog> HeadlessPlatform::CreateDialog(int resource_id, Dialog* parent) {
  return std::make_unique<HeadlessDialog>(resource_id, parent);
}

int HeadlessPlatform::RunModal(Dialog& dlg) {
  return modal_script_ ? modal_script_(dlg) : IDCANCEL;
}

int HeadlessPlatform::MessageBox(std::string_view text, std::string_view caption, unsigned flags) {
  int answer;
  if (Diverted(text, flags, answer)) return answer;
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
  } else {
    unsigned buttons = flags & MB_BUTTONS_MASK;
    if (buttons == MB_OK) answer = IDOK;
    else if (buttons == MB_OKCANCEL) answer = default_answer_ == IDCANCEL ? IDCANCEL : IDOK;
    else if (buttons == MB_YESNO) answer = default_answer_ == IDNO ? IDNO : IDYES;
    else answer = default_answer_;
  }
  messages_.push_back({std::string(text), std::string(caption), flags, answer});
  if (echo_) {
    const std::string shown = echo_wording_ ? echo_wording_(text) : std::string(text);
    std::fprintf(echo_, "%.*s: %s\n", static_cast<int>(caption.size()), caption.data(), shown.c_str());
    std::fflush(echo_);
  }
  return answer;
}

bool HeadlessPlatform::FileDialog(const FileDialogSpec& spec, std::string& path) {
  FileDialogRecord rec{spec, false, {}};
  std::optional<std::string> answer;
  if (!files_.empty()) {
    answer = files_.front();
    files_.pop_front();
  }
  if (answer) {
    rec.answered = true;
    rec.path = *answer;
    path = *answer;
  }
  file_dialogs_.push_back(rec);
  return rec.answered;
}

void HeadlessPlatform::SetTimer(WindowHandler* handler, unsigned id, unsigned period_ms) {
  timers_.Set(handler, id, period_ms, clock().TickMs());
}

void HeadlessPlatform::KillTimer(WindowHandler* handler, unsigned id) { timers_.Kill(handler, id); }

void HeadlessPlatform::KillTimers(WindowHandler* handler) { timers_.KillAll(handler); }

bool HeadlessPlatform::HasTimer(const WindowHandler* handler, unsigned id) const {
  return timers_.Has(handler, id);
}

unsigned HeadlessPlatform::TimerPeriod(const WindowHandler* handler, unsigned id) const {
  return timers_.Period(handler, id);
}

void HeadlessPlatform::Post(std::function<void()> fn) { posted_.push_back(std::move(fn)); }

void HeadlessPlatform::PostQuit(int code) {
  quit_posted_ = true;
  quit_code_ = code;
}

void HeadlessPlatform::FireDueTimers() {
  // Training pumps every few microseconds: when no timer is due, one clock
  // read is all a pump costs here.
  if (!timers_.empty()) timers_.FireDue(clock().TickMs());
}

void HeadlessPlatform::CheckEvents() {
  ++pumps_;
  clock().OnPump();
  // Only what was posted before this pump runs now; work posted by the
  // handlers waits for the next pump, so a handler that posts cannot spin.
  size_t n = posted_.size();
  for (size_t i = 0; i < n && !posted_.empty(); ++i) {
    auto fn = std::move(posted_.front());
    posted_.pop_front();
    fn();
  }
  if (quit_posted_) {
    quit_posted_ = false;
    Quit(quit_code_);
    return;
  }
  // Pollers may add or remove pollers: walk by handle, without copying; one
  // added now is first called at the next pump.
  const int last = next_poller_ - 1;
  for (auto it = pollers_.begin(); it != pollers_.end() && it->first <= last;) {
    const int handle = it->first;
    std::shared_ptr<std::function<void()>> fn = it->second;
    (*fn)();
    it = pollers_.upper_bound(handle);
  }
  FireDueTimers();
}

void HeadlessPlatform::WaitEvents(int max_ms) {
  if (auto* v = dynamic_cast<VirtualClock*>(&clock())) {
    v->Advance(static_cast<uint64_t>(std::max(0, max_ms)));
  } else if (posted_.empty() && !quit_posted_ && max_ms > 0) {
    uint64_t wait = timers_.WaitFrom(clock().TickMs(), static_cast<uint64_t>(max_ms));
    if (!pollers_.empty()) wait = std::min<uint64_t>(wait, 5);
    if (wait > 0) std::this_thread::sleep_for(std::chrono::milliseconds(wait));
  }
  CheckEvents();
}

int HeadlessPlatform::AddPoller(std::function<void()> fn) {
  int h = next_poller_++;
  pollers_[h] = std::make_shared<std::function<void()>>(std::move(fn));
  return h;
}

void HeadlessPlatform::RemovePoller(int handle) { pollers_.erase(handle); }

}  // namespace kv
