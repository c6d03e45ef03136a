// What is the Qt face's own (the contract both faces keep runs in
// kvfacetests): real widgets by id, what notifies the handler and what does
// not, Escape and the close box, modal runs, the event loop's timers and the
// picture surfaces.
#include <QAbstractButton>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <memory>
#include <vector>

#include "gui_program.h"
#include "platform/canvas.h"
#include "platform/qt/qt_platform.h"
#include "resources/ids.h"

using namespace kv;

namespace {

struct Event {
  int id;
  Notify code;
  bool operator==(const Event& o) const { return id == o.id && code == o.code; }
};

class Recorder final : public WindowHandler {
 public:
  std::vector<Event> events;
  std::vector<unsigned> timers;
  int close_requests = 0;
  Dialog* close_on_request = nullptr;
  void OnControl(int id, Notify code) override { events.push_back({id, code}); }
  void EvTimer(unsigned id) override { timers.push_back(id); }
  void OnCloseRequest() override {
    ++close_requests;
    if (close_on_request) close_on_request->EndDialog(IDCANCEL);
  }
};

// Fills the picture's control rectangle and marks one pixel in the label
// column to its right.
class Painter final : public WindowHandler {
 public:
  Rect client{};
  void EvPaint(Canvas& c) override {
    client = c.ClientRect();
    c.FillRect(client, Rgb(10, 200, 30));
    c.SetPixel(client.right + 50, 10, Rgb(250, 0, 0));
  }
};

// The platform under test, in scripted mode on a virtual clock.
struct Face {
  Face() {
    SetPlatform(&platform);
    platform.SetClock(&clock);
    platform.SetScripted(true);
    platform.SetQuitHandler([this](int code) { quit_codes.push_back(code); });
  }
  ~Face() {
    platform.SetClock(nullptr);
    SetPlatform(nullptr);
  }
  QtPlatform platform;
  VirtualClock clock;
  std::vector<int> quit_codes;
};

QString Caption(QtDialog& d, int id) { return QString::fromStdString(d.GetText(id)); }

}  // namespace

class QtFaceTest : public QObject {
  Q_OBJECT

 private slots:
  void fileFilters_data();
  void fileFilters();
  void controlsCarryTheirIdsAndCaptions_data();
  void controlsCarryTheirIdsAndCaptions();
  void onlyTheUserNotifies();
  void fieldsKeepWhatTheProgramWrote();
  void escapeAndTheCloseBox();
  void modalRunEndsWithEndDialog();
  void theEventLoopRunsDueTimers();
  void picturesIncludeTheLabelColumn();
  void dialogScreenshots();
};

void QtFaceTest::fileFilters_data() {
  QTest::addColumn<QString>("filter");
  QTest::addColumn<QString>("qt");
  QTest::newRow("price files") << "Text (*.csv)|*.csv|Text (*.txt)|*.txt|All Files (*.*)|*.*|"
                               << "Text (*.csv *.CSV);;Text (*.txt *.TXT);;All Files (*)";
  QTest::newRow("models") << "Kestri (*.kvn)|*.kvn|All Files (*.*)|*.*|"
                          << "Kestri (*.kvn *.KVN);;All Files (*)";
  QTest::newRow("name glued to pattern") << "Text Files(*.txt)|*.txt|All Files (*.*)|*.*|"
                                         << "Text Files (*.txt *.TXT);;All Files (*)";
  QTest::newRow("several patterns") << "Batch|*.kbf;*.txt|" << "Batch (*.kbf *.KBF *.txt *.TXT)";
  QTest::newRow("no closing bar") << "Models|*.kvn" << "Models (*.kvn *.KVN)";
  QTest::newRow("empty") << "" << "";
  QTest::newRow("name without pattern") << "Odd|" << "";
}

void QtFaceTest::fileFilters() {
  QFETCH(QString, filter);
  QFETCH(QString, qt);
  QCOMPARE(QtFileFilter(filter.toStdString()), qt);
}

