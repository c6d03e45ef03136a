// The projections window: the last month of the target stock as a fan of
// glowing bands, one per trading day, each covering the price range that the
// day's rise and fall outputs imply for the next ten days, with the actual
// price running through them. Every command opens a new window;
// theProjection points to the newest.
//
// The price range comes from the last 40 days, or from all days of a shorter
// history. Where the day columns are narrower than a day number, only every
// few columns are numbered (always day 0, the last trading day).
#pragma once

#include <memory>

#include "platform/platform.h"

namespace kv {

class TMainDlg;

class TProjection final : public WindowHandler {
 public:
  // Creates the window (resource 6) as a child of the main dialog's window.
  explicit TProjection(TMainDlg& main);
  ~TProjection() override;
  TProjection(const TProjection&) = delete;
  TProjection& operator=(const TProjection&) = delete;

  // Draws into the frame (control 101); the surface's origin is the frame's
  // top-left corner (see Canvas::ClientRect).
  void EvPaint(Canvas& canvas) override;
  void OnCloseRequest() override;

  Dialog& dlg() { return *window_; }
  TMainDlg* main;

 private:
  std::unique_ptr<Dialog> window_;
};

// The most recently opened projections window, or nullptr once it is closed.
extern TProjection* theProjection;

// Closes every projections window (the end of the main dialog).
void CloseProjectionWindows();

}  // namespace kv
