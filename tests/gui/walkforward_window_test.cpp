// The walk-forward results window as real widgets, offscreen: opened from a
// hand-made result, painted, its table filled, exported, and saved as a
// screenshot.
#include <QFile>
#include <QFontInfo>
#include <QListWidget>
#include <QTest>

#include "../support/walkforward_doc.h"
#include "forecast/walkforward_window.h"
#include "gui_program.h"
#include "resources/ids.h"

using namespace kv;
using kv::gui::GuiProgram;

class WalkForwardWindowGuiTest : public QObject {
  Q_OBJECT

 private slots:
  void resultsWindowFromAResult();
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

static kv::gui::RegisterTests<WalkForwardWindowGuiTest> registered("WalkForwardWindowGuiTest");
#include "walkforward_window_test.moc"
