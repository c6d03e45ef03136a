// The platform layer: everything the program needs from a window system,
// a clock and an event queue, behind one small interface.
//
// Two faces implement it: the headless face (src/platform/headless), used by
// kestrivane-cli and every test, and the Qt face (src/platform/qt), used by
// the desktop program. The core of the program (model, data, network,
// forecasting, download) only ever talks to these classes.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

class Canvas;  // drawing surface, platform/canvas.h

// ---- message boxes ------------------------------------------------------------
// Flags and answers keep the numbering of the classic message-box API so that
// the program's calls read as they always have.
enum : unsigned {
  MB_OK = 0x0,
  MB_OKCANCEL = 0x1,
  MB_YESNOCANCEL = 0x3,
  MB_YESNO = 0x4,
  MB_BUTTONS_MASK = 0xF,
  MB_ICONSTOP = 0x10,
  MB_ICONQUESTION = 0x20,
  MB_ICONEXCLAMATION = 0x30,
  MB_ICONINFORMATION = 0x40,
  MB_ICON_MASK = 0xF0,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

// ---- file dialogs -------------------------------------------------------------
enum : unsigned {
  OFN_OVERWRITEPROMPT = 0x2,
  OFN_HIDEREADONLY = 0x4,
  OFN_FILEMUSTEXIST = 0x1000,
};

struct FileDialogSpec {
  bool save = false;          // save dialog (else open dialog)
  std::string filter;         // "Text (*.csv)|*.csv|All Files (*.*)|*.*|"
  std::string initial_name;   // initial file name, may be empty
  unsigned options = 0;       // OFN_ flags
};

// ---- notifications from controls to their dialog's handler --------------------
enum class Notify {
  Clicked,      // button or check box clicked
  KillFocus,    // edit lost the focus
  Change,       // edit text changed
  SelChange,    // list or combo selection changed
  Scroll,       // scroll bar moved
};

// Enable state and check mark of one menu command, filled by the command's
// enabler ("Ce..." member) whenever the menu is shown.
struct CommandEnabler {
  int id = 0;
  bool enabled = true;
  bool checked = false;
  void Enable(bool on) { enabled = on; }
  void SetCheck(bool on) { checked = on; }
};

// ---- clock --------------------------------------------------------------------
// The millisecond tick, the calendar time and today's date. Real by default;
// tests use the VirtualClock so that hours of training pass in moments.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint64_t TickMs() = 0;      // milliseconds since an arbitrary origin
  virtual std::time_t Now() = 0;      // calendar time, seconds
  virtual void OnPump() {}            // called once per Check_Events
  std::tm LocalNow();                 // Now() broken down in local time
  int TodayYmd();                     // today's date as YYYYMMDD
};

class RealClock final : public Clock {
 public:
  uint64_t TickMs() override;
  std::time_t Now() override;
};

// A clock that only moves when told: by Advance(), or by a fixed step at
// every pump of the event queue.
class VirtualClock final : public Clock {
 public:
  explicit VirtualClock(std::time_t start = 1733650000 /* a Sunday in Dec 2024 */)
      : start_(start) {}
  uint64_t TickMs() override { return tick_; }
  std::time_t Now() override { return start_ + static_cast<std::time_t>(tick_ / 1000); }
  void OnPump() override { tick_ += step_; }
  void Advance(uint64_t ms) { tick_ += ms; }
  void SetStepPerPump(uint64_t ms) { step_ = ms; }
  void SetNow(std::time_t t) { start_ = t - static_cast<std::time_t>(tick_ / 1000); }

 private:
  std::time_t start_;
  uint64_t tick_ = 0;
  uint64_t step_ = 0;
};

// ---- windows and their controls -------------------------------------------------
// Receives what happens in a window: timers, control notifications, close requests.
class WindowHandler {
 public:
  virtual ~WindowHandler() = default;
  virtual void EvTimer(unsigned id) {}
  virtual void OnControl(int id, Notify code) {}
  virtual void OnCommand(int id) {}        // menu command or accelerator
  virtual void OnCloseRequest() {}         // a posted close request reached the window
  // Draws the window's picture (charts) on the surface the face provides.
  virtual void EvPaint(Canvas& canvas) {}
};

// A programmer's error, in both faces: a dialog resource without a layout
// (resources/dialogs.h), or a control id its layout lacks. The program writes
// "kestrivane: dialog 600 has no control 9999 (SetText)" (or "kestrivane: no
// layout for dialog 77") to stderr and aborts, as a missing platform does, so
// a test that addresses a control nobody built dies loudly (a death test
// expects it).
[[noreturn]] void UnknownControl(int resource_id, int control_id, const char* call);
[[noreturn]] void UnknownDialog(int resource_id);

// A dialog window whose controls are addressed by their numeric ids. Both
// faces build the controls of the resource's layout and no others: an id
// the layout lacks is an error (UnknownControl).
class Dialog {
 public:
  virtual ~Dialog() = default;

  virtual void SetHandler(WindowHandler* h) = 0;
  virtual WindowHandler* Handler() const = 0;
  virtual int ResourceId() const = 0;

  // window
  virtual void SetCaption(std::string_view text) = 0;
  virtual std::string Caption() const = 0;
  virtual void Invalidate() = 0;                 // repaint request
  virtual void PostClose() = 0;                  // post a close request to this window
  virtual bool IsOpen() const = 0;               // created and not yet closed
  // Closes the window now, from its own handler (typically OnCloseRequest);
  // a modal run of it returns `result`.
  virtual void EndDialog(int result) = 0;

