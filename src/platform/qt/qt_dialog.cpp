#include "platform/qt/qt_dialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QEvent>
#include <QFocusEvent>
#include <QFont>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>

#include "platform/qt/paint_surface.h"
#include "platform/qt/qt_platform.h"

namespace kv {

namespace {

using res::Ctl;

constexpr int kDataRole = Qt::UserRole;      // item data (long)
constexpr int kRawRole = Qt::UserRole + 1;   // item text exactly as the program gave it

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string S(const QString& s) { return s.toUtf8().toStdString(); }

std::string Cut(std::string s, int max_chars) {
  if (max_chars >= 0 && static_cast<int>(s.size()) > max_chars) s.resize(static_cast<size_t>(max_chars));
  return s;
}

// Multi-line edits keep their lines as the program wrote them ("\r\n"); the
// widget shows them without the carriage returns.
QString Displayed(std::string_view s) {
  QString q = Q(s);
  q.remove(QLatin1Char('\r'));
  return q;
}

// The top-level window of a dialog resource: its close box and Escape are
// passed to the owning QtDialog, which lets the program decide.
class DialogWindow final : public QDialog {
 public:
  DialogWindow(QtDialog& owner, QWidget* parent) : QDialog(parent), owner_(&owner) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
  }
  void Detach() { owner_ = nullptr; }

  void reject() override {
    // Escape is the Cancel command: a dialog with a Cancel button hears it as
    // a click on that button; any other dialog is asked to close.
    if (!owner_) return QDialog::reject();
    if (owner_->control(IDCANCEL)) {
      if (owner_->IsEnabled(IDCANCEL)) owner_->NotifyControl(IDCANCEL, kv::Notify::Clicked);
    } else {
      owner_->CloseRequested();
    }
  }

 protected:
  void closeEvent(QCloseEvent* e) override {
    if (!owner_) return QDialog::closeEvent(e);
    e->ignore();
    owner_->CloseRequested();
  }

 private:
  QtDialog* owner_;
};

// Tells the dialog when an edit loses the focus to another control of the
// program, at once: a click on a button reaches the button only after the
// field has been taken (the neurons typed before TRAIN count for that run).
// Losing the focus because another window became active (a message box) or
// a menu opened is not a change of field.
class FocusWatcher final : public QObject {
 public:
  FocusWatcher(QtDialog& dlg, int id, QObject* parent) : QObject(parent), dlg_(dlg), id_(id) {}

 protected:
  bool eventFilter(QObject* obj, QEvent* e) override {
    if (e->type() == QEvent::FocusOut && !busy_) {
      auto* fe = static_cast<QFocusEvent*>(e);
      if (fe->reason() != Qt::ActiveWindowFocusReason && fe->reason() != Qt::PopupFocusReason) {
        // A handler that shows a message box moves the focus again.
        busy_ = true;
        QPointer<FocusWatcher> self(this);
        dlg_.NotifyControl(id_, kv::Notify::KillFocus);
        if (!self) return false;
        busy_ = false;
      }
    }
    return QObject::eventFilter(obj, e);
  }

 private:
  QtDialog& dlg_;
  int id_;
  bool busy_ = false;
};

}  // namespace

struct QtDialog::Control {
  Ctl kind;
  QWidget* w = nullptr;
  std::string text;        // captions, and the raw text of multi-line edits
  bool read_only = false;
  bool sorted = false;
  int limit = -1;
  int smin = 0, smax = 100;
};

// ---- construction -----------------------------------------------------------------

QtDialog::QtDialog(QtPlatform& platform, int resource_id, QtDialog* parent)
    : platform_(platform), resource_(resource_id) {
  const res::DialogDef* def = res::FindDialog(resource_id);
  if (!def) UnknownDialog(resource_id);
  links_ = new QObject();

  if (resource_id == ids::DLG_MAIN) {
    root_ = new QWidget();
  } else {
    QWidget* owner = parent && parent->widget() ? parent->widget()->window() : platform.main_window();
    auto* window = new DialogWindow(*this, owner);
    window->setModal(false);
    root_ = window;
  }
  root_->setObjectName(QStringLiteral("dialog%1").arg(resource_id));
  Build(*def);

  if (resource_id != ids::DLG_MAIN) {
    // A modeless window appears once the event loop runs, unless the program
    // runs it modally (or closes it) first.
    std::weak_ptr<bool> alive = alive_;
    QTimer::singleShot(0, links_, [this, alive] {
      if (!alive.expired()) ShowIfModeless();
    });
  }
}