void QtFaceTest::controlsCarryTheirIdsAndCaptions_data() {
  QTest::addColumn<int>("resource");
  QTest::addColumn<int>("id");
  QTest::addColumn<QString>("caption");
  struct Row {
    int resource, id;
    const char* caption;
  };
  const Row rows[] = {
      {ids::DLG_MAIN, ids::IDC_TRAIN, "TRAIN"},
      {ids::DLG_MAIN, ids::IDC_STOP, "STOP"},
      {ids::DLG_MAIN, ids::IDC_FORGET, "FORGET"},
      {ids::DLG_MAIN, ids::IDC_PREDICT, "PREDICT"},
      {ids::DLG_MAIN, ids::IDC_BROWSE, "Browse"},
      {ids::DLG_MAIN, ids::IDC_ADD, "ADD"},
      {ids::DLG_MAIN, ids::IDC_DEL, "DEL"},
      {ids::DLG_MAIN, ids::IDC_MOD, "MOD"},
      {ids::DLG_MAIN, ids::IDC_PRICE, "Price"},
      {ids::DLG_MAIN, ids::IDC_VOLUME, "Volume"},
      {ids::DLG_MAIN, ids::IDC_LONG, "Long Term Filter"},
      {ids::DLG_MAIN, ids::IDC_SHORT, "Short Term Filter"},
      {ids::DLG_MAIN, ids::IDC_REP, "Rep"},
      {ids::DLG_MAIN, ids::IDC_STATS, "stats"},
      {ids::DLG_MAIN, ids::IDC_DOWNLOAD, "DOWNLOAD"},
      {ids::DLG_MAIN, ids::IDC_GROUP_STOCKS, "Stocks"},
      {ids::DLG_MAIN, ids::IDC_GROUP_NET, "Neural Net Setup"},
      {ids::DLG_MAIN, ids::IDC_GROUP_PERF, "Performance"},
      {ids::DLG_MAIN, ids::IDC_STATUS, "Kestrivane   "},
      {ids::DLG_MAIN, ids::IDC_SYMBOL, "SYMB"},
      {ids::DLG_MAIN, ids::IDC_FILENAME, "FILENAME"},
      {ids::DLG_PREFERENCES, IDOK, "OK"},
      {ids::DLG_PREFERENCES, IDCANCEL, "Cancel"},
      {ids::DLG_PREFERENCES, ids::IDC_PR_USE_PROXY, "Use Proxy"},
      {ids::DLG_PREFERENCES, ids::IDC_PR_PROXY_GROUP, "Proxy"},
      {ids::DLG_PREFERENCES, ids::IDC_PR_PROXY_PORT, "80"},
      {ids::DLG_PREFERENCES, ids::IDC_PR_DALL_START,
       "Download all files in destination directory at Startup"},
      {ids::DLG_PREFERENCES, ids::IDC_PR_D_KVN, "Download stock files at openning of .kvn file"},
      {ids::DLG_PREFERENCES, ids::IDC_PR_INET_Q, "Quit Download window when finished downloading"},
      {ids::DLG_PREFERENCES, ids::IDC_PR_CURRENCY, "$"},
      {ids::DLG_PREFERENCES, ids::IDC_PR_CURRENCY_LABEL, "Currency Symbol"},
      {ids::DLG_PREFERENCES, ids::IDC_PR_INITIAL_LABEL, "Initial Investment"},
      {ids::DLG_PREFERENCES, ids::IDC_PR_FEE_LABEL, "Transaction Fee"},
      {ids::DLG_PREFERENCES, ids::IDC_PR_PLUS_LABEL, "Plus"},
      {ids::DLG_PREFERENCES, ids::IDC_PR_PERSHARE_LABEL, "Per Share"},
      {ids::DLG_PREFERENCES, ids::IDC_PR_PERCENT_LABEL, "%"},
      {ids::DLG_PREFERENCES, ids::IDC_PR_QOVER_LABEL, "For Each Share Over"},
      {ids::DLG_LOADER, IDOK, "Download"},
      {ids::DLG_LOADER, IDCANCEL, "Cancel"},
      {ids::DLG_LOADER, ids::IDC_LD_EXIT, "Exit"},
      {ids::DLG_LOADER, ids::IDC_LD_REMOVE, "Remove"},
      {ids::DLG_LOADER, ids::IDC_LD_SAVE_LIST, "SAVE LIST"},
      {ids::DLG_LOADER, ids::IDC_LD_LOAD_LIST, "LOAD LIST"},
      {ids::DLG_LOADER, ids::IDC_LD_ADD_MANUAL, "ADD ->"},
      {ids::DLG_LOADER, ids::IDC_LD_ADD_FILES, "ADD->"},
      {ids::DLG_LOADER, ids::IDC_LD_ALL, "ALL"},
      {ids::DLG_LOADER, ids::IDC_LD_NONE, "NONE"},
      {ids::DLG_LOADER, ids::IDC_LD_BROWSE, "BROWSE"},
      {ids::DLG_LOADER, ids::IDC_LD_FILTER, "*.CSV"},
      {ids::DLG_STATS, ids::IDC_STAT_3D, "3D"},
      {ids::DLG_STATS, ids::IDC_STAT_HINT, "HINT"},
      {ids::DLG_STATS, ids::IDC_STAT_TRAINING, "Training Data"},
      {ids::DLG_STATS, ids::IDC_STAT_VERIFY, "Verification Data"},
  };
  for (const Row& r : rows)
    QTest::newRow(QStringLiteral("%1/%2").arg(r.resource).arg(r.id).toUtf8().constData())
        << r.resource << r.id << QString::fromUtf8(r.caption);
  // Controls without a caption must exist all the same.
  for (int id : {ids::IDC_CYCLE, ids::IDC_NEURONS, ids::IDC_INFL_PERIOD, ids::IDC_TICKER_LIST,
                 ids::IDC_TRAIN_START, ids::IDC_TRAIN_END, ids::IDC_FRAME, ids::IDC_SCROLL,
                 ids::IDC_MODEL_PATH, ids::IDC_TIME_TRAINED, ids::IDC_TRADES, ids::IDC_INITIAL,
                 ids::IDC_MARKET, ids::IDC_STRATEGY_VALUE})
    QTest::newRow(QStringLiteral("main/%1").arg(id).toUtf8().constData())
        << int(ids::DLG_MAIN) << id << QString();
  for (int id : {ids::IDC_LD_SYMBOLS, ids::IDC_LD_FILES, ids::IDC_LD_MANUAL, ids::IDC_LD_DEST,
                 ids::IDC_LD_DATABASE, ids::IDC_LD_RESULTS, ids::IDC_LD_BANNER, ids::IDC_LD_GROUP})
    QTest::newRow(QStringLiteral("loader/%1").arg(id).toUtf8().constData())
        << int(ids::DLG_LOADER) << id << QString();
  QTest::newRow("tabs") << int(ids::DLG_PREFERENCES) << int(ids::IDC_PR_TAB) << QString();
  QTest::newRow("projection frame") << int(ids::DLG_PROJECTION) << int(ids::IDC_PROJ_FRAME) << QString();
  QTest::newRow("progress") << int(ids::DLG_WAIT) << int(ids::IDC_WAIT_PROGRESS) << QString();
  QTest::newRow("http status") << int(ids::DLG_STATUS) << int(ids::IDC_HTTP_STATUS) << QString();
}