  // text, state
  virtual void SetText(int id, std::string_view text) = 0;
  // The control's text, cut to max_chars characters when max_chars >= 0
  // (the classic "read at most n characters" of the program's fields).
  virtual std::string GetText(int id, int max_chars = -1) const = 0;
  virtual void SetTextLimit(int id, int limit) = 0;
  virtual void Enable(int id, bool on) = 0;
  virtual bool IsEnabled(int id) const = 0;
  virtual void SetReadOnly(int id, bool on) = 0;
  virtual bool IsReadOnly(int id) const = 0;
  virtual void Show(int id, bool on) = 0;
  virtual bool IsVisible(int id) const = 0;
  virtual void Check(int id, bool on) = 0;
  virtual bool IsChecked(int id) const = 0;

  // list boxes and combo boxes
  virtual void ClearList(int id) = 0;
  // Appends (or inserts in order for a sorted list); returns the new index.
  virtual int AddItem(int id, std::string_view text, long data = 0) = 0;
  virtual int InsertItem(int id, int index, std::string_view text, long data = 0) = 0;
  virtual void DeleteItem(int id, int index) = 0;
  virtual int ItemCount(int id) const = 0;
  virtual std::string ItemText(int id, int index) const = 0;
  virtual long ItemData(int id, int index) const = 0;
  virtual int FindExact(int id, std::string_view text) const = 0;   // -1 when absent
  virtual void SetSorted(int id, bool sorted) = 0;
  virtual void SetMultiSelect(int id, bool multi) = 0;
  // single selection: index or -1
  virtual int GetSel(int id) const = 0;
  virtual void SetSel(int id, int index) = 0;
  // multiple selection
  virtual bool IsSelected(int id, int index) const = 0;
  virtual void SelectItem(int id, int index, bool on) = 0;
  virtual std::vector<int> SelectedItems(int id) const = 0;
  virtual int GetCaret(int id) const = 0;
  virtual void SetCaret(int id, int index) = 0;
  virtual int GetTopIndex(int id) const = 0;
  virtual void SetTopIndex(int id, int index) = 0;

  // scroll bars and progress bars
  virtual void SetScrollRange(int id, int min, int max) = 0;
  virtual void GetScrollRange(int id, int& min, int& max) const = 0;
  virtual void SetScrollPos(int id, int pos) = 0;
  virtual int GetScrollPos(int id) const = 0;
  virtual void SetRange(int id, int min, int max) = 0;   // progress bar
  virtual void SetValue(int id, int value) = 0;
  virtual int GetValue(int id) const = 0;
};

// ---- the platform ------------------------------------------------------------------
class Platform {
 public:
  virtual ~Platform() = default;

  // Creates the window of a dialog resource (ids.h), owned by the caller.
  virtual std::unique_ptr<Dialog> CreateDialog(int resource_id, Dialog* parent) = 0;
  // Runs a dialog modally; returns the id of the button that closed it.
  virtual int RunModal(Dialog& dlg) = 0;

  // Message box; returns IDOK, IDCANCEL, IDYES or IDNO.
  virtual int MessageBox(std::string_view text, std::string_view caption, unsigned flags) = 0;
  // File open/save dialog; false when cancelled, else path receives the choice.
  virtual bool FileDialog(const FileDialogSpec& spec, std::string& path) = 0;

  // Window timers: delivered to handler->EvTimer(id) every period_ms.
  virtual void SetTimer(WindowHandler* handler, unsigned id, unsigned period_ms) = 0;
  virtual void KillTimer(WindowHandler* handler, unsigned id) = 0;
  virtual void KillTimers(WindowHandler* handler) = 0;   // when a window goes away

  // Posted work and the quit request.
  virtual void Post(std::function<void()> fn) = 0;
  virtual void PostQuit(int code) = 0;
  // Drains posted work, fires due timers, polls registered sockets; never blocks.
  // A quit request met here ends the process (see SetQuitHandler).
  virtual void CheckEvents() = 0;
  // Waits up to max_ms for something to happen, then behaves as CheckEvents.
  virtual void WaitEvents(int max_ms) = 0;

  // Pollers are called at every CheckEvents (the HTTP client polls its socket).
  virtual int AddPoller(std::function<void()> fn) = 0;
  virtual void RemovePoller(int handle) = 0;

  // What a quit request does. Default: std::exit(code), as the classic pump
  // does; tests replace it to observe the request instead.
  void SetQuitHandler(std::function<void(int)> fn) { quit_handler_ = std::move(fn); }
  void Quit(int code);

  Clock& clock() { return *clock_; }
  void SetClock(Clock* c);   // not owned; nullptr restores the real clock

  // Message boxes that nobody may wait for (a batch running unattended): with
  // a diverter set, MessageBox hands the text to it instead of showing or
  // recording a box, and answers as a dismissed box would: IDOK for a plain
  // OK box, IDNO for Yes/No, IDCANCEL otherwise. nullptr shows boxes again.
  void DivertMessages(std::function<void(std::string_view text)> fn) { diverter_ = std::move(fn); }

  // Where no viewer or browser can be launched, the face shows the user
  // `line` (a path or address and what to do with it) and returns true; a
  // face that can launch one returns false and leaves the launching to the
  // caller.
  virtual bool ShowInsteadOfLaunching(std::string_view line) = 0;
  // True where the progress window is drawn as a text bar on stderr, as no
  // window shows it.
  virtual bool ProgressAsTextBar() const = 0;

 protected:
  Platform();
  // For the faces' MessageBox: true, with the answer, when the box was diverted.
  bool Diverted(std::string_view text, unsigned flags, int& answer);

 private:
  std::function<void(int)> quit_handler_;
  std::function<void(std::string_view)> diverter_;
  RealClock real_clock_;
  Clock* clock_;
};

// The process-wide platform, installed once at start (the program's own main,
// or a test fixture).
Platform& plat();
void SetPlatform(Platform* p);

}  // namespace kv