QtDialog::~QtDialog() {
  alive_.reset();
  delete links_;   // disconnects every signal and watcher
  links_ = nullptr;
  if (surface_) surface_->Detach();
  if (root_) {
    if (auto* w = dynamic_cast<DialogWindow*>(root_.data())) w->Detach();
    if (resource_ != ids::DLG_MAIN || !root_->parentWidget()) {
      // The window may be in the middle of delivering the event that led
      // here: hide it now, delete it when the event loop comes round.
      root_->hide();
      root_->deleteLater();
    }
  }
}

void QtDialog::Build(const res::DialogDef& def) {
  if (def.font_points > 0) {
    QFont f = root_->font();
    f.setPointSize(def.font_points);
    root_->setFont(f);
  }
  // Dialog base units of the window's font: the average width of the letters
  // and the line height.
  QFontMetrics fm(root_->font());
  const int letters =
      fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  base_x_ = std::max(4, (letters / 26 + 1) / 2);
  base_y_ = std::max(8, fm.height());

  caption_ = def.caption;
  root_->setWindowTitle(QString::fromUtf8(def.caption));
  root_->setFixedSize(DluX(def.w), DluY(def.h));

  if (def.surface.w > 0) {
    const res::SurfaceDef& s = def.surface;
    QRect area(DluX(s.x), DluY(s.y), DluX(s.w), DluY(s.h));
    QRect frame;
    if (s.frame_id) {
      const int dx = DluX(s.frame_dx), dy = DluY(s.frame_dy);
      frame = QRect(dx, dy, area.width() - dx - s.label_right, area.height() - dy - s.label_below);
    }
    surface_ = new PaintSurface(*this, root_, frame);
    surface_->setGeometry(area);
    surface_->setObjectName(QStringLiteral("picture"));
    surface_->setProperty("kvid", s.frame_id);
    if (s.frame_id) {
      auto k = std::make_unique<Control>();
      k->kind = Ctl::Frame;
      k->w = surface_;
      controls_[s.frame_id] = std::move(k);
    }
  }
  for (size_t i = 0; i < def.count; ++i) BuildControl(def.controls[i]);
}