void QtFaceTest::controlsCarryTheirIdsAndCaptions() {
  QFETCH(int, resource);
  QFETCH(int, id);
  QFETCH(QString, caption);
  Face f;
  auto dlg = f.platform.CreateDialog(resource, nullptr);
  auto& q = static_cast<QtDialog&>(*dlg);
  QVERIFY2(q.control(id), "the control exists");
  QCOMPARE(q.control(id)->property("kvid").toInt(), id);
  if (!caption.isNull()) QCOMPARE(Caption(q, id), caption);
}

void QtFaceTest::onlyTheUserNotifies() {
  Face f;
  auto dlg = f.platform.CreateDialog(ids::DLG_LOADER, nullptr);
  auto& q = static_cast<QtDialog&>(*dlg);
  Recorder rec;
  q.SetHandler(&rec);
  q.widget()->show();
  QVERIFY(QTest::qWaitForWindowExposed(q.widget()));
  QApplication::setActiveWindow(q.widget());

  // What the program does is silent.
  q.SetText(ids::IDC_LD_DEST, "/tmp/quotes");
  q.AddItem(ids::IDC_LD_SYMBOLS, "IBM");
  q.AddItem(ids::IDC_LD_SYMBOLS, "KO");
  q.SetSel(ids::IDC_LD_SYMBOLS, 1);
  q.SelectItem(ids::IDC_LD_SYMBOLS, 0, true);
  q.AddItem(ids::IDC_LD_DATABASE, "USA");
  q.SetSel(ids::IDC_LD_DATABASE, 0);
  q.Check(ids::IDC_LD_ALL, true);
  q.SetScrollPos(ids::IDC_LD_FILES, 3);
  QTest::qWait(10);
  QVERIFY(rec.events.empty());

  // What the user does is told.
  auto* manual = qobject_cast<QLineEdit*>(q.control(ids::IDC_LD_MANUAL));
  manual->setFocus(Qt::MouseFocusReason);
  QTest::keyClicks(manual, "GE");
  QCOMPARE(rec.events.size(), size_t(2));
  QCOMPARE(rec.events.back(), (Event{ids::IDC_LD_MANUAL, Notify::Change}));
  q.control(ids::IDC_LD_DEST)->setFocus(Qt::MouseFocusReason);   // leaving the field
  QTRY_COMPARE(rec.events.back(), (Event{ids::IDC_LD_MANUAL, Notify::KillFocus}));
  QTest::mouseClick(q.control(ids::IDC_LD_EXIT), Qt::LeftButton);
  QCOMPARE(rec.events.back(), (Event{ids::IDC_LD_EXIT, Notify::Clicked}));
  auto* symbols = qobject_cast<QListWidget*>(q.control(ids::IDC_LD_SYMBOLS));
  QTest::mouseClick(symbols->viewport(), Qt::LeftButton, {},
                    symbols->visualItemRect(symbols->item(1)).center());
  QCOMPARE(rec.events.back(), (Event{ids::IDC_LD_SYMBOLS, Notify::SelChange}));
  // A disabled button is not clicked.
  q.Enable(ids::IDC_LD_REMOVE, false);
  const size_t before = rec.events.size();
  QTest::mouseClick(q.control(ids::IDC_LD_REMOVE), Qt::LeftButton);
  QCOMPARE(rec.events.size(), before);
  q.SetHandler(nullptr);
}

