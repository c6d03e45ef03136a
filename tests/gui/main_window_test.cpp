// The main window driven as a user drives it: start-up with a model named on
// the command line, the stock list's buttons, training, the menu's states,
// Preferences, Help, and closing with the save prompt.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <algorithm>
#include <functional>
#include <unistd.h>
#include <vector>

#include "app/launch.h"
#include "app/options.h"
#include "forecast/projection_window.h"
#include "forecast/stats_window.h"
#include "gui_program.h"
#include "model/globals.h"
#include "resources/ids.h"
#include "util/model_lock.h"

using namespace kv;
using kv::gui::GuiProgram;

namespace {

QString Text(GuiProgram& p, int id) { return QString::fromStdString(p.window().GetText(id)); }

std::string ReadAll(const std::string& path) {
  QFile f(QString::fromStdString(path));
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll().toStdString();
}

// Runs a function once the platform clock reaches a time, from inside
// whatever loop is pumping events then (a training run, for one).
class ClockAlarm final : public WindowHandler {
 public:
  ClockAlarm(unsigned after_ms, std::function<void()> fn) : fn_(std::move(fn)) {
    plat().SetTimer(this, 1, after_ms);
  }
  ~ClockAlarm() override { plat().KillTimers(this); }
  void EvTimer(unsigned id) override {
    plat().KillTimer(this, id);
    fn_();
  }

