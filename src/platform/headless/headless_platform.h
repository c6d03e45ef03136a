// The headless face of the platform layer: the controls of a dialog's layout
// held in memory, message boxes and file dialogs answered by a script, timers
// driven by the platform clock. Used by kestrivane-cli and by every test.
#pragma once

#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/pollers.h"
#include "platform/posted_work.h"
#include "platform/scripted_answers.h"
#include "platform/timer_table.h"
#include "resources/dialogs.h"

namespace kv {

class HeadlessDialog final : public Dialog {
 public:
  struct Item {
    std::string text;
    long data = 0;
    bool selected = false;
  };
  struct Control {
    res::Ctl kind = res::Ctl::Label;
    std::string text;
    int limit = -1;
    bool enabled = true;
    bool read_only = false;
    bool visible = true;
    bool checked = false;
    bool sorted = false;
    bool multi = false;
    std::vector<Item> items;
    int sel = -1;
    int caret = 0;
    int top = 0;
    int smin = 0, smax = 100, spos = 0;
    int rmin = 0, rmax = 100, value = 0;
  };

  // The controls of the resource's layout (resources/dialogs.h), with the
  // layout's captions, hidden, read-only, sorted and multiple-selection
  // marks, as the Qt face builds them. A resource without a layout is an
  // error, as an unknown control id is (UnknownControl in platform.h).
  HeadlessDialog(int resource_id, Dialog* parent);
  // A dialog of a layout of the caller's own (tests that need one).
  HeadlessDialog(const res::DialogDef& layout, Dialog* parent);

  void SetHandler(WindowHandler* h) override { handler_ = h; }
  WindowHandler* Handler() const override { return handler_; }
  int ResourceId() const override { return resource_; }

  void SetCaption(std::string_view text) override { caption_ = text; }
  std::string Caption() const override { return caption_; }
  void Invalidate() override { ++invalidations_; }
  void PostClose() override;
  bool IsOpen() const override { return open_; }
  void EndDialog(int result) override {
    open_ = false;
    end_result_ = result;
  }
  int end_result() const { return end_result_; }

  void SetText(int id, std::string_view text) override;
  std::string GetText(int id, int max_chars = -1) const override;
  void SetTextLimit(int id, int limit) override { c(id, __func__).limit = limit; }
  void Enable(int id, bool on) override { c(id, __func__).enabled = on; }
  bool IsEnabled(int id) const override { return c(id, __func__).enabled; }
  void SetReadOnly(int id, bool on) override { c(id, __func__).read_only = on; }
  bool IsReadOnly(int id) const override { return c(id, __func__).read_only; }
  void Show(int id, bool on) override { c(id, __func__).visible = on; }
  bool IsVisible(int id) const override { return c(id, __func__).visible; }
  // Only a check box has a check mark, as in the Qt face.
  void Check(int id, bool on) override {
    Control& k = c(id, __func__);
    if (k.kind == res::Ctl::CheckBox) k.checked = on;
  }
  bool IsChecked(int id) const override { return c(id, __func__).checked; }

  void ClearList(int id) override;
  int AddItem(int id, std::string_view text, long data = 0) override;
  int InsertItem(int id, int index, std::string_view text, long data = 0) override;
  void DeleteItem(int id, int index) override;
  int ItemCount(int id) const override { return static_cast<int>(c(id, __func__).items.size()); }
  std::string ItemText(int id, int index) const override;
  long ItemData(int id, int index) const override;
  int FindExact(int id, std::string_view text) const override;
  void SetSorted(int id, bool sorted) override { c(id, __func__).sorted = sorted; }
  void SetMultiSelect(int id, bool multi) override { c(id, __func__).multi = multi; }
  int GetSel(int id) const override { return c(id, __func__).sel; }
  void SetSel(int id, int index) override;
  bool IsSelected(int id, int index) const override;
  void SelectItem(int id, int index, bool on) override;
  std::vector<int> SelectedItems(int id) const override;
  int GetCaret(int id) const override { return c(id, __func__).caret; }
  void SetCaret(int id, int index) override { c(id, __func__).caret = index; }
  int GetTopIndex(int id) const override { return c(id, __func__).top; }
  void SetTopIndex(int id, int index) override { c(id, __func__).top = index; }

