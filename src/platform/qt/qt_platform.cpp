#include "platform/qt/qt_platform.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <QWidget>
#include <algorithm>
#include <climits>
#include <time.h>

#include "platform/qt/qt_dialog.h"

namespace kv {

namespace {

// Real milliseconds, whatever the platform clock is: the window system's
// turns are about the screen, not the program's time. The coarse clock is
// cheap enough to read at every pump.
uint64_t SteadyMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

// How often a busy loop's pumps hand the window system a turn. Training
// pumps thousands of times a second; the screen needs far fewer.
constexpr uint64_t kWindowTurnMs = 15;

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> out;
  std::string cur;
  for (char ch : s) {
    if (ch == sep) {
      out.push_back(cur);
      cur.clear();
    } else {
      cur += ch;
    }
  }
  if (!cur.empty()) out.push_back(cur);
  return out;
}

}  // namespace

QString QtFileFilter(const std::string& filter) {
  const std::vector<std::string> parts = Split(filter, '|');
  QStringList out;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    QString name = QString::fromUtf8(parts[i].c_str()).trimmed();
    // Qt reads the patterns from the name's last parentheses: put ours there.
    if (name.endsWith(QLatin1Char(')'))) {
      int open = name.lastIndexOf(QLatin1Char('('));
      if (open > 0) name = name.left(open).trimmed();
    }
    QStringList patterns;
    for (const std::string& p : Split(parts[i + 1], ';')) {
      QString pat = QString::fromUtf8(p.c_str()).trimmed();
      if (pat.isEmpty()) continue;
      if (pat == QLatin1String("*.*") || pat == QLatin1String("*")) {
        patterns << QStringLiteral("*");
        continue;
      }
      for (const QString& v : {pat, pat.toLower(), pat.toUpper()})
        if (!patterns.contains(v)) patterns << v;
    }
    if (patterns.isEmpty()) patterns << QStringLiteral("*");
    out << QStringLiteral("%1 (%2)").arg(name, patterns.join(QLatin1Char(' ')));
  }
  return out.join(QStringLiteral(";;"));
}

QtPlatform::QtPlatform() {
  scheduler_.setSingleShot(true);
  QObject::connect(&scheduler_, &QTimer::timeout, &context_, [this] {
    FireDueTimers();
    Reschedule();
  });
  poll_timer_.setInterval(5);
  QObject::connect(&poll_timer_, &QTimer::timeout, &context_, [this] { pollers_.RunAll(); });
}

QtPlatform::~QtPlatform() {
  scheduler_.stop();
  poll_timer_.stop();
}

// ---- dialogs ----------------------------------------------------------------------

std::unique_ptr<Dialog> QtPlatform::CreateDialog(int resource_id, Dialog* parent) {
  return std::make_unique<QtDialog>(*this, resource_id, dynamic_cast<QtDialog*>(parent));
}

int QtPlatform::RunModal(Dialog& dlg) {
  auto* q = dynamic_cast<QtDialog*>(&dlg);
  return q ? q->RunModal() : IDCANCEL;
}

void QtPlatform::ModalStarted(QtDialog& dlg) {
  if (modal_hook_) modal_hook_(dlg);
}

int QtPlatform::MessageBox(std::string_view text, std::string_view caption, unsigned flags) {
  int answer;
  if (Diverted(text, flags, answer)) return answer;
  if (scripted_) return AnswerMessage(text, caption, flags);
  const unsigned buttons = flags & MB_BUTTONS_MASK;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  switch (flags & MB_ICON_MASK) {
    case MB_ICONSTOP: icon = QMessageBox::Critical; break;
    case MB_ICONQUESTION: icon = QMessageBox::Question; break;
    case MB_ICONEXCLAMATION: icon = QMessageBox::Warning; break;
    case MB_ICONINFORMATION: icon = QMessageBox::Information; break;
  }
  QMessageBox::StandardButtons qb = QMessageBox::Ok;
  if (buttons == MB_OKCANCEL) qb = QMessageBox::Ok | QMessageBox::Cancel;
  else if (buttons == MB_YESNOCANCEL) qb = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  else if (buttons == MB_YESNO) qb = QMessageBox::Yes | QMessageBox::No;
  QWidget* owner = QApplication::activeModalWidget();
  if (!owner) owner = main_window_;
  QMessageBox box(icon, QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())),
                  QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), qb, owner);
  box.setTextFormat(Qt::PlainText);
  switch (box.exec()) {
    case QMessageBox::Cancel: return IDCANCEL;
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    case QMessageBox::Ok: return IDOK;
    default:
      // The close box of a box without Cancel: the first button's answer.
      return buttons == MB_YESNO ? IDNO : (buttons == MB_OK ? IDOK : IDCANCEL);
  }
}

