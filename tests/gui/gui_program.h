// The desktop program under test: its own temporary folder (also the
// program's folder, so kv.dat lands there), the Qt platform in scripted mode
// on a virtual clock, and the real windows, offscreen. Helpers act as a user:
// click, type, leave a field, choose a list entry.
#pragma once

#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/main_dlg.h"
#include "platform/platform.h"
#include "app/desktop/desktop_app.h"
#include "app/desktop/main_frame.h"
#include "platform/qt/paint_surface.h"
#include "platform/qt/qt_dialog.h"
#include "platform/qt/qt_platform.h"

class QWidget;

namespace kv::gui {

class GuiProgram {
 public:
  GuiProgram();
  ~GuiProgram();

  // Starts the program as "kestrivane FILE" does (FILE may be empty) and
  // lets the one-second start-up timer run.
  void Start(const std::string& startup_file = "");
  // Closes the main window as its close box does; true when it went.
  bool Close();

  // A model of GE with KO and PG as related stocks, built by kestrivane-cli
  // from the sample files copied here; trained for `steps` learning steps
  // with a fixed seed when steps > 0. Returns its path.
  std::string SampleModel(const std::string& name, int steps);
  std::string Path(const std::string& name) const;

  // ---- acting as the user ----
  QWidget* Control(int id) const;
  void Click(int id);                       // a button or check box
  void Type(int id, const QString& text);   // replaces an edit's text by typing
  void LeaveField(int id);                  // moves the focus to another control
  void Choose(int id, int index);           // a list-box entry or a drop-down item
  void Command(int id);                     // a menu command, as the menu sends it
  // Lets queued events, posted work and due timers run.
  void Pump(int rounds = 3);

  // Saves a picture of a window under the build folder's screenshots/.
  static QString SaveScreenshot(QWidget* w, const QString& name);

  TMainDlg& main() { return app_->main(); }
  QtDialog& window() { return app_->window(); }
  MainFrame& frame() { return app_->frame(); }
  DesktopApp& app() { return *app_; }
  QtPlatform platform;
  VirtualClock clock;
  bool closed = false;   // the frame agreed to close

 private:
  QTemporaryDir dir_;
  std::string saved_cwd_;
  std::string saved_program_dir_;
  std::unique_ptr<DesktopApp> app_;
};

// Test classes register themselves; gui_main.cpp runs them all.
struct TestClass {
  const char* name;
  std::function<std::unique_ptr<QObject>()> make;
};
std::vector<TestClass>& TestClasses();
template <class T>
struct RegisterTests {
  explicit RegisterTests(const char* name) {
    TestClasses().push_back({name, [] { return std::unique_ptr<QObject>(new T); }});
  }
};

}  // namespace kv::gui