 private:
  std::function<void()> fn_;
};

struct MenuState {
  bool enabled, checked;
};
MenuState Menu(GuiProgram& p, int id) {
  p.frame().RunEnablers();
  QAction* a = p.frame().action(id);
  if (!a) return {false, false};
  return {a->isEnabled(), a->isChecked()};
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void startsWithTheModelNamedOnTheCommandLine();
  void ignoresAStartupFileThatIsNeitherModelNorBatch();
  void enterRereadsTheStocks();
  void stockListAddModifyDelete();
  void trainStopPredict();
  void menuFollowsTheModel();
  void preferencesOkKeepsEveryValue();
  void preferencesCancelStoresNothing();
  void closingAsksToSave_data();
  void closingAsksToSave();
  void helpAndAbout();
  void chartWindows();
  void closingDuringABatchSavesThenEnds();
  void changedModelHoldsItsLock();
};

void MainWindowTest::startsWithTheModelNamedOnTheCommandLine() {
  GuiProgram p;
  const std::string model = p.SampleModel("sample.kvn", 20000);
  p.Start(model);

  QCOMPARE(p.frame().windowTitle(), QStringLiteral("Kestrivane   v2.400"));
  QCOMPARE(p.main().n_files, 3);
  QCOMPARE(p.main().patterns.n_days, 1000);
  auto* list = qobject_cast<QListWidget*>(p.Control(ids::IDC_TICKER_LIST));
  QVERIFY(list);
  QStringList symbols;
  for (int i = 0; i < list->count(); ++i) symbols << list->item(i)->text();
  QCOMPARE(symbols, QStringList({"GE", "KO", "PG"}));
  QCOMPARE(Text(p, ids::IDC_MODEL_PATH), QString::fromStdString(model));
  QCOMPARE(Text(p, ids::IDC_NEURONS), QStringLiteral("4"));
  // The first trading day of every month is in the drop-down lists.
  QVERIFY(p.window().ItemCount(ids::IDC_TRAIN_START) > 40);   // one a month
  QVERIFY(p.window().GetSel(ids::IDC_TRAIN_END) >= 0);
  // The chart has been drawn, and with it the figures.
  QTRY_VERIFY(p.window().surface()->paint_count() > 0);
  QCOMPARE(Text(p, ids::IDC_INITIAL).trimmed(), QStringLiteral("1000"));
  QVERIFY(!Text(p, ids::IDC_TRADES).trimmed().isEmpty());
  QVERIFY(p.platform.messages().empty());
  p.Pump();
  GuiProgram::SaveScreenshot(&p.frame(), QStringLiteral("main_window.png"));
}

void MainWindowTest::ignoresAStartupFileThatIsNeitherModelNorBatch() {
  GuiProgram p;
  QFile f(QString::fromStdString(p.Path("notes.txt")));
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write("Kettle and toast\n");
  f.close();
  p.Start(p.Path("notes.txt"));
  QCOMPARE(p.main().n_files, 0);
  QVERIFY(p.main().untitled);
  QVERIFY(p.platform.messages().empty());
}

void MainWindowTest::enterRereadsTheStocks() {
  GuiProgram p;
  p.Start(p.SampleModel("reread.kvn", 0));
  const int last_day = calendar[p.main().patterns.n_days - 1];
  QCOMPARE(last_day, 20010102);

  // The price file loses its last week; Enter reads the files again.
  QFile ge(QString::fromStdString(p.Path("GE.csv")));
  QVERIFY(ge.open(QIODevice::ReadOnly));
  QList<QByteArray> lines = ge.readAll().split('\n');
  ge.close();
  while (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
  lines = lines.mid(0, lines.size() - 5);
  QVERIFY(ge.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ge.write(lines.join('\n') + '\n');
  ge.close();

  // Editing keys stay with the fields (Del is also the Edit menu's key).
  auto* symbol = qobject_cast<QLineEdit*>(p.Control(ids::IDC_SYMBOL));
  symbol->setFocus(Qt::MouseFocusReason);
  QTest::keyClick(symbol, Qt::Key_Home);
  QTest::keyClick(symbol, Qt::Key_Delete);
  QCOMPARE(symbol->text(), QStringLiteral("E"));

  QTest::keyClick(symbol, Qt::Key_Return);
  p.Pump();
  QVERIFY2(calendar[p.main().patterns.n_days - 1] < last_day, "the shortened file was read");
}

void MainWindowTest::stockListAddModifyDelete() {
  GuiProgram p;
  p.SampleModel("unused.kvn", 0);   // copies the sample price files here
  p.Start();
  const std::string ge = p.Path("GE.csv"), ko = p.Path("KO.csv");

  // The symbol is kept in capitals once the field is left.
  p.Type(ids::IDC_SYMBOL, "ge");
  p.LeaveField(ids::IDC_SYMBOL);
  QCOMPARE(Text(p, ids::IDC_SYMBOL), QStringLiteral("GE"));

  p.platform.QueueFile(ge);
  p.Click(ids::IDC_BROWSE);
  QCOMPARE(Text(p, ids::IDC_FILENAME), QString::fromStdString(ge));
  QCOMPARE(p.platform.file_dialogs().back().spec.filter,
           std::string("Text (*.csv)|*.csv|Text (*.txt)|*.txt|All Files (*.*)|*.*|"));
  p.Type(ids::IDC_INFL_PERIOD, "10");

  // No series chosen: refused with 452.
  p.Click(ids::IDC_ADD);
  QCOMPARE(p.main().n_files, 0);
  QCOMPARE(p.platform.messages().size(), size_t(1));
  QCOMPARE(p.platform.messages().back().text,
           std::string("Please Select One or More of the Following Checkboxes:\nPrice, Long, "
                       "Short, Volume\n-ERROR 452"));
  QCOMPARE(p.platform.messages().back().caption, std::string("Kestrivane"));
  QCOMPARE(p.platform.messages().back().flags, unsigned(MB_OK | MB_ICONEXCLAMATION));

  p.Click(ids::IDC_PRICE);
  QVERIFY(p.window().IsChecked(ids::IDC_PRICE));
  p.Click(ids::IDC_ADD);
  QCOMPARE(p.main().n_files, 1);
  QCOMPARE(p.window().ItemCount(ids::IDC_TICKER_LIST), 1);
  QCOMPARE(p.main().patterns.n_days, 1000);
  QVERIFY(p.main().modified);

  // A six-letter symbol is refused with 450.
  p.Type(ids::IDC_SYMBOL, "TOOLNG");
  p.Click(ids::IDC_ADD);
  QCOMPARE(p.main().n_files, 1);
  QCOMPARE(p.platform.messages().back().text,
           std::string("Invalid Stock Ticker Symbol\nPlease enter a valid stock symbol in the "
                       "text field\n(left of the ADD button)  \n-ERROR 450"));

  p.Type(ids::IDC_SYMBOL, "KO");
  p.platform.QueueFile(ko);
  p.Click(ids::IDC_BROWSE);
  p.Click(ids::IDC_ADD);
  QCOMPARE(p.main().n_files, 2);
  QCOMPARE(p.window().ItemText(ids::IDC_TICKER_LIST, 1), std::string("KO"));

  // MOD: choose KO, give it an influence period of 50 (kept as 20).
  p.Choose(ids::IDC_TICKER_LIST, 1);
  QCOMPARE(Text(p, ids::IDC_SYMBOL), QStringLiteral("KO"));
  QCOMPARE(Text(p, ids::IDC_FILENAME), QString::fromStdString(ko));
  p.Type(ids::IDC_INFL_PERIOD, "50");
  p.LeaveField(ids::IDC_INFL_PERIOD);
  QCOMPARE(Text(p, ids::IDC_INFL_PERIOD), QStringLiteral("20"));
  p.Click(ids::IDC_MOD);
  QCOMPARE(p.main().stocks[1]->infl_periods, 20);

  // DEL of the target stock: KO becomes the target.
  p.Choose(ids::IDC_TICKER_LIST, 0);
  p.Click(ids::IDC_DEL);
  QCOMPARE(p.main().n_files, 1);
  QCOMPARE(p.main().stocks[0]->symbol, std::string("KO"));
  QCOMPARE(p.window().ItemText(ids::IDC_TICKER_LIST, 0), std::string("KO"));
}

void MainWindowTest::trainStopPredict() {
  GuiProgram p;
  const std::string model = p.SampleModel("train.kvn", 0);
  p.Start(model);
  QCOMPARE(p.main().Trained, 0);
  QVERIFY(p.window().IsEnabled(ids::IDC_TRAIN));
  QVERIFY(!p.window().IsEnabled(ids::IDC_STOP));

  // Seven neurons typed, then TRAIN: the field is taken before the run starts.
  p.Type(ids::IDC_NEURONS, "7");

  // Every pump of the training loop moves the clock 50 ms: two and a half
  // minutes later STOP is pressed, from inside the running loop.
  p.clock.SetStepPerPump(50);
  bool busy_seen = false;
  int neurons = 0;
  MenuState save_while_training{true, false};
  ClockAlarm stop(150000, [&] {
    busy_seen = p.main().training_on && p.window().IsEnabled(ids::IDC_STOP) &&
                !p.window().IsEnabled(ids::IDC_TRAIN);
    neurons = p.main().net.x_matrix;
    p.main().modified = true;
    save_while_training = Menu(p, ids::CM_FILESAVE);
    QTest::mouseClick(p.Control(ids::IDC_STOP), Qt::LeftButton);
  });
  p.Click(ids::IDC_TRAIN);   // returns when the run has stopped
  p.clock.SetStepPerPump(0);

  QVERIFY(busy_seen);
  QVERIFY2(neurons >= 7, qPrintable(QString::number(neurons)));
  QVERIFY2(!save_while_training.enabled, "Save is grey while training runs");
  QVERIFY(!p.main().training_on);
  QVERIFY(p.main().Trained > 0);
  QCOMPARE(p.main().TimeTrained, 2);   // the minute timer fired at 1:00 and 2:00
  QCOMPARE(Text(p, ids::IDC_TIME_TRAINED).trimmed(), QStringLiteral("0:02"));
  QVERIFY(p.window().IsEnabled(ids::IDC_TRAIN));
  QVERIFY(!p.window().IsEnabled(ids::IDC_STOP));
  QVERIFY(Menu(p, ids::CM_FILESAVE).enabled);

  p.platform.ClearRecords();
  p.Click(ids::IDC_PREDICT);
  QCOMPARE(p.platform.messages().size(), size_t(1));
  const auto& m = p.platform.messages().back();
  QCOMPARE(m.caption, std::string("Kestrivane"));
  QVERIFY2(m.text.find("Profit take at") != std::string::npos, m.text.c_str());
  QVERIFY(m.text.find("BUY") != std::string::npos || m.text.find("SELL") != std::string::npos ||
          m.text.find("HOLD") != std::string::npos);
}

void MainWindowTest::menuFollowsTheModel() {
  GuiProgram p;
  p.Start(p.SampleModel("menu.kvn", 0));

  struct Expect {
    int id;
    bool enabled, checked;
  };
  const Expect after_open[] = {
      {ids::CM_FILESAVE, false, false},        // nothing changed yet
      {ids::CM_FILESAVEAS, true, false},
      {ids::CM_OPT_GENETIC, false, false},     // never available
      {ids::CM_OPT_BACKPROP, true, true},
      {ids::CM_OPT_ANNEALING, true, true},
      {ids::CM_OPT_AUTOSAVE, true, false},
      {ids::CM_OPT_ADJUST_NEURONS, true, true},
      {ids::CM_STRATEGY3, true, true},
      {ids::CM_STRATEGY5, true, false},
      {ids::CM_STRATEGY7, false, false},       // 0 minutes trained
      {ids::CM_PREDICT_PROB, true, true},
      {ids::CM_PREDICT_PERCENT, true, false},
      {ids::CM_ZOOM1 + 1, true, true},
      {ids::CM_TRAIN, true, false},
      {ids::CM_STOP, false, false},
      {ids::CM_EDIT_PASTE, false, false},
      {ids::CM_PROJECTIONS, true, false},
      {ids::CM_EXIT, true, false},
  };
  for (const Expect& e : after_open) {
    MenuState s = Menu(p, e.id);
    QVERIFY2(s.enabled == e.enabled && s.checked == e.checked,
             qPrintable(QStringLiteral("command %1: enabled %2 checked %3")
                            .arg(e.id)
                            .arg(s.enabled)
                            .arg(s.checked)));
  }

  p.Command(ids::CM_STRATEGY5);
  QVERIFY(Menu(p, ids::CM_STRATEGY5).checked);
  QVERIFY(!Menu(p, ids::CM_STRATEGY3).checked);
  QVERIFY(Menu(p, ids::CM_FILESAVE).enabled);   // choosing a strategy changed the model

  p.Command(ids::CM_OPT_AUTOSAVE);
  QVERIFY(Menu(p, ids::CM_OPT_AUTOSAVE).checked);

  // Strategy 7 needs more than twelve hours of training.
  p.main().TimeTrained = 720;
  QVERIFY(!Menu(p, ids::CM_STRATEGY7).enabled);
  p.main().TimeTrained = 721;
  QVERIFY(Menu(p, ids::CM_STRATEGY7).enabled);
  QVERIFY(!Menu(p, ids::CM_OPT_GENETIC).enabled);

  p.Command(ids::CM_ZOOM1 + 3);
  QCOMPARE(p.main().zoom, 4);
  QVERIFY(Menu(p, ids::CM_ZOOM1 + 3).checked);
  QVERIFY(!Menu(p, ids::CM_ZOOM1 + 1).checked);
}

void MainWindowTest::preferencesOkKeepsEveryValue() {
  GuiProgram p;
  p.Start();
  QVERIFY(theOptions);

  // Open, look, OK at once: nothing may change.
  std::vector<std::string> shown;
  p.platform.SetModalHook([&](Dialog& d) {
    for (int id : {ids::IDC_PR_FPSHARE, ids::IDC_PR_COM, ids::IDC_PR_FEE, ids::IDC_PR_INITIAL,
                   ids::IDC_PR_QOVER, ids::IDC_PR_PROXY_PORT})
      shown.push_back(d.GetText(id));
    auto& q = static_cast<QtDialog&>(d);
    QVERIFY(!q.IsVisible(ids::IDC_PR_FPSHARE));     // the Internet page shows
    QVERIFY(!q.IsEnabled(ids::IDC_PR_PROXY_NAME));  // no proxy in use
    QTest::mouseClick(q.control(ids::IDC_PR_OK), Qt::LeftButton);
  });
  p.Command(ids::CM_OPT_PREFERENCES);
  QCOMPARE(shown, (std::vector<std::string>{"0.02", "0", "25", "1000", "1000", "80"}));
  QCOMPARE(theOptions->fGetOption("inv_broker_fpshare"), 0.02f);
  const std::string dat = ReadAll(p.Path("kv.dat"));
  QVERIFY2(dat.find("inv_broker_fpshare,0.020000") != std::string::npos, dat.c_str());

  // Commission 0.26 % typed on the Invest page, then OK.
  p.platform.SetModalHook([&](Dialog& d) {
    auto& q = static_cast<QtDialog&>(d);
    auto* tabs = qobject_cast<QTabWidget*>(q.control(ids::IDC_PR_TAB));
    QVERIFY(tabs);
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(1).center());
    QVERIFY(q.IsVisible(ids::IDC_PR_COM));
    QVERIFY(!q.IsVisible(ids::IDC_PR_USE_PROXY));
    auto* com = qobject_cast<QLineEdit*>(q.control(ids::IDC_PR_COM));
    com->setFocus();
    com->selectAll();
    QTest::keyClicks(com, "0.26");
    QTest::mouseClick(q.control(ids::IDC_PR_OK), Qt::LeftButton);
  });
  p.Command(ids::CM_OPT_PREFERENCES);
  QCOMPARE(theOptions->fGetOption("inv_broker_com"), 0.26f);
  QCOMPARE(InvestSettings.inv_broker_com, 0.26f);

  // Shown again as 0.26, and OK keeps it 0.26.
  shown.clear();
  p.platform.SetModalHook([&](Dialog& d) {
    shown.push_back(d.GetText(ids::IDC_PR_COM));
    QTest::mouseClick(static_cast<QtDialog&>(d).control(ids::IDC_PR_OK), Qt::LeftButton);
  });
  p.Command(ids::CM_OPT_PREFERENCES);
  QCOMPARE(shown, std::vector<std::string>{"0.26"});
  QCOMPARE(theOptions->fGetOption("inv_broker_com"), 0.26f);
  QCOMPARE(theOptions->fGetOption("inv_broker_fpshare"), 0.02f);
}

void MainWindowTest::preferencesCancelStoresNothing() {
  GuiProgram p;
  p.Start();
  const std::string before = ReadAll(p.Path("kv.dat"));
  p.platform.SetModalHook([&](Dialog& d) {
    auto& q = static_cast<QtDialog&>(d);
    QTest::mouseClick(q.control(ids::IDC_PR_USE_PROXY), Qt::LeftButton);
    QVERIFY(q.IsEnabled(ids::IDC_PR_PROXY_PORT));   // the proxy fields wake up
    auto* port = qobject_cast<QLineEdit*>(q.control(ids::IDC_PR_PROXY_PORT));
    port->setFocus();
    port->selectAll();
    QTest::keyClicks(port, "8080");
    QTest::mouseClick(q.control(ids::IDC_PR_CANCEL), Qt::LeftButton);
  });
  p.Command(ids::CM_OPT_PREFERENCES);
  QCOMPARE(theOptions->iGetOption("proxy_port"), 80);
  QCOMPARE(theOptions->iGetOption("use_proxy"), 0);
  QCOMPARE(ReadAll(p.Path("kv.dat")), before);

  // Escape is Cancel too.
  p.platform.SetModalHook([&](Dialog& d) {
    auto& q = static_cast<QtDialog&>(d);
    QTest::mouseClick(q.control(ids::IDC_PR_USE_PROXY), Qt::LeftButton);
    QTest::keyClick(q.widget(), Qt::Key_Escape);
  });
  p.Command(ids::CM_OPT_PREFERENCES);
  QCOMPARE(theOptions->iGetOption("use_proxy"), 0);
}

void MainWindowTest::closingAsksToSave_data() {
  QTest::addColumn<int>("answer");
  QTest::addColumn<bool>("closes");
  QTest::addColumn<bool>("saved");
  QTest::newRow("Yes") << int(IDYES) << true << true;
  QTest::newRow("No") << int(IDNO) << true << false;
  QTest::newRow("Cancel") << int(IDCANCEL) << false << false;
}

void MainWindowTest::closingAsksToSave() {
  QFETCH(int, answer);
  QFETCH(bool, closes);
  QFETCH(bool, saved);
  GuiProgram p;
  const std::string model = p.SampleModel("close.kvn", 0);
  p.Start(model);
  p.Command(ids::CM_STRATEGY5);   // a change to save
  QVERIFY(p.main().modified);
  p.platform.ClearRecords();

  p.platform.QueueAnswer(answer);
  QCOMPARE(p.Close(), closes);
  QCOMPARE(p.platform.messages().size(), size_t(1));
  const auto& m = p.platform.messages().front();
  QCOMPARE(m.text, std::string("Content has changed, do you want to save now?"));
  QCOMPARE(m.caption, std::string("Save File"));
  QCOMPARE(m.flags & MB_BUTTONS_MASK, unsigned(MB_YESNOCANCEL));
  QCOMPARE(p.frame().isVisible(), !closes);
  const bool in_file = ReadAll(model).find("Strategy= 5") != std::string::npos;
  QCOMPARE(in_file, saved);
}

void MainWindowTest::helpAndAbout() {
  GuiProgram p;
  // The help page ships in docs/ beside the program.
  QDir().mkpath(QString::fromStdString(p.Path("docs")));
  QVERIFY(QFile::copy(QStringLiteral(KV_SOURCE_DIR "/docs/help.html"),
                      QString::fromStdString(p.Path("docs/help.html"))));
  std::vector<std::vector<std::string>> started;
  SetSpawnForTesting([&](const std::vector<std::string>& argv) {
    started.push_back(argv);
    return true;
  });
  p.Start();
  QVERIFY(!p.main().help_open);

  p.Command(ids::CM_HELP_CONTENT);
  QCOMPARE(started.size(), size_t(1));
  QCOMPARE(started[0].back(), "file://" + p.Path("docs/help.html"));
  QVERIFY(p.main().help_open);

  p.Command(ids::CM_HELP_HOME);
  QCOMPARE(started.size(), size_t(2));
  QCOMPARE(started[1].back(), std::string(kVendorAddress));

  p.Command(ids::CM_HELP_ABOUT);
  QCOMPARE(p.platform.messages().back().text, std::string("version 2.400"));
  QCOMPARE(p.platform.messages().back().caption, std::string("About"));
  SetSpawnForTesting({});
}

void MainWindowTest::chartWindows() {
  GuiProgram p;
  p.Start(p.SampleModel("charts.kvn", 20000));
  // A forecast fills the outputs of the last 60 days, which the projections show.
  p.Click(ids::IDC_PREDICT);
  QCOMPARE(p.platform.messages().size(), size_t(1));

  p.Click(ids::IDC_STATS);
  QVERIFY(theStatWindow);
  auto& stats = static_cast<QtDialog&>(theStatWindow->dlg());
  QVERIFY(QTest::qWaitForWindowExposed(stats.widget()));
  QCOMPARE(stats.widget()->windowTitle(), QStringLiteral("GE"));
  QVERIFY(stats.IsChecked(ids::IDC_STAT_TRAINING));
  QTRY_VERIFY(stats.surface()->paint_count() > 0);
  GuiProgram::SaveScreenshot(stats.widget(), QStringLiteral("statistics_window.png"));
  p.Click(ids::IDC_STATS);   // the same button closes it
  QVERIFY(!theStatWindow);

  p.Command(ids::CM_PROJECTIONS);
  QVERIFY(theProjection);
  auto& proj = static_cast<QtDialog&>(theProjection->dlg());
  QVERIFY(QTest::qWaitForWindowExposed(proj.widget()));
  QTRY_VERIFY(proj.surface()->paint_count() > 0);
  GuiProgram::SaveScreenshot(proj.widget(), QStringLiteral("projections_window.png"));
}

void MainWindowTest::closingDuringABatchSavesThenEnds() {
  GuiProgram p;
  const std::string model = p.SampleModel("night.kvn", 0);
  const std::string before = ReadAll(model);
  const std::string batch = p.Path("night.kbf");
  QFile f(QString::fromStdString(batch));
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(("KBF 1.9\nT 0:30 \"" + model + "\"\nP \"" + model + "\"\n").c_str());
  f.close();
  p.Start();
  p.platform.ClearRecords();

  // A minute into the training the window's close box is pressed.
  p.clock.SetStepPerPump(50);
  bool training = false;
  ClockAlarm close(60000, [&] {
    training = p.main().training_on;
    p.frame().close();
  });
  p.main().RunBatch(batch.c_str());
  p.clock.SetStepPerPump(0);

  QVERIFY(training);
  QVERIFY(p.closed);                  // the program ends...
  QVERIFY(!p.frame().isVisible());
  QVERIFY(ReadAll(model) != before);  // ...after the trained model was saved
  QCOMPARE(p.platform.messages().size(), size_t(0));   // nothing asked
  const std::string log = ReadAll(p.Path("batch.log"));
  QCOMPARE(std::count(log.begin(), log.end(), '\n'), 2L);   // header and the T line only
  QVERIFY(!p.main().batch_running);
}

void MainWindowTest::changedModelHoldsItsLock() {
  GuiProgram p;
  const std::string model = p.SampleModel("edit.kvn", 0);
  p.Start(model);
  const std::string lock_file = ModelLock::LockPath(model);
  p.app().FollowModelLock();
  QVERIFY(!QFile::exists(QString::fromStdString(lock_file)));   // nothing changed yet

  p.Command(ids::CM_STRATEGY5);
  p.app().FollowModelLock();
  QCOMPARE(ReadAll(lock_file), std::to_string(::getpid()) + " kestrivane\n");
  ModelLock other;
  QVERIFY(!other.Acquire(model, "kestrivane-cli train"));

  p.Command(ids::CM_FILESAVE);
  p.app().FollowModelLock();
  QVERIFY(!QFile::exists(QString::fromStdString(lock_file)));

  // Held elsewhere: the user is told once, and may still save elsewhere.
  QVERIFY(other.Acquire(model, "kestrivane-cli train"));
  p.platform.ClearRecords();
  p.Command(ids::CM_STRATEGY4);
  p.app().FollowModelLock();
  p.app().FollowModelLock();
  QCOMPARE(p.platform.messages().size(), size_t(1));
  QVERIFY2(p.platform.messages()[0].text.find("in use by another Kestrivane (process " +
                                               std::to_string(::getpid()) + ", kestrivane-cli train)") !=
               std::string::npos,
           p.platform.messages()[0].text.c_str());
  QVERIFY(!p.app().model_lock().held());
}


static kv::gui::RegisterTests<MainWindowTest> registered("MainWindowTest");
#include "main_window_test.moc"
