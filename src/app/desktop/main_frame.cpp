#include "app/desktop/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLayout>
#include <QLinearGradient>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QShortcut>
#include <QTimer>
#include <vector>

#include "model/main_dlg.h"
#include "platform/qt/qt_dialog.h"
#include "resources/ids.h"
#include "resources/menu.h"

namespace kv {

namespace {

// "Alt+BkSp" and the other key names of the resources, as Qt names them.
QKeySequence KeyOf(QString name) {
  name.replace(QLatin1String("BkSp"), QLatin1String("Backspace"));
  name.replace(QLatin1String("Ins"), QLatin1String("Insert"));
  return QKeySequence(name);
}

}  // namespace

MainFrame::MainFrame(QtDialog& dlg, TMainDlg& main, const QString& title)
    : dlg_(dlg), main_(main) {
  setWindowTitle(title);
  setWindowIcon(ProgramIcon());
  setCentralWidget(dlg.widget());
  BuildMenu();
  BuildAccelerators();
  on_closed = [] { QCoreApplication::exit(0); };
  // The frame fits the dialog and keeps its size.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
}

MainFrame::~MainFrame() = default;

QAction* MainFrame::action(int id) const {
  auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

void MainFrame::BuildMenu() {
  std::vector<QMenu*> open;
  for (const res::MenuDef& m : res::kMainMenu) {
    QString caption = QString::fromUtf8(m.caption);
    switch (m.kind) {
      case res::MenuKind::Popup: {
        QMenu* menu = open.empty() ? menuBar()->addMenu(caption) : open.back()->addMenu(caption);
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { RunEnablers(menu); });
        open.push_back(menu);
        break;
      }
      case res::MenuKind::End:
        if (!open.empty()) open.pop_back();
        break;
      case res::MenuKind::Separator:
        if (!open.empty()) open.back()->addSeparator();
        break;
      case res::MenuKind::Item: {
        if (open.empty()) break;
        // The text after the tab is the key shown beside the item; the key
        // itself is bound by the accelerator table.
        QString text = caption.section(QLatin1Char('\t'), 0, 0);
        QString key = caption.section(QLatin1Char('\t'), 1);
        QAction* a = open.back()->addAction(text);
        if (!key.isEmpty()) a->setShortcut(KeyOf(key));
        a->setShortcutContext(Qt::WindowShortcut);
        a->setCheckable((m.flags & res::M_CHECKS) != 0);
        if (m.hint) {
          a->setToolTip(QString::fromUtf8(m.hint));
          a->setStatusTip(QString::fromUtf8(m.hint));
          open.back()->setToolTipsVisible(true);
        }
        const int id = m.id;
        connect(a, &QAction::triggered, this, [this, id] { PostCommand(id); });
        actions_[id] = a;
        break;
      }
    }
  }
  RunEnablers();
}

void MainFrame::BuildAccelerators() {
  // Enter rereads the stocks (command 1) wherever the focus is.
  for (int key : {Qt::Key_Return, Qt::Key_Enter}) {
    auto* s = new QShortcut(QKeySequence(key), this);
    s->setContext(Qt::WindowShortcut);
    connect(s, &QShortcut::activated, this, [this] { PostCommand(ids::CM_REREAD_STOCKS); });
  }
  // Keys of the accelerator table whose command has no menu item of its own.
  for (const res::AccelDef& a : res::kMainAccelerators) {
    if (action(a.id)) continue;
    auto* s = new QShortcut(KeyOf(QString::fromUtf8(a.key)), this);
    s->setContext(Qt::WindowShortcut);
    const int id = a.id;
    connect(s, &QShortcut::activated, this, [this, id] { PostCommand(id); });
  }
  // F1 opens the help contents, as Help > Content does, without recording it.
  auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(help, &QShortcut::activated, this, [this] { main_.EvHelp(); });
}

void MainFrame::RunEnablers() {
  for (QMenu* menu : menuBar()->findChildren<QMenu*>()) RunEnablers(menu);
}

void MainFrame::RunEnablers(QMenu* menu) {
  for (QAction* a : menu->actions()) {
    if (a->isSeparator() || a->menu()) continue;
    for (const auto& [id, action] : actions_) {
      if (action != a) continue;
      if (id == ids::CM_EXIT) break;   // the frame's own command
      CommandEnabler ce;
      ce.id = id;
      main_.QueryCommand(ce);
      a->setEnabled(ce.enabled);
      if (a->isCheckable()) a->setChecked(ce.checked);
      break;
    }
  }
}

void MainFrame::PostCommand(int id) {
  QTimer::singleShot(0, this, [this, id] {
    if (closed_) return;
    if (id == ids::CM_EXIT) close();
    else main_.OnCommand(id);
  });
}

void MainFrame::closeEvent(QCloseEvent* e) {
  if (closed_) {
    e->accept();
    return;
  }
  // CanClose pumps the event queue (to end a running training) and may ask
  // the user; a second close request meanwhile is the same request.
  e->ignore();
  if (closing_) return;
  if (main_.batch_running) {
    // Nobody is left to watch the batch: the running model is trained no
    // further, saved and logged, then the run and the program end. The
    // event loop ends once the batch returns to it.
    main_.batch_quit = true;
    main_.training_on = false;
    closed_ = true;
    hide();
    if (on_closed) on_closed();
    return;
  }
  closing_ = true;
  const bool ok = main_.CanClose();
  closing_ = false;
  if (!ok) return;
  closed_ = true;
  main_.training_on = false;
  hide();
  if (on_closed) on_closed();
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64}) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QLinearGradient g(0, 0, 0, s);
    g.setColorAt(0, QColor(38, 92, 160));
    g.setColorAt(1, QColor(18, 48, 96));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(0.5, 0.5, s - 1, s - 1), s * 0.18, s * 0.18);
    // A rising price line with its last move marked.
    QPainterPath line;
    line.moveTo(s * 0.14, s * 0.72);
    line.lineTo(s * 0.36, s * 0.52);
    line.lineTo(s * 0.52, s * 0.62);
    line.lineTo(s * 0.84, s * 0.26);
    QPen pen(QColor(255, 255, 255), std::max<qreal>(1.5, s * 0.09));
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(line);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 220, 120));
    p.drawEllipse(QPointF(s * 0.84, s * 0.26), s * 0.09, s * 0.09);
    p.end();
    icon.addPixmap(pm);
  }
  return icon;
}

}  // namespace kv