void QtDialog::BuildControl(const res::ControlDef& d) {
  if (d.kind == Ctl::Frame) return;   // the picture surface stands for it
  auto k = std::make_unique<Control>();
  k->kind = d.kind;
  k->text = d.text ? d.text : "";
  const QString caption = QString::fromUtf8(k->text.c_str());
  const int id = d.id;
  QWidget* w = nullptr;
  QObject* ctx = links_;
  std::weak_ptr<bool> alive = alive_;
  auto notify = [this, alive, id](kv::Notify code) {
    if (!alive.expired()) NotifyControl(id, code);
  };

  switch (d.kind) {
    case Ctl::Button:
    case Ctl::DefButton: {
      auto* b = new QPushButton(caption, root_);
      if (d.kind == Ctl::DefButton) b->setDefault(true);
      // Enter belongs to the default button (or, in the main window, to its
      // own command), never to whichever button had the focus last.
      if (d.kind == Ctl::Button) b->setAutoDefault(false);
      if (d.flags & res::F_STRONG) {
        QFont f = b->font();
        f.setBold(true);
        b->setFont(f);
      }
      QObject::connect(b, &QPushButton::clicked, ctx, [notify] { notify(kv::Notify::Clicked); });
      w = b;
      break;
    }
    case Ctl::CheckBox: {
      auto* b = new QCheckBox(caption, root_);
      QObject::connect(b, &QCheckBox::clicked, ctx, [notify] { notify(kv::Notify::Clicked); });
      w = b;
      break;
    }
    case Ctl::Edit: {
      auto* e = new QLineEdit(caption, root_);
      if (d.hint) e->setPlaceholderText(QString::fromUtf8(d.hint));
      if (d.flags & res::F_DIGITS)
        e->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), e));
      if (d.flags & res::F_DECIMAL)
        e->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*[.]?[0-9]*"), e));
      if (d.flags & res::F_RIGHT) e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
      if (d.flags & res::F_CENTER) e->setAlignment(Qt::AlignCenter);
      QObject::connect(e, &QLineEdit::textEdited, ctx, [notify] { notify(kv::Notify::Change); });
      e->installEventFilter(new FocusWatcher(*this, id, ctx));
      w = e;
      break;
    }
    case Ctl::MultiEdit: {
      auto* e = new QPlainTextEdit(Displayed(k->text), root_);
      Control* raw = k.get();
      QObject::connect(e, &QPlainTextEdit::textChanged, ctx, [raw, e, notify] {
        QString t = e->toPlainText();
        t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        raw->text = S(t);
        notify(kv::Notify::Change);
      });
      e->installEventFilter(new FocusWatcher(*this, id, ctx));
      w = e;
      break;
    }
    case Ctl::Label: {
      auto* l = new QLabel(caption, root_);
      l->setTextFormat(Qt::PlainText);
      Qt::Alignment a = Qt::AlignVCenter;
      a |= (d.flags & res::F_CENTER) ? Qt::AlignHCenter
                                     : (d.flags & res::F_RIGHT) ? Qt::AlignRight : Qt::AlignLeft;
      l->setAlignment(a);
      if (d.flags & res::F_SUNKEN) {
        l->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        l->setMargin(0);
        l->setIndent(4);
      }
      w = l;
      break;
    }
    case Ctl::Group:
      w = new QGroupBox(caption, root_);
      break;
    case Ctl::ListBox: {
      auto* l = new QListWidget(root_);
      l->setSelectionMode((d.flags & res::F_MULTISEL) ? QAbstractItemView::ExtendedSelection
                                                       : QAbstractItemView::SingleSelection);
      k->sorted = (d.flags & res::F_SORTED) != 0;
      QObject::connect(l, &QListWidget::itemSelectionChanged, ctx,
                       [notify] { notify(kv::Notify::SelChange); });
      w = l;
      break;
    }
    case Ctl::DropList: {
      auto* c = new QComboBox(root_);
      c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
      QObject::connect(c, &QComboBox::activated, ctx, [notify] { notify(kv::Notify::SelChange); });
      w = c;
      break;
    }
    case Ctl::HScroll: {
      auto* s = new QScrollBar(Qt::Horizontal, root_);
      s->setRange(0, 100);
      s->setPageStep(10);
      QObject::connect(s, &QScrollBar::valueChanged, ctx, [notify] { notify(kv::Notify::Scroll); });
      w = s;
      break;
    }
    case Ctl::Tab: {
      auto* t = new QTabWidget(root_);
      QObject::connect(t, &QTabWidget::currentChanged, ctx,
                       [notify] { notify(kv::Notify::SelChange); });
      w = t;
      break;
    }
    case Ctl::Progress: {
      auto* p = new QProgressBar(root_);
      p->setRange(0, 100);
      p->setValue(0);
      p->setTextVisible(false);
      w = p;
      break;
    }
    case Ctl::Frame:
      return;
  }

  QRect r(DluX(d.x), DluY(d.y), DluX(d.w), DluY(d.h));
  if ((d.flags & res::F_FRAME_WIDTH) && surface_) {
    const QRect f = surface_->frame().isEmpty() ? surface_->rect() : surface_->frame();
    r.setLeft(surface_->x() + f.x());
    r.setWidth(f.width());
  }
  if (d.flags & res::F_MONO) {
    QFont f(QStringLiteral("Courier New"), root_->font().pointSize());
    f.setStyleHint(QFont::TypeWriter);
    w->setFont(f);
  }
  w->setGeometry(r);
  w->setObjectName(id >= 0 ? QStringLiteral("ctl%1").arg(id) : QStringLiteral("label"));
  w->setProperty("kvid", id);
  if (d.flags & res::F_HIDDEN) w->hide();
  k->w = w;
  if (d.flags & res::F_READONLY) MakeReadOnly(*k, true);
  if (id >= 0) controls_[id] = std::move(k);
  else labels_.push_back(std::move(k));
}

void QtDialog::MakeReadOnly(Control& k, bool on) {
  k.read_only = on;
  if (auto* e = qobject_cast<QLineEdit*>(k.w)) e->setReadOnly(on);
  else if (auto* e = qobject_cast<QPlainTextEdit*>(k.w)) e->setReadOnly(on);
  else return;
  // A read-only field looks like the window around it, as it always has.
  QPalette pal = k.w->palette();
  pal.setColor(QPalette::Base, on ? pal.color(QPalette::Window)
                                  : root_->palette().color(QPalette::Base));
  k.w->setPalette(pal);
}

