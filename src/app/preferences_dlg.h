// The Preferences dialog (Options > Preferences): the Internet and Invest
// settings of the options store on two tabs. OK writes them back and saves
// kv.dat; Cancel and Escape leave everything as it was.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

namespace kv {

class TOptionsDlg : public WindowHandler {
 public:
  // Creates the dialog's window (resource 3) over parent.
  explicit TOptionsDlg(Dialog* parent);
  ~TOptionsDlg() override;
  TOptionsDlg(const TOptionsDlg&) = delete;
  TOptionsDlg& operator=(const TOptionsDlg&) = delete;

  // Sets the window up and runs it modally; returns the id that closed it.
  int Execute();

  void SetupWindow();
  void TAB1_TCNSelchange();
  void CHECKPROXY_BNClicked();
  void OK_BNClicked();
  void Cancel();
  void ENChange_2COMM() {}

  void OnControl(int id, Notify code) override;
  void OnCloseRequest() override;

  Dialog& window() { return *dlg_; }

 private:
  std::unique_ptr<Dialog> dlg_;
  bool saved_ = false;
};

// A real number as the shortest decimal text that reads back as the same
// single-precision value: 0.02 as "0.02", 0.26 as "0.26", 25 as "25".
std::string ExactFloatText(float value);

}  // namespace kv
