#include "app/desktop/desktop_app.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

#include "model/globals.h"
#include "model/main_dlg.h"
#include "app/desktop/main_frame.h"
#include "platform/qt/qt_canvas.h"
#include "platform/qt/qt_dialog.h"
#include "platform/qt/qt_platform.h"
#include "resources/ids.h"
#include "util/text.h"

namespace kv {

QString DesktopApp::Title() {
  return QString::fromStdString(Format("Kestrivane %c v%5.3f", ' ', kVersion));
}

DesktopApp::DesktopApp(QtPlatform& platform) : platform_(platform) {}

DesktopApp::~DesktopApp() {
  lock_timer_.stop();
  if (main_) main_->training_on = false;
  // The model goes first: its destructor saves the preferences and lets go
  // of the window, which the frame then takes with it.
  main_.reset();
  window_.reset();
  platform_.SetMainWindow(nullptr);
  frame_.reset();
}

void DesktopApp::Start() {
  window_ = std::make_unique<QtDialog>(platform_, ids::DLG_MAIN, nullptr);
  main_ = std::make_unique<TMainDlg>(*window_);
  frame_ = std::make_unique<MainFrame>(*window_, *main_, Title());
  platform_.SetMainWindow(frame_.get());
  main_->EvInitDialog();
  frame_->show();
  QObject::connect(&lock_timer_, &QTimer::timeout, [this] { FollowModelLock(); });
  lock_timer_.start(250);
}

void DesktopApp::FollowModelLock() {
  if (!main_) return;
  TMainDlg& m = *main_;
  // A batch takes the lock of each model it trains itself.
  const bool changed = m.modified && !m.untitled && !m.model_path.empty() && !m.batch_running;
  if (!changed) {
    lock_.Release();
    warned_.clear();
    return;
  }
  if (lock_.held() && lock_.path() == m.model_path) return;
  if (lock_.Acquire(m.model_path, "kestrivane") || warned_ == m.model_path) return;
  warned_ = m.model_path;
  m.SetStatus("In use by another Kestrivane: " + m.model_path);
  platform_.MessageBox(lock_.message() +
                           ".\nSaving now would undo its work: save your changes under another "
                           "name (File > Save As) or wait until it has finished.",
                       "Kestrivane", MB_OK | MB_ICONEXCLAMATION);
}

void ApplyProgramStyle() {
  if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) QApplication::setStyle(fusion);
  QPalette pal = QApplication::style()->standardPalette();
  // The dialog colour the pictures are drawn on, so charts and windows match.
  const QColor face(kDialogFace.r, kDialogFace.g, kDialogFace.b);
  pal.setColor(QPalette::Window, face);
  pal.setColor(QPalette::Button, face);
  QApplication::setPalette(pal);
}

}  // namespace kv
