// The statistics window: how well the network's outputs agree with what
// happened, over the training and the verify periods. Left panel "Predicted
// vs Actual" (a scatter with density squares, or a 3D surface of the day
// counts), right panel "Error Distribution" (histograms of the output errors).
// At most one exists; theStatWindow points to it.
//
// A data set without days (a verify period of ten days or less, or a training
// window shorter than the verify period) draws the axes and nothing else. An
// error of exactly +1 (output 1, target 0) is counted in the last error bin.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace kv {

class TMainDlg;

class TKestriStat final : public WindowHandler {
 public:
  // Creates the window (resource 201) as a child of the main dialog's window.
  explicit TKestriStat(TMainDlg& main);
  ~TKestriStat() override;
  TKestriStat(const TKestriStat&) = delete;
  TKestriStat& operator=(const TKestriStat&) = delete;

  // Check-box states at every opening: Training Data on, Verification Data
  // off, 3D off.
  void EvInitDialog();
  // Re-evaluates the network over both periods and draws both panels.
  void EvPaint(Canvas& canvas) override;
  void OnControl(int id, Notify code) override;
  void OnCloseRequest() override;   // the window's close box
  void EvHelp();
  void Refresh();                   // repaint the whole window

  void d3d_BNClicked();
  void HINT_BNClicked();
  void TC_BNClicked();
  void VC_BNClicked();

  Dialog& dlg() { return *window_; }
  TMainDlg* main;
  bool flag3d = false;

 private:
  std::unique_ptr<Dialog> window_;
};

// The open statistics window, or nullptr.
extern TKestriStat* theStatWindow;

// Repaints the statistics window when it is open (training progress, rereading
// the stocks, the main chart).
void RefreshStatWindow();
// Closes the statistics window when it is open (the batch runner, the end of
// the main dialog).
void CloseStatWindow();

}  // namespace kv