// ---- lookup -----------------------------------------------------------------------

QtDialog::Control* QtDialog::find(int id) const {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second.get();
}

QtDialog::Control* QtDialog::need(int id, const char* call) const {
  Control* k = find(id);
  if (!k) UnknownControl(resource_, id, call);
  return k;
}

QWidget* QtDialog::control(int id) const {
  Control* k = find(id);
  return k ? k->w : nullptr;
}

QDialog* QtDialog::qdialog() const { return qobject_cast<QDialog*>(root_.data()); }

// ---- window -----------------------------------------------------------------------

void QtDialog::SetCaption(std::string_view text) {
  caption_ = std::string(text);
  if (root_ && resource_ != ids::DLG_MAIN) root_->setWindowTitle(Q(text));
}

std::string QtDialog::Caption() const { return caption_; }

void QtDialog::Invalidate() {
  if (!root_) return;
  root_->update();
  if (surface_) surface_->update();
}

void QtDialog::PostClose() {
  std::weak_ptr<bool> alive = alive_;
  platform_.Post([this, alive] {
    if (!alive.expired()) CloseRequested();
  });
}

void QtDialog::CloseRequested() {
  if (resource_ == ids::DLG_MAIN) {
    // The main dialog closes with its frame, which asks CanClose.
    if (root_ && root_->window() != root_) root_->window()->close();
    else if (handler_) handler_->OnCloseRequest();
    return;
  }
  if (handler_) handler_->OnCloseRequest();
  else EndDialog(IDCANCEL);
}

void QtDialog::EndDialog(int result) {
  open_ = false;
  result_ = result;
  if (!root_) return;
  if (QDialog* d = qdialog()) {
    d->done(result);   // ends a modal run; hides a modeless window
  } else if (root_->window() != root_) {
    root_->window()->hide();
  }
}

void QtDialog::ShowIfModeless() {
  if (!open_ || modal_ || !root_ || resource_ == ids::DLG_MAIN) return;
  root_->show();
}

int QtDialog::RunModal() {
  QDialog* d = qdialog();
  if (!d || !open_) return result_;
  modal_ = true;
  std::weak_ptr<bool> alive = alive_;
  QTimer::singleShot(0, links_, [this, alive] {
    if (!alive.expired() && open_) platform_.ModalStarted(*this);
  });
  d->setModal(true);
  d->exec();
  modal_ = false;
  open_ = false;
  return result_;
}

void QtDialog::NotifyControl(int id, kv::Notify code) {
  if (!handler_) return;
  handler_->OnControl(id, code);
}

// ---- text and state -----------------------------------------------------------------

void QtDialog::SetText(int id, std::string_view text) {
  Control* k = need(id, __func__);
  QWidget* w = k->w;
  QSignalBlocker block(w);
  switch (k->kind) {
    case Ctl::Edit: {
      auto* e = static_cast<QLineEdit*>(w);
      e->setText(Q(text));
      if (k->read_only) {
        // A long path shows its end (the file name) and, whole, as a tool tip.
        e->setCursorPosition(static_cast<int>(e->text().size()));
        e->setToolTip(text.size() > 20 ? Q(text) : QString());
      }
      break;
    }
    case Ctl::MultiEdit: {
      k->text = Cut(std::string(text), k->limit);
      auto* e = static_cast<QPlainTextEdit*>(w);
      e->setPlainText(Displayed(k->text));
      e->moveCursor(QTextCursor::End);
      e->ensureCursorVisible();
      break;
    }
    case Ctl::Label:
      k->text = std::string(text);
      static_cast<QLabel*>(w)->setText(Q(text));
      break;
    case Ctl::Button:
    case Ctl::DefButton:
    case Ctl::CheckBox:
      k->text = std::string(text);
      static_cast<QAbstractButton*>(w)->setText(Q(text));
      break;
    case Ctl::Group:
      k->text = std::string(text);
      static_cast<QGroupBox*>(w)->setTitle(Q(text));
      break;
    case Ctl::DropList: {
      auto* c = static_cast<QComboBox*>(w);
      int i = FindExact(id, text);
      if (i >= 0) c->setCurrentIndex(i);
      break;
    }
    default:
      k->text = std::string(text);
      break;
  }
}

