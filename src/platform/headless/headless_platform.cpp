#include "platform/headless/headless_platform.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

namespace kv {

// ---- HeadlessDialog -------------------------------------------------------------

namespace {

const res::DialogDef& LayoutOf(int resource_id) {
  const res::DialogDef* def = res::FindDialog(resource_id);
  if (!def) UnknownDialog(resource_id);
  return *def;
}

// The kinds whose text is their caption or contents; lists, tabs, bars and
// frames show no text of their own.
bool HasText(res::Ctl kind) {
  switch (kind) {
    case res::Ctl::ListBox:
    case res::Ctl::DropList:
    case res::Ctl::HScroll:
    case res::Ctl::Tab:
    case res::Ctl::Progress:
    case res::Ctl::Frame:
      return false;
    default:
      return true;
  }
}

}  // namespace

HeadlessDialog::HeadlessDialog(int resource_id, Dialog* parent)
    : HeadlessDialog(LayoutOf(resource_id), parent) {}

HeadlessDialog::HeadlessDialog(const res::DialogDef& layout, Dialog* parent)
    : resource_(layout.id), parent_(parent) {
  Build(layout);
}

void HeadlessDialog::Build(const res::DialogDef& layout) {
  caption_ = layout.caption ? layout.caption : "";
  if (layout.surface.w > 0 && layout.surface.frame_id) controls_[layout.surface.frame_id].kind = res::Ctl::Frame;
  for (size_t i = 0; i < layout.count; ++i) {
    const res::ControlDef& d = layout.controls[i];
    if (d.id < 0) continue;   // labels nobody addresses
    Control& k = controls_[d.id];
    k.kind = d.kind;
    if (HasText(d.kind) && d.text) k.text = d.text;
    k.visible = !(d.flags & res::F_HIDDEN);
    k.read_only = (d.flags & res::F_READONLY) != 0;
    k.sorted = (d.flags & res::F_SORTED) != 0;
    k.multi = (d.flags & res::F_MULTISEL) != 0;
  }
}

HeadlessDialog::Control& HeadlessDialog::c(int id, const char* call) const {
  auto it = controls_.find(id);
  if (it == controls_.end()) UnknownControl(resource_, id, call);
  return it->second;
}

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

void HeadlessDialog::SetText(int id, std::string_view text) {
  Control& k = c(id, __func__);
  // A drop-down list shows the entry of that text, if it has one.
  if (k.kind == res::Ctl::DropList) {
    const int i = FindExact(id, text);
    if (i >= 0) k.sel = i;
    return;
  }
  k.text = text;
}

std::string HeadlessDialog::GetText(int id, int max_chars) const {
  const Control& k = c(id, __func__);
  std::string t;
  if (k.kind == res::Ctl::DropList) t = ItemText(id, k.sel);
  else if (HasText(k.kind)) t = k.text;
  if (max_chars >= 0 && static_cast<int>(t.size()) > max_chars) t.resize(static_cast<size_t>(max_chars));
  return t;
}

void HeadlessDialog::ClearList(int id) {
  Control& k = c(id, __func__);
  k.items.clear();
  k.sel = -1;
  k.caret = 0;
  k.top = 0;
}

int HeadlessDialog::AddItem(int id, std::string_view text, long data) {
  Control& k = c(id, __func__);
  int index = static_cast<int>(k.items.size());
  if (k.sorted) {
    index = 0;
    while (index < static_cast<int>(k.items.size()) && k.items[index].text <= text) ++index;
  }
  return InsertItem(id, index, text, data);
}

int HeadlessDialog::InsertItem(int id, int index, std::string_view text, long data) {
  Control& k = c(id, __func__);
  if (index < 0 || index > static_cast<int>(k.items.size())) index = static_cast<int>(k.items.size());
  k.items.insert(k.items.begin() + index, Item{std::string(text), data, false});
  if (k.sel >= index) ++k.sel;
  return index;
}

void HeadlessDialog::DeleteItem(int id, int index) {
  Control& k = c(id, __func__);
  if (index < 0 || index >= static_cast<int>(k.items.size())) return;
  k.items.erase(k.items.begin() + index);
  if (k.sel == index) k.sel = -1;
  else if (k.sel > index) --k.sel;
}

std::string HeadlessDialog::ItemText(int id, int index) const {
  const Control& k = c(id, __func__);
  if (index < 0 || index >= static_cast<int>(k.items.size())) return {};
  return k.items[index].text;
}

long HeadlessDialog::ItemData(int id, int index) const {
  const Control& k = c(id, __func__);
  if (index < 0 || index >= static_cast<int>(k.items.size())) return -1;
  return k.items[index].data;
}

int HeadlessDialog::FindExact(int id, std::string_view text) const {
  const Control& k = c(id, __func__);
  for (size_t i = 0; i < k.items.size(); ++i)
    if (k.items[i].text == text) return static_cast<int>(i);
  return -1;
}

void HeadlessDialog::SetSel(int id, int index) {
  Control& k = c(id, __func__);
  k.sel = (index >= 0 && index < static_cast<int>(k.items.size())) ? index : -1;
  if (k.sel >= 0) k.caret = k.sel;
}

bool HeadlessDialog::IsSelected(int id, int index) const {
  const Control& k = c(id, __func__);
  if (index < 0 || index >= static_cast<int>(k.items.size())) return false;
  return k.multi ? k.items[index].selected : k.sel == index;
}

void HeadlessDialog::SelectItem(int id, int index, bool on) {
  Control& k = c(id, __func__);
  if (index < 0 || index >= static_cast<int>(k.items.size())) return;
  if (!k.multi) {
    k.sel = on ? index : (k.sel == index ? -1 : k.sel);
    return;
  }
  k.items[index].selected = on;
}

std::vector<int> HeadlessDialog::SelectedItems(int id) const {
  const Control& k = c(id, __func__);
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
  Control& k = c(id, __func__);
  k.smin = min;
  k.smax = max;
  k.spos = std::clamp(k.spos, std::min(min, max), std::max(min, max));
}

void HeadlessDialog::GetScrollRange(int id, int& min, int& max) const {
  min = c(id, __func__).smin;
  max = c(id, __func__).smax;
}

void HeadlessDialog::SetScrollPos(int id, int pos) {
  Control& k = c(id, __func__);
  k.spos = std::clamp(pos, std::min(k.smin, k.smax), std::max(k.smin, k.smax));
}

void HeadlessDialog::SetRange(int id, int min, int max) {
  c(id, __func__).rmin = min;
  c(id, __func__).rmax = max;
}

void HeadlessDialog::Type(int id, std::string_view text) {
  Control& k = c(id, __func__);
  std::string t(text);
  if (k.limit >= 0 && static_cast<int>(t.size()) > k.limit) t.resize(k.limit);
  if (k.read_only || !k.enabled) return;
  k.text = t;
  if (handler_) handler_->OnControl(id, Notify::Change);
}

void HeadlessDialog::Click(int id) {
  Control& k = c(id, __func__);
  if (!k.enabled) return;
  if (k.kind == res::Ctl::CheckBox) k.checked = !k.checked;
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
  answer = AnswerMessage(text, caption, flags);
  if (echo_) {
    const std::string shown = echo_wording_ ? echo_wording_(text) : std::string(text);
    std::fprintf(echo_, "%.*s: %s\n", static_cast<int>(caption.size()), caption.data(), shown.c_str());
    std::fflush(echo_);
  }
  return answer;
}

bool HeadlessPlatform::FileDialog(const FileDialogSpec& spec, std::string& path) {
  return AnswerFileDialog(spec, path);
}

bool HeadlessPlatform::ShowInsteadOfLaunching(std::string_view line) {
  std::fprintf(stderr, "kestrivane: %.*s\n", static_cast<int>(line.size()), line.data());
  return true;
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

void HeadlessPlatform::Post(std::function<void()> fn) { posted_.Post(std::move(fn)); }

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
  posted_.RunPending();
  if (quit_posted_) {
    quit_posted_ = false;
    Quit(quit_code_);
    return;
  }
  pollers_.RunAll();
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

int HeadlessPlatform::AddPoller(std::function<void()> fn) { return pollers_.Add(std::move(fn)); }

void HeadlessPlatform::RemovePoller(int handle) { pollers_.Remove(handle); }

}  // namespace kv
