// The frame window around the main dialog: title, icon, menu 100 with its
// enablers run whenever a menu opens, the accelerators, and closing through
// the dialog's CanClose.
#pragma once

#include <QIcon>
#include <QMainWindow>
#include <functional>
#include <map>

namespace kv {

class QtDialog;
class TMainDlg;

class MainFrame final : public QMainWindow {
 public:
  MainFrame(QtDialog& dlg, TMainDlg& main, const QString& title);
  ~MainFrame() override;

  // The menu item of a command id, nullptr when the menu has none.
  QAction* action(int id) const;
  // Runs the enablers of every item, as opening each menu does.
  void RunEnablers();
  // Sends a command as the menu or an accelerator does: after the current
  // event, once the menu has closed.
  void PostCommand(int id);

  // What happens once the user has agreed to close: the program's event
  // loop ends. Tests replace it to stay alive.
  std::function<void()> on_closed;
  bool closed() const { return closed_; }

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void BuildMenu();
  void RunEnablers(QMenu* menu);
  void BuildAccelerators();

  QtDialog& dlg_;
  TMainDlg& main_;
  std::map<int, QAction*> actions_;
  bool closing_ = false;    // CanClose is asking; a second close request waits
  bool closed_ = false;     // the user agreed: the window goes
};

// The program's icon (resource 1001), drawn rather than loaded so that the
// program needs no files beside it.
QIcon ProgramIcon();

}  // namespace kv