std::string QtDialog::GetText(int id, int max_chars) const {
  Control* k = need(id, __func__);
  switch (k->kind) {
    case Ctl::Edit:
      return Cut(S(static_cast<QLineEdit*>(k->w)->text()), max_chars);
    case Ctl::DropList: {
      auto* c = static_cast<QComboBox*>(k->w);
      return Cut(c->currentIndex() >= 0 ? ItemText(id, c->currentIndex()) : std::string(), max_chars);
    }
    case Ctl::ListBox:
    case Ctl::Tab:
    case Ctl::HScroll:
    case Ctl::Progress:
    case Ctl::Frame:
      return {};
    default:
      return Cut(k->text, max_chars);
  }
}

void QtDialog::SetTextLimit(int id, int limit) {
  Control* k = need(id, __func__);
  k->limit = limit;
  if (auto* e = qobject_cast<QLineEdit*>(k->w)) e->setMaxLength(limit > 0 ? limit : 32767);
}

void QtDialog::Enable(int id, bool on) {
  Control* k = need(id, __func__);
  k->w->setEnabled(on);
}

bool QtDialog::IsEnabled(int id) const {
  Control* k = need(id, __func__);
  return k->w->isEnabledTo(root_);
}

void QtDialog::SetReadOnly(int id, bool on) {
  Control* k = need(id, __func__);
  if (k->read_only != on) MakeReadOnly(*k, on);
}

bool QtDialog::IsReadOnly(int id) const {
  Control* k = need(id, __func__);
  return k->read_only;
}

void QtDialog::Show(int id, bool on) {
  Control* k = need(id, __func__);
  k->w->setVisible(on);
}

bool QtDialog::IsVisible(int id) const {
  Control* k = need(id, __func__);
  return !k->w->isHidden();
}

void QtDialog::Check(int id, bool on) {
  Control* k = need(id, __func__);
  if (auto* b = qobject_cast<QAbstractButton*>(k->w)) {
    QSignalBlocker block(b);
    b->setChecked(on);
  }
}

bool QtDialog::IsChecked(int id) const {
  Control* k = need(id, __func__);
  auto* b = qobject_cast<QAbstractButton*>(k->w);
  return b && b->isChecked();
}

// ---- lists ----------------------------------------------------------------------------

void QtDialog::ClearList(int id) {
  Control* k = need(id, __func__);
  QSignalBlocker block(k->w);
  if (auto* l = qobject_cast<QListWidget*>(k->w)) l->clear();
  else if (auto* c = qobject_cast<QComboBox*>(k->w)) c->clear();
  else if (auto* t = qobject_cast<QTabWidget*>(k->w)) {
    while (t->count() > 0) {
      QWidget* page = t->widget(0);
      t->removeTab(0);
      delete page;
    }
  }
}

int QtDialog::AddItem(int id, std::string_view text, long data) {
  Control* k = need(id, __func__);
  int index = ItemCount(id);
  if (k->sorted) {
    // Byte order, as the headless face sorts, so both give the same indexes.
    index = 0;
    const int n = ItemCount(id);
    while (index < n && ItemText(id, index) <= text) ++index;
  }
  return InsertItem(id, index, text, data);
}

int QtDialog::InsertItem(int id, int index, std::string_view text, long data) {
  Control* k = need(id, __func__);
  const int n = ItemCount(id);
  if (index < 0 || index > n) index = n;
  QSignalBlocker block(k->w);
  const QByteArray raw(text.data(), static_cast<qsizetype>(text.size()));
  if (auto* l = qobject_cast<QListWidget*>(k->w)) {
    auto* item = new QListWidgetItem(Q(text));
    item->setData(kDataRole, QVariant::fromValue<qlonglong>(data));
    item->setData(kRawRole, raw);
    l->insertItem(index, item);
  } else if (auto* c = qobject_cast<QComboBox*>(k->w)) {
    const int current = c->currentIndex();
    c->insertItem(index, Q(text));
    c->setItemData(index, QVariant::fromValue<qlonglong>(data), kDataRole);
    c->setItemData(index, raw, kRawRole);
    // A drop-down list keeps its selection (or lack of one) when items come in.
    c->setCurrentIndex(current < 0 ? -1 : (current >= index ? current + 1 : current));
  } else if (auto* t = qobject_cast<QTabWidget*>(k->w)) {
    auto* page = new QWidget();
    page->setProperty("kvraw", raw);
    page->setProperty("kvdata", QVariant::fromValue<qlonglong>(data));
    t->insertTab(index, page, Q(text));
  } else {
    return -1;
  }
  return index;
}