void QtFaceTest::fieldsKeepWhatTheProgramWrote() {
  Face f;
  auto dlg = f.platform.CreateDialog(ids::DLG_LOADER, nullptr);
  // Result lines keep their line ends.
  const std::string results = "   IBM \tOK\r\n    GE \tFAIL\r\n";
  dlg->SetText(ids::IDC_LD_RESULTS, results);
  QCOMPARE(dlg->GetText(ids::IDC_LD_RESULTS), results);
  QCOMPARE(dlg->GetText(ids::IDC_LD_RESULTS, 5), std::string("   IB"));
  auto* shown = qobject_cast<QPlainTextEdit*>(static_cast<QtDialog&>(*dlg).control(ids::IDC_LD_RESULTS));
  QCOMPARE(shown->toPlainText(), QStringLiteral("   IBM \tOK\n    GE \tFAIL\n"));

  // Typing is cut at the text limit; reading at max_chars.
  auto& q = static_cast<QtDialog&>(*dlg);
  q.SetTextLimit(ids::IDC_LD_MANUAL, 5);
  q.widget()->show();
  QVERIFY(QTest::qWaitForWindowExposed(q.widget()));
  auto* manual = qobject_cast<QLineEdit*>(q.control(ids::IDC_LD_MANUAL));
  manual->setFocus();
  QTest::keyClicks(manual, "ABCDEFG");
  QCOMPARE(q.GetText(ids::IDC_LD_MANUAL), std::string("ABCDE"));
  QCOMPARE(q.GetText(ids::IDC_LD_MANUAL, 3), std::string("ABC"));

  // State flags.
  q.Show(ids::IDC_LD_BROWSE, false);
  QVERIFY(!q.IsVisible(ids::IDC_LD_BROWSE));
  QVERIFY(q.IsVisible(ids::IDC_LD_EXIT));
  q.SetReadOnly(ids::IDC_LD_DEST, true);
  QVERIFY(q.IsReadOnly(ids::IDC_LD_DEST));
  q.Check(ids::IDC_LD_ALL, true);   // a push button has no check mark
  QVERIFY(!q.IsChecked(ids::IDC_LD_ALL));

  // Scroll bar of the main chart: range as given, position kept inside it.
  auto main = f.platform.CreateDialog(ids::DLG_MAIN, nullptr);
  main->SetScrollRange(ids::IDC_SCROLL, 300, 1000);
  main->SetScrollPos(ids::IDC_SCROLL, 1200);
  QCOMPARE(main->GetScrollPos(ids::IDC_SCROLL), 1000);
  int lo = 0, hi = 0;
  main->GetScrollRange(ids::IDC_SCROLL, lo, hi);
  QCOMPARE(lo, 300);
  QCOMPARE(hi, 1000);

  auto wait = f.platform.CreateDialog(ids::DLG_WAIT, nullptr);
  wait->SetRange(ids::IDC_WAIT_PROGRESS, 0, 100);
  wait->SetValue(ids::IDC_WAIT_PROGRESS, 50);
  QCOMPARE(wait->GetValue(ids::IDC_WAIT_PROGRESS), 50);
}

