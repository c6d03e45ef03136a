// The desktop program put together: the main dialog's window, the model
// (TMainDlg) that drives it, and the frame window around them. main() and
// the GUI tests build the program the same way.
#pragma once

#include <QString>
#include <QTimer>
#include <memory>
#include <string>

#include "util/model_lock.h"

namespace kv {

class MainFrame;
class QtDialog;
class QtPlatform;
class TMainDlg;

class DesktopApp {
 public:
  // The platform must be installed (SetPlatform) and outlive the program.
  explicit DesktopApp(QtPlatform& platform);
  ~DesktopApp();   // deletes the model, which saves kv.dat
  DesktopApp(const DesktopApp&) = delete;
  DesktopApp& operator=(const DesktopApp&) = delete;

  // Creates the main dialog and its frame, initialises the dialog (which
  // starts the one-second start-up timer) and shows the window.
  void Start();

  TMainDlg& main() { return *main_; }
  QtDialog& window() { return *window_; }
  MainFrame& frame() { return *frame_; }

  // "Kestrivane   v2.400": the program's name and version, the frame's title.
  static QString Title();

  // Holds the model's lock while the open model has unsaved changes, so a
  // command-line run cannot save over them meanwhile; tells the user once
  // when another program holds it. Runs on a timer; tests call it directly.
  void FollowModelLock();
  const ModelLock& model_lock() const { return lock_; }

 private:
  ModelLock lock_;
  std::string warned_;   // the model whose busy lock the user was told about
  QTimer lock_timer_;
  QtPlatform& platform_;
  std::unique_ptr<QtDialog> window_;
  std::unique_ptr<TMainDlg> main_;
  std::unique_ptr<MainFrame> frame_;
};

// Sets the look every window of the program shares: the Fusion style with
// the light palette, whatever the desktop's theme.
void ApplyProgramStyle();

}  // namespace kv