void QtDialog::DeleteItem(int id, int index) {
  Control* k = need(id, __func__);
  if (index < 0 || index >= ItemCount(id)) return;
  QSignalBlocker block(k->w);
  if (auto* l = qobject_cast<QListWidget*>(k->w)) delete l->takeItem(index);
  else if (auto* c = qobject_cast<QComboBox*>(k->w)) c->removeItem(index);
  else if (auto* t = qobject_cast<QTabWidget*>(k->w)) {
    QWidget* page = t->widget(index);
    t->removeTab(index);
    delete page;
  }
}

int QtDialog::ItemCount(int id) const {
  Control* k = need(id, __func__);
  if (auto* l = qobject_cast<QListWidget*>(k->w)) return l->count();
  if (auto* c = qobject_cast<QComboBox*>(k->w)) return c->count();
  if (auto* t = qobject_cast<QTabWidget*>(k->w)) return t->count();
  return 0;
}

std::string QtDialog::ItemText(int id, int index) const {
  Control* k = need(id, __func__);
  if (index < 0 || index >= ItemCount(id)) return {};
  if (auto* l = qobject_cast<QListWidget*>(k->w)) return l->item(index)->data(kRawRole).toByteArray().toStdString();
  if (auto* c = qobject_cast<QComboBox*>(k->w)) return c->itemData(index, kRawRole).toByteArray().toStdString();
  if (auto* t = qobject_cast<QTabWidget*>(k->w)) return t->widget(index)->property("kvraw").toByteArray().toStdString();
  return {};
}

long QtDialog::ItemData(int id, int index) const {
  Control* k = need(id, __func__);
  if (index < 0 || index >= ItemCount(id)) return -1;
  if (auto* l = qobject_cast<QListWidget*>(k->w)) return static_cast<long>(l->item(index)->data(kDataRole).toLongLong());
  if (auto* c = qobject_cast<QComboBox*>(k->w)) return static_cast<long>(c->itemData(index, kDataRole).toLongLong());
  if (auto* t = qobject_cast<QTabWidget*>(k->w)) return static_cast<long>(t->widget(index)->property("kvdata").toLongLong());
  return -1;
}

int QtDialog::FindExact(int id, std::string_view text) const {
  need(id, __func__);
  const int n = ItemCount(id);
  for (int i = 0; i < n; ++i)
    if (ItemText(id, i) == text) return i;
  return -1;
}

void QtDialog::SetSorted(int id, bool sorted) {
  Control* k = need(id, __func__);
  k->sorted = sorted;
}

void QtDialog::SetMultiSelect(int id, bool multi) {
  Control* k = need(id, __func__);
  if (auto* l = qobject_cast<QListWidget*>(k->w))
    l->setSelectionMode(multi ? QAbstractItemView::ExtendedSelection
                              : QAbstractItemView::SingleSelection);
}

int QtDialog::GetSel(int id) const {
  Control* k = need(id, __func__);
  if (auto* l = qobject_cast<QListWidget*>(k->w)) {
    if (l->selectionMode() != QAbstractItemView::SingleSelection) return l->currentRow();
    const auto sel = l->selectedItems();
    return sel.isEmpty() ? -1 : l->row(sel.first());
  }
  if (auto* c = qobject_cast<QComboBox*>(k->w)) return c->currentIndex();
  if (auto* t = qobject_cast<QTabWidget*>(k->w)) return t->currentIndex();
  return -1;
}

void QtDialog::SetSel(int id, int index) {
  Control* k = need(id, __func__);
  QSignalBlocker block(k->w);
  const bool valid = index >= 0 && index < ItemCount(id);
  if (auto* l = qobject_cast<QListWidget*>(k->w)) {
    QSignalBlocker block_model(l->selectionModel());
    if (l->selectionMode() != QAbstractItemView::SingleSelection) {
      if (valid) l->setCurrentRow(index, QItemSelectionModel::NoUpdate);
    } else if (valid) {
      l->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    } else {
      l->clearSelection();
      l->setCurrentRow(-1);
    }
    l->viewport()->update();
  } else if (auto* c = qobject_cast<QComboBox*>(k->w)) {
    c->setCurrentIndex(valid ? index : -1);
  } else if (auto* t = qobject_cast<QTabWidget*>(k->w)) {
    if (valid) t->setCurrentIndex(index);
  }
}

