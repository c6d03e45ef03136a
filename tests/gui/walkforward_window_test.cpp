// The walk-forward results window as real widgets, offscreen: opened from a
// hand-made result, painted, its table filled, exported, and saved as a
// screenshot.
#include <QFile>
#include <QFontInfo>
#include <QListWidget>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <thread>

#include "../support/walkforward_doc.h"
#include "forecast/walkforward_command.h"
#include "forecast/walkforward_window.h"
#include "gui_program.h"
#include "resources/ids.h"

using namespace kv;
using kv::gui::GuiProgram;

class WalkForwardWindowGuiTest : public QObject {
  Q_OBJECT

 private slots:
  void resultsWindowFromAResult();
  void settingsDialogRefusesThenAccepts();
  void cancelInTheProgressWindowEndsTheRun();
};

void WalkForwardWindowGuiTest::resultsWindowFromAResult() {
  GuiProgram p;
  p.Start();
  std::string err;
  TWalkForwardWindow* w = OpenWalkForwardWindow(&p.window(), kv::test::WalkForwardDocument(), &err);
  QVERIFY2(w, err.c_str());
  auto& q = static_cast<QtDialog&>(w->dlg());
  QTRY_VERIFY(q.widget()->isVisible());   // shown once the event loop comes round
  QVERIFY(QTest::qWaitForWindowExposed(q.widget()));
  QTRY_VERIFY(q.surface()->paint_count() > 0);
  auto* table = qobject_cast<QListWidget*>(q.control(ids::IDC_WF_FOLD_TABLE));
  QVERIFY(table);
  QCOMPARE(table->count(), 4);
  QVERIFY(QFontInfo(table->font()).fixedPitch());
  auto* stats = qobject_cast<QListWidget*>(q.control(ids::IDC_WF_STATS));
  QVERIFY(stats);
  QVERIFY(stats->item(0)->text().contains(QStringLiteral("out-of-sample")));
  GuiProgram::SaveScreenshot(q.widget(), QStringLiteral("walkforward_window.png"));

  // Export through the scripted file dialog.
  const std::string out = p.Path("exported.json");
  p.platform.QueueFile(out);
  QTest::mouseClick(q.control(ids::IDC_WF_EXPORT), Qt::LeftButton);
  QFile f(QString::fromStdString(out));
  QVERIFY(f.open(QIODevice::ReadOnly));
  JsonValue back;
  QVERIFY(ParseJson(f.readAll().toStdString(), &back, &err));
  QVERIFY(back == kv::test::WalkForwardDocument());
}

void WalkForwardWindowGuiTest::settingsDialogRefusesThenAccepts() {
  GuiProgram p;
  p.Start();
  int shown = 0;
  p.platform.SetModalHook([&](Dialog& d) {
    auto& q = static_cast<QtDialog&>(d);
    if (shown++ == 0) GuiProgram::SaveScreenshot(q.widget(), QStringLiteral("walkforward_settings.png"));
    QCOMPARE(d.GetText(ids::IDC_WF_FOLDS), std::string("5"));
    QCOMPARE(d.GetText(ids::IDC_WF_STEPS), std::string("100000"));
    d.SetText(ids::IDC_WF_FOLDS, "0");
    q.NotifyControl(ids::IDC_WF_OK, Notify::Clicked);   // refused: the dialog stays
    QVERIFY(d.IsOpen());
    d.SetText(ids::IDC_WF_FOLDS, "4");
    d.SetText(ids::IDC_WF_STEPS, "500");
    q.NotifyControl(ids::IDC_WF_OK, Notify::Clicked);
  });
  WalkForwardChoice choice;
  QVERIFY(AskWalkForwardChoice(&p.window(), &choice));
  QCOMPARE(choice.folds, 4);
  QCOMPARE(choice.steps_per_fold, 500LL);
  QCOMPARE(p.platform.messages().size(), size_t(1));
  QCOMPARE(p.platform.messages()[0].text, std::string("Folds: give a whole number from 1 to 50."));
}

void WalkForwardWindowGuiTest::cancelInTheProgressWindowEndsTheRun() {
  GuiProgram p;
  p.Start();
  // Clicks Cancel in the progress window once it shows the second fold.
  QString seen;
  QTimer user;
  QObject::connect(&user, &QTimer::timeout, [&] {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      auto* text = top->findChild<QLabel*>(QStringLiteral("ctl%1").arg(ids::IDC_WF_PROGRESS_TEXT));
      auto* cancel = top->findChild<QPushButton*>(QStringLiteral("ctl%1").arg(ids::IDC_WF_CANCEL));
      if (!top->isVisible() || !text || !cancel || text->text() != QStringLiteral("Fold 2 of 3")) continue;
      seen = text->text();
      GuiProgram::SaveScreenshot(top, QStringLiteral("walkforward_progress.png"));
      QTest::mouseClick(cancel, Qt::LeftButton);
      user.stop();
    }
  });
  user.start(20);
  WalkForwardChoice choice;
  choice.folds = 3;
  TWalkForwardWindow* w = RunWalkForward(
      &p.window(), choice, [](const WalkForwardChoice&, WalkForwardTicker& t, JsonValue* doc, std::string*) {
        t.FoldDone();
        // Waits for Cancel, at most a minute.
        for (int i = 0; i < 6000 && !t.cancelled(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        *doc = kv::test::WalkForwardDocument();
        return true;
      });
  QCOMPARE(seen, QStringLiteral("Fold 2 of 3"));
  QVERIFY(!w);   // a cancelled run shows no result and no message
  QVERIFY(p.platform.messages().empty());
}

static kv::gui::RegisterTests<WalkForwardWindowGuiTest> registered("WalkForwardWindowGuiTest");
#include "walkforward_window_test.moc"