bool QtPlatform::FileDialog(const FileDialogSpec& spec, std::string& path) {
  if (scripted_) return AnswerFileDialog(spec, path);
  QWidget* owner = QApplication::activeModalWidget();
  if (!owner) owner = main_window_;
  QFileDialog dlg(owner, spec.save ? QStringLiteral("Save As") : QStringLiteral("Open"),
                  QDir::currentPath(), QtFileFilter(spec.filter));
  dlg.setAcceptMode(spec.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  if (!spec.save)
    dlg.setFileMode((spec.options & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
  if (spec.save && !(spec.options & OFN_OVERWRITEPROMPT))
    dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
  if (!spec.initial_name.empty()) dlg.selectFile(QString::fromUtf8(spec.initial_name.c_str()));
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
  path = dlg.selectedFiles().first().toUtf8().toStdString();
  return true;
}

// ---- timers -----------------------------------------------------------------------

void QtPlatform::SetTimer(WindowHandler* handler, unsigned id, unsigned period_ms) {
  timers_.Set(handler, id, period_ms, clock().TickMs());
  Reschedule();
}

void QtPlatform::KillTimer(WindowHandler* handler, unsigned id) {
  timers_.Kill(handler, id);
  Reschedule();
}

void QtPlatform::KillTimers(WindowHandler* handler) {
  timers_.KillAll(handler);
  Reschedule();
}

bool QtPlatform::HasTimer(const WindowHandler* handler, unsigned id) const {
  return timers_.Has(handler, id);
}

void QtPlatform::Reschedule() {
  const uint64_t next = timers_.NextDue();
  if (timers_.empty()) {
    scheduler_.stop();
    return;
  }
  const uint64_t now = clock().TickMs();
  int wait;
  if (dynamic_cast<RealClock*>(&clock())) {
    wait = next <= now ? 0 : static_cast<int>(std::min<uint64_t>(next - now, INT_MAX));
  } else {
    // A clock of the program's own only moves when told; look again soon.
    wait = next <= now ? 0 : 10;
  }
  scheduler_.start(wait);
}

void QtPlatform::FireDueTimers() {
  if (timers_.empty()) return;
  const uint64_t now = clock().TickMs();
  if (now < timers_.NextDue()) return;   // the common case of a busy pump: one clock read
  timers_.FireDue(now);
  Reschedule();
}

// ---- posted work, quit, the pump --------------------------------------------------

void QtPlatform::Post(std::function<void()> fn) {
  posted_.Post(std::move(fn));
  if (!drain_queued_) {
    drain_queued_ = true;
    QMetaObject::invokeMethod(&context_, [this] { RunPosted(); }, Qt::QueuedConnection);
  }
}

void QtPlatform::RunPosted() {
  drain_queued_ = false;
  posted_.RunPending();
  if (!posted_.empty() && !drain_queued_) {
    drain_queued_ = true;
    QMetaObject::invokeMethod(&context_, [this] { RunPosted(); }, Qt::QueuedConnection);
  }
}

void QtPlatform::PostQuit(int code) {
  quit_posted_ = true;
  quit_code_ = code;
  QMetaObject::invokeMethod(&context_, [this] { MeetQuit(); }, Qt::QueuedConnection);
}

void QtPlatform::MeetQuit() {
  // Inside a pump the pump itself ends the process; the main event loop
  // simply returns and the program closes normally.
  if (!quit_posted_ || pump_depth_ > 0) return;
  quit_posted_ = false;
  QCoreApplication::exit(quit_code_);
}

void QtPlatform::CheckEvents() {
  ++pumps_;
  ++pump_depth_;
  clock().OnPump();
  const uint64_t now = SteadyMs();
  if (now - last_turn_ >= kWindowTurnMs || quit_posted_) {
    last_turn_ = now;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }
  if (!posted_.empty()) RunPosted();
  --pump_depth_;
  if (quit_posted_) {
    quit_posted_ = false;
    Quit(quit_code_);
    return;
  }
  pollers_.RunAll();
  FireDueTimers();
}

void QtPlatform::WaitEvents(int max_ms) {
  if (auto* v = dynamic_cast<VirtualClock*>(&clock())) {
    v->Advance(static_cast<uint64_t>(std::max(0, max_ms)));
  } else if (posted_.empty() && !quit_posted_ && max_ms > 0) {
    uint64_t wait = timers_.WaitFrom(clock().TickMs(), static_cast<uint64_t>(max_ms));
    if (!pollers_.empty()) wait = std::min<uint64_t>(wait, 5);
    if (wait > 0) {
      // Sleep in the window system until something arrives or the time is up.
      QTimer wake;
      wake.setSingleShot(true);
      wake.start(static_cast<int>(wait));
      QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance();
      if (d) d->processEvents(QEventLoop::WaitForMoreEvents);
    }
  }
  CheckEvents();
}

int QtPlatform::AddPoller(std::function<void()> fn) {
  const int h = pollers_.Add(std::move(fn));
  if (!poll_timer_.isActive()) poll_timer_.start();
  return h;
}

void QtPlatform::RemovePoller(int handle) {
  pollers_.Remove(handle);
  if (pollers_.empty()) poll_timer_.stop();
}

}  // namespace kv