  void SetScrollRange(int id, int min, int max) override;
  void GetScrollRange(int id, int& min, int& max) const override;
  void SetScrollPos(int id, int pos) override;
  int GetScrollPos(int id) const override { return c(id, __func__).spos; }
  void SetRange(int id, int min, int max) override;
  void SetValue(int id, int value) override { c(id, __func__).value = value; }
  int GetValue(int id) const override { return c(id, __func__).value; }

  // ---- for tests: act as the user would ----
  // Types text into an edit (the text limit applies), as a user does.
  void Type(int id, std::string_view text);
  // Clicks a button or check box (the layout tells which): toggles a check
  // box, then notifies the handler.
  void Click(int id);
  // Moves the focus away from an edit: notifies the handler.
  void LeaveField(int id);
  // Selects a list entry as the user does and notifies the handler.
  void Choose(int id, int index);
  int invalidations() const { return invalidations_; }
  void MarkClosed() { open_ = false; }
  Dialog* parent() const { return parent_; }

 private:
  // The control of that id; an id the layout lacks ends the program.
  Control& c(int id, const char* call) const;
  void Build(const res::DialogDef& layout);
  std::weak_ptr<bool> alive_token() const { return alive_; }

  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

  int resource_;
  Dialog* parent_;
  WindowHandler* handler_ = nullptr;
  std::string caption_;
  bool open_ = true;
  int end_result_ = 0;
  int invalidations_ = 0;
  mutable std::map<int, Control> controls_;
};

// Every message box and file dialog is answered by the script
// (ScriptedAnswers: QueueAnswer, QueueFile, messages(), file_dialogs()).
class HeadlessPlatform final : public Platform, public ScriptedAnswers {
 public:

  HeadlessPlatform();
  ~HeadlessPlatform() override;

  std::unique_ptr<Dialog> CreateDialog(int resource_id, Dialog* parent) override;
  int RunModal(Dialog& dlg) override;
  int MessageBox(std::string_view text, std::string_view caption, unsigned flags) override;
  bool FileDialog(const FileDialogSpec& spec, std::string& path) override;
  void SetTimer(WindowHandler* handler, unsigned id, unsigned period_ms) override;
  void KillTimer(WindowHandler* handler, unsigned id) override;
  void KillTimers(WindowHandler* handler) override;
  void Post(std::function<void()> fn) override;
  void PostQuit(int code) override;
  void CheckEvents() override;
  void WaitEvents(int max_ms) override;
  int AddPoller(std::function<void()> fn) override;
  void RemovePoller(int handle) override;
  // No viewer can be launched: the line goes to stderr.
  bool ShowInsteadOfLaunching(std::string_view line) override;
  bool ProgressAsTextBar() const override { return true; }

  // ---- script and records (the answers: ScriptedAnswers) ----
  // What a modal dialog does while it "runs": the hook gets the dialog and
  // returns the id of the closing button. Default: IDCANCEL at once.
  void SetModalScript(std::function<int(Dialog&)> fn) { modal_script_ = std::move(fn); }
  // Every message box is also printed as "CAPTION: text" to this stream.
  void EchoMessagesTo(std::FILE* f) { echo_ = f; }
  // Rewords a message's text for the echo only (the record keeps the text
  // the program raised): the command line names its commands and options
  // where the window's texts name buttons and menus.
  void SetEchoWording(std::function<std::string(std::string_view text)> fn) { echo_wording_ = std::move(fn); }

  bool HasTimer(const WindowHandler* handler, unsigned id) const;
  unsigned TimerPeriod(const WindowHandler* handler, unsigned id) const;
  bool quit_posted() const { return quit_posted_; }
  long long pumps() const { return pumps_; }

 private:
  void FireDueTimers();

  std::function<int(Dialog&)> modal_script_;
  std::FILE* echo_ = nullptr;
  std::function<std::string(std::string_view)> echo_wording_;
  TimerTable timers_;
  PostedWork posted_;
  bool quit_posted_ = false;
  int quit_code_ = 0;
  Pollers pollers_;
  long long pumps_ = 0;
};

}  // namespace kv