void QtFaceTest::escapeAndTheCloseBox() {
  Face f;
  // The download dialog has a Cancel button: Escape presses it and the
  // window stays.
  auto loader = f.platform.CreateDialog(ids::DLG_LOADER, nullptr);
  auto& q = static_cast<QtDialog&>(*loader);
  Recorder rec;
  q.SetHandler(&rec);
  q.widget()->show();
  QVERIFY(QTest::qWaitForWindowExposed(q.widget()));
  QTest::keyClick(q.widget(), Qt::Key_Escape);
  QCOMPARE(rec.events.size(), size_t(1));
  QCOMPARE(rec.events[0], (Event{IDCANCEL, Notify::Clicked}));
  QVERIFY(q.IsOpen());
  // The close box asks the handler, which decides.
  q.widget()->close();
  QCOMPARE(rec.close_requests, 1);
  QVERIFY(q.IsOpen());
  rec.close_on_request = &q;
  q.PostClose();
  QTRY_VERIFY(!q.IsOpen());
  QCOMPARE(rec.close_requests, 2);
  QVERIFY(!q.widget()->isVisible());

  // The statistics window has no Cancel button: Escape asks to close it.
  auto stats = f.platform.CreateDialog(ids::DLG_STATS, nullptr);
  auto& s = static_cast<QtDialog&>(*stats);
  Recorder srec;
  srec.close_on_request = &s;
  s.SetHandler(&srec);
  QTRY_VERIFY(s.widget()->isVisible());   // a modeless window shows by itself
  QTest::keyClick(s.widget(), Qt::Key_Escape);
  QCOMPARE(srec.close_requests, 1);
  QVERIFY(!s.IsOpen());

  // A window without a handler just closes.
  auto wait = f.platform.CreateDialog(ids::DLG_WAIT, nullptr);
  wait->PostClose();
  QTRY_VERIFY(!wait->IsOpen());
  q.SetHandler(nullptr);
  s.SetHandler(nullptr);
}

void QtFaceTest::modalRunEndsWithEndDialog() {
  Face f;
  auto dlg = f.platform.CreateDialog(ids::DLG_PREFERENCES, nullptr);
  struct OkCloses final : WindowHandler {
    Dialog* d = nullptr;
    void OnControl(int id, Notify code) override {
      if (id == IDOK && code == Notify::Clicked) d->EndDialog(IDOK);
    }
  } handler;
  handler.d = dlg.get();
  dlg->SetHandler(&handler);
  int hooked = 0;
  f.platform.SetModalHook([&](Dialog& d) {
    ++hooked;
    QVERIFY(static_cast<QtDialog&>(d).widget()->isVisible());
    QTest::mouseClick(static_cast<QtDialog&>(d).control(IDOK), Qt::LeftButton);
  });
  QCOMPARE(f.platform.RunModal(*dlg), int(IDOK));
  QCOMPARE(hooked, 1);
  QVERIFY(!dlg->IsOpen());
  dlg->SetHandler(nullptr);
}

