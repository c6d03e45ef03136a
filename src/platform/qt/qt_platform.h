// The Qt 6 Widgets face of the platform layer: real dialogs, message boxes
// and file dialogs, window timers, posted work and the nested event pump.
//
// Timers run on the platform clock, so a test that installs a VirtualClock
// moves them as it moves the clock, exactly as in the headless face.
//
// Scripted mode (tests): message boxes and file dialogs are answered from a
// queue and recorded instead of being shown, so no modal widget ever waits
// for a person. Only scripted boxes and dialogs are recorded.
#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <deque>
#include <functional>
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

class QWidget;

namespace kv {

class QtDialog;

// "Text (*.csv)|*.csv|All Files (*.*)|*.*|" as a Qt name filter list:
// "Text (*.csv *.CSV);;All Files (*)". Patterns match either letter case, as
// the names of price files are written both ways.
QString QtFileFilter(const std::string& filter);

// In scripted mode the answers come from ScriptedAnswers (QueueAnswer,
// QueueFile, messages(), file_dialogs()), as in the headless face.
class QtPlatform final : public Platform, public ScriptedAnswers {
 public:
  QtPlatform();
  ~QtPlatform() override;

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
  // Viewers are launched; the progress window is a real window.
  bool ShowInsteadOfLaunching(std::string_view) override { return false; }
  bool ProgressAsTextBar() const override { return false; }

  // The window that owns message boxes and file dialogs (the main frame).
  void SetMainWindow(QWidget* w) { main_window_ = w; }
  QWidget* main_window() const { return main_window_; }

  // ---- scripted mode ----
  void SetScripted(bool on) { scripted_ = on; }
  bool scripted() const { return scripted_; }
  // Called with every modal dialog once its window shows (tests click its
  // buttons from here); the dialog still runs until it is ended.
  void SetModalHook(std::function<void(Dialog&)> fn) { modal_hook_ = std::move(fn); }

  bool HasTimer(const WindowHandler* handler, unsigned id) const;
  long long pumps() const { return pumps_; }

  // Internal: QtDialog tells the platform when it runs modally.
  void ModalStarted(QtDialog& dlg);

 private:
  void FireDueTimers();
  void Reschedule();
  void RunPosted();
  void MeetQuit();

  QObject context_;            // receiver of queued calls; dies with us
  QTimer scheduler_;           // wakes the event loop when a timer is due
  QTimer poll_timer_;          // runs the pollers while the event loop idles
  QWidget* main_window_ = nullptr;

  bool scripted_ = false;
  std::function<void(Dialog&)> modal_hook_;

  TimerTable timers_;
  uint64_t last_turn_ = 0;           // when a pump last ran the window system
  PostedWork posted_;
  bool drain_queued_ = false;
  bool quit_posted_ = false;
  int quit_code_ = 0;
  int pump_depth_ = 0;
  long long pumps_ = 0;
  Pollers pollers_;
};

}  // namespace kv