bool QtDialog::IsSelected(int id, int index) const {
  Control* k = need(id, __func__);
  if (index < 0 || index >= ItemCount(id)) return false;
  if (auto* l = qobject_cast<QListWidget*>(k->w)) return l->item(index)->isSelected();
  return GetSel(id) == index;
}

void QtDialog::SelectItem(int id, int index, bool on) {
  Control* k = need(id, __func__);
  if (index < 0 || index >= ItemCount(id)) return;
  if (auto* l = qobject_cast<QListWidget*>(k->w)) {
    QSignalBlocker block(l);
    QSignalBlocker block_model(l->selectionModel());
    if (l->selectionMode() == QAbstractItemView::SingleSelection) {
      if (on) l->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
      else if (l->item(index)->isSelected()) l->clearSelection();
    } else {
      l->item(index)->setSelected(on);
    }
    l->viewport()->update();
  } else if (on) {
    SetSel(id, index);
  }
}

std::vector<int> QtDialog::SelectedItems(int id) const {
  Control* k = need(id, __func__);
  std::vector<int> out;
  if (auto* l = qobject_cast<QListWidget*>(k->w)) {
    for (int i = 0; i < l->count(); ++i)
      if (l->item(i)->isSelected()) out.push_back(i);
  } else if (int s = GetSel(id); s >= 0) {
    out.push_back(s);
  }
  return out;
}

int QtDialog::GetCaret(int id) const {
  Control* k = need(id, __func__);
  if (auto* l = qobject_cast<QListWidget*>(k->w)) return std::max(0, l->currentRow());
  return std::max(0, GetSel(id));
}

void QtDialog::SetCaret(int id, int index) {
  Control* k = need(id, __func__);
  if (auto* l = qobject_cast<QListWidget*>(k->w)) {
    QSignalBlocker block(l);
    QSignalBlocker block_model(l->selectionModel());
    if (index >= 0 && index < l->count()) l->setCurrentRow(index, QItemSelectionModel::NoUpdate);
  }
}

int QtDialog::GetTopIndex(int id) const {
  Control* k = need(id, __func__);
  if (auto* l = qobject_cast<QListWidget*>(k->w)) {
    QListWidgetItem* top = l->itemAt(QPoint(2, 2));
    return top ? l->row(top) : 0;
  }
  return 0;
}

void QtDialog::SetTopIndex(int id, int index) {
  Control* k = need(id, __func__);
  if (auto* l = qobject_cast<QListWidget*>(k->w))
    if (index >= 0 && index < l->count()) l->scrollToItem(l->item(index), QAbstractItemView::PositionAtTop);
}

// ---- scroll bars and progress bars ------------------------------------------------------

void QtDialog::SetScrollRange(int id, int min, int max) {
  Control* k = need(id, __func__);
  k->smin = min;
  k->smax = max;
  if (auto* s = qobject_cast<QScrollBar*>(k->w)) {
    QSignalBlocker block(s);
    s->setRange(std::min(min, max), std::max(min, max));
  }
}

void QtDialog::GetScrollRange(int id, int& min, int& max) const {
  Control* k = need(id, __func__);
  min = k->smin;
  max = k->smax;
}

void QtDialog::SetScrollPos(int id, int pos) {
  Control* k = need(id, __func__);
  if (auto* s = qobject_cast<QScrollBar*>(k->w)) {
    QSignalBlocker block(s);
    s->setValue(pos);
  }
}

int QtDialog::GetScrollPos(int id) const {
  Control* k = need(id, __func__);
  auto* s = qobject_cast<QScrollBar*>(k->w);
  return s ? s->value() : 0;
}

void QtDialog::SetRange(int id, int min, int max) {
  Control* k = need(id, __func__);
  if (auto* p = qobject_cast<QProgressBar*>(k->w)) p->setRange(std::min(min, max), std::max(min, max));
}

void QtDialog::SetValue(int id, int value) {
  Control* k = need(id, __func__);
  if (auto* p = qobject_cast<QProgressBar*>(k->w)) p->setValue(std::clamp(value, p->minimum(), p->maximum()));
}

int QtDialog::GetValue(int id) const {
  Control* k = need(id, __func__);
  auto* p = qobject_cast<QProgressBar*>(k->w);
  return p ? p->value() : 0;
}

}  // namespace kv