void QtFaceTest::theEventLoopRunsDueTimers() {
  // The contract suite pumps by hand; here the event loop alone runs them.
  Face f;
  Recorder rec;
  f.platform.SetTimer(&rec, 4100, 60000);
  f.clock.Advance(60000);
  QTRY_COMPARE(rec.timers, std::vector<unsigned>{4100});
  f.platform.KillTimers(&rec);
  QVERIFY(!f.platform.HasTimer(&rec, 4100));
}

void QtFaceTest::picturesIncludeTheLabelColumn() {
  Face f;
  for (int resource : {ids::DLG_MAIN, ids::DLG_PROJECTION, ids::DLG_STATS}) {
    auto dlg = f.platform.CreateDialog(resource, nullptr);
    auto& q = static_cast<QtDialog&>(*dlg);
    Painter painter;
    q.SetHandler(&painter);
    PaintSurface* s = q.surface();
    QVERIFY(s);
    const QImage image = s->Render();
    const QRect frame = s->frame().isEmpty() ? s->rect() : s->frame();
    QCOMPARE(painter.client.Width(), frame.width());
    QCOMPARE(painter.client.Height(), frame.height());
    // The picture lands on the frame, and the column right of it is drawn on.
    QCOMPARE(image.pixelColor(frame.topLeft() + QPoint(3, 3)), QColor(10, 200, 30));
    if (!s->frame().isEmpty())
      QCOMPARE(image.pixelColor(frame.left() + painter.client.right + 50, frame.top() + 10),
               QColor(250, 0, 0));
    q.SetHandler(nullptr);
  }
}

void QtFaceTest::dialogScreenshots() {
  // The dialogs whose owners show them only with a live network or model.
  kv::gui::GuiProgram p;
  p.Start();
  auto loader = p.platform.CreateDialog(ids::DLG_LOADER, &p.window());
  loader->SetText(ids::IDC_LD_DEST, "./");
  for (const char* s : {"GE", "KO", "PG", "IBM"}) loader->AddItem(ids::IDC_LD_SYMBOLS, s);
  for (const char* s : {"GE.csv", "KO.csv", "PG.csv"}) loader->AddItem(ids::IDC_LD_FILES, s);
  loader->AddItem(ids::IDC_LD_DATABASE, "USA");
  loader->SetSel(ids::IDC_LD_DATABASE, 0);
  loader->SetText(ids::IDC_LD_RESULTS, "    GE \tOK\r\n    KO \tOK\r\n");
  loader->SetText(ids::IDC_LD_BANNER, "Quotes for the close of business, every day.");
  auto& l = static_cast<QtDialog&>(*loader);
  QTRY_VERIFY(l.widget()->isVisible());
  kv::gui::GuiProgram::SaveScreenshot(l.widget(), QStringLiteral("download_dialog.png"));

  p.platform.SetModalHook([&](Dialog& d) {
    auto& q = static_cast<QtDialog&>(d);
    kv::gui::GuiProgram::SaveScreenshot(q.widget(), QStringLiteral("preferences_internet.png"));
    d.SetSel(ids::IDC_PR_TAB, 1);
    q.NotifyControl(ids::IDC_PR_TAB, Notify::SelChange);
    kv::gui::GuiProgram::SaveScreenshot(q.widget(), QStringLiteral("preferences_invest.png"));
    q.NotifyControl(IDCANCEL, Notify::Clicked);
  });
  p.Command(ids::CM_OPT_PREFERENCES);

  auto wait = p.platform.CreateDialog(ids::DLG_WAIT, &p.window());
  wait->SetValue(ids::IDC_WAIT_PROGRESS, 40);
  auto& w = static_cast<QtDialog&>(*wait);
  QTRY_VERIFY(w.widget()->isVisible());
  kv::gui::GuiProgram::SaveScreenshot(w.widget(), QStringLiteral("wait_dialog.png"));
}

static kv::gui::RegisterTests<QtFaceTest> registered("QtFaceTest");
#include "qt_face_test.moc"
