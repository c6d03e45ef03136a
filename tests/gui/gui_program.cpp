#include "gui_program.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <unistd.h>

#include "model/globals.h"
#include "net/random.h"
#include "resources/ids.h"

namespace kv::gui {

GuiProgram::GuiProgram() {
  char buf[4096];
  if (::getcwd(buf, sizeof buf)) saved_cwd_ = buf;
  saved_program_dir_ = program_dir;
  program_dir = dir_.path().toStdString() + "/";
  QDir::setCurrent(dir_.path());
  SetPlatform(&platform);
  platform.SetClock(&clock);
  platform.SetScripted(true);
  platform.SetQuitHandler([](int) {});
  fix_random_seed(2024);
  calendar_count = 0;
}

GuiProgram::~GuiProgram() {
  app_.reset();
  // Windows closed above are deleted when the event loop comes round.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  unfix_random_seed();
  platform.SetClock(nullptr);
  SetPlatform(nullptr);
  program_dir = saved_program_dir_;
  startup_file.clear();
  if (!saved_cwd_.empty()) QDir::setCurrent(QString::fromStdString(saved_cwd_));
}

std::string GuiProgram::Path(const std::string& name) const {
  return dir_.filePath(QString::fromStdString(name)).toStdString();
}

std::string GuiProgram::SampleModel(const std::string& name, int steps) {
  for (const char* f : {"GE.csv", "KO.csv", "PG.csv"}) {
    QString to = dir_.filePath(f);
    if (!QFile::exists(to)) QFile::copy(QStringLiteral(KV_SAMPLES_DIR "/") + f, to);
  }
  auto run = [&](const QStringList& args) {
    QProcess p;
    p.setWorkingDirectory(dir_.path());
    p.start(QStringLiteral(KV_CLI_PATH), args);
    p.waitForFinished(60000);
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
      qWarning("kestrivane-cli %s failed: %s", qPrintable(args.join(' ')),
               p.readAllStandardError().constData());
  };
  const QString model = QString::fromStdString(name);
  run({"create", model, "--stock", "GE,GE.csv,10,ps", "--stock", "KO,KO.csv,5,p", "--stock",
       "PG,PG.csv,5,p", "--neurons", "4"});
  if (steps > 0) run({"train", model, "--steps", QString::number(steps), "--seed", "7"});
  return Path(name);
}

void GuiProgram::Start(const std::string& startup) {
  startup_file = startup;
  app_ = std::make_unique<DesktopApp>(platform);
  app_->Start();
  frame().on_closed = [this] { closed = true; };
  QApplication::setActiveWindow(&frame());
  QVERIFY2(QTest::qWaitForWindowExposed(&frame()), "the main window shows");
  // One second later the start-up work runs.
  clock.Advance(1000);
  QVERIFY(QTest::qWaitFor([&] { return !platform.HasTimer(&main(), ids::TIMER_STARTUP); }, 5000));
  Pump();
}

bool GuiProgram::Close() {
  frame().close();
  Pump();
  return frame().closed();
}

QWidget* GuiProgram::Control(int id) const { return app_->window().control(id); }

void GuiProgram::Pump(int rounds) {
  for (int i = 0; i < rounds; ++i) {
    QCoreApplication::processEvents();
    platform.CheckEvents();
    QTest::qWait(1);
  }
}

void GuiProgram::Click(int id) {
  auto* b = qobject_cast<QAbstractButton*>(Control(id));
  QVERIFY2(b, qPrintable(QStringLiteral("button %1").arg(id)));
  QTest::mouseClick(b, Qt::LeftButton);
  Pump();
}

void GuiProgram::Type(int id, const QString& text) {
  auto* e = qobject_cast<QLineEdit*>(Control(id));
  QVERIFY2(e, qPrintable(QStringLiteral("edit %1").arg(id)));
  e->setFocus(Qt::MouseFocusReason);
  e->selectAll();
  QTest::keyClick(e, Qt::Key_Delete);
  QTest::keyClicks(e, text);
  Pump();
}

void GuiProgram::LeaveField(int id) {
  QWidget* other = Control(ids::IDC_TICKER_LIST);
  if (other == Control(id)) other = Control(ids::IDC_FILENAME);
  other->setFocus(Qt::MouseFocusReason);
  Pump();
}

void GuiProgram::Choose(int id, int index) {
  QWidget* w = Control(id);
  if (auto* l = qobject_cast<QListWidget*>(w)) {
    QListWidgetItem* item = l->item(index);
    QVERIFY(item);
    l->scrollToItem(item);
    QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, l->visualItemRect(item).center());
  } else if (auto* c = qobject_cast<QComboBox*>(w)) {
    c->setCurrentIndex(index);
    emit c->activated(index);
  } else {
    QFAIL("not a list");
  }
  Pump();
}

void GuiProgram::Command(int id) {
  frame().PostCommand(id);
  Pump();
}

QString GuiProgram::SaveScreenshot(QWidget* w, const QString& name) {
  QDir().mkpath(QStringLiteral(KV_SCREENSHOT_DIR));
  const QString path = QStringLiteral(KV_SCREENSHOT_DIR "/") + name;
  w->grab().save(path);
  return path;
}

}  // namespace kv::gui
