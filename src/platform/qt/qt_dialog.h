// A dialog of the Qt face: real widgets built from the dialog's layout table,
// each addressed by its numeric id, telling its handler what the user does.
//
// What the program sets (texts, selections, scroll positions) never notifies
// the handler; only the user's own actions do, as in the headless face.
#pragma once

#include <QPointer>
#include <QWidget>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "resources/dialogs.h"

class QDialog;

namespace kv {

class QtPlatform;
class PaintSurface;

class QtDialog final : public Dialog {
 public:
  // Builds the window of a dialog resource. A parent dialog's window becomes
  // the Qt parent, so the new window stays above it. The main dialog
  // (ids::DLG_MAIN) is a plain widget that the frame window embeds; every
  // other resource is a top-level QDialog.
  QtDialog(QtPlatform& platform, int resource_id, QtDialog* parent);
  ~QtDialog() override;

  void SetHandler(WindowHandler* h) override { handler_ = h; }
  WindowHandler* Handler() const override { return handler_; }
  int ResourceId() const override { return resource_; }

  void SetCaption(std::string_view text) override;
  std::string Caption() const override;
  void Invalidate() override;
  void PostClose() override;
  bool IsOpen() const override { return open_; }
  void EndDialog(int result) override;

  void SetText(int id, std::string_view text) override;
  std::string GetText(int id, int max_chars = -1) const override;
  void SetTextLimit(int id, int limit) override;
  void Enable(int id, bool on) override;
  bool IsEnabled(int id) const override;
  void SetReadOnly(int id, bool on) override;
  bool IsReadOnly(int id) const override;
  void Show(int id, bool on) override;
  bool IsVisible(int id) const override;
  void Check(int id, bool on) override;
  bool IsChecked(int id) const override;

  void ClearList(int id) override;
  int AddItem(int id, std::string_view text, long data = 0) override;
  int InsertItem(int id, int index, std::string_view text, long data = 0) override;
  void DeleteItem(int id, int index) override;
  int ItemCount(int id) const override;
  std::string ItemText(int id, int index) const override;
  long ItemData(int id, int index) const override;
  int FindExact(int id, std::string_view text) const override;
  void SetSorted(int id, bool sorted) override;
  void SetMultiSelect(int id, bool multi) override;
  int GetSel(int id) const override;
  void SetSel(int id, int index) override;
  bool IsSelected(int id, int index) const override;
  void SelectItem(int id, int index, bool on) override;
  std::vector<int> SelectedItems(int id) const override;
  int GetCaret(int id) const override;
  void SetCaret(int id, int index) override;
  int GetTopIndex(int id) const override;
  void SetTopIndex(int id, int index) override;

  void SetScrollRange(int id, int min, int max) override;
  void GetScrollRange(int id, int& min, int& max) const override;
  void SetScrollPos(int id, int pos) override;
  int GetScrollPos(int id) const override;
  void SetRange(int id, int min, int max) override;
  void SetValue(int id, int value) override;
  int GetValue(int id) const override;

  // ---- the Qt side ----
  QWidget* widget() const { return root_; }
  QDialog* qdialog() const;              // nullptr for the main dialog
  QWidget* control(int id) const;        // nullptr when the layout has no such control (no error)
  PaintSurface* surface() const { return surface_; }
  // Pixels of a length in dialog units, across and down.
  int DluX(int dlu) const { return (dlu * base_x_ + 2) / 4; }
  int DluY(int dlu) const { return (dlu * base_y_ + 4) / 8; }

  // Runs the window modally until EndDialog; returns its result.
  int RunModal();
  // The window's close box, Escape, or a posted close request: the handler
  // hears of it; a window without a handler closes at once.
  void CloseRequested();
  // Called by the controls' signal connections.
  void NotifyControl(int id, kv::Notify code);
  // Shows a modeless window unless it is being run modally or was closed.
  void ShowIfModeless();

 private:
  struct Control;
  Control* find(int id) const;
  // The control of that id; an id the layout lacks ends the program.
  Control* need(int id, const char* call) const;
  void Build(const res::DialogDef& def);
  void BuildControl(const res::ControlDef& def);
  void MakeReadOnly(Control& k, bool on);
  void AddListItem(Control& k, int index, std::string_view text, long data);

  QtPlatform& platform_;
  int resource_;
  std::string caption_;
  WindowHandler* handler_ = nullptr;
  QPointer<QWidget> root_;
  QObject* links_ = nullptr;      // context of every signal connection; dies with us
  PaintSurface* surface_ = nullptr;
  bool open_ = true;
  bool modal_ = false;
  int result_ = IDCANCEL;
  int base_x_ = 6, base_y_ = 13;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  mutable std::map<int, std::unique_ptr<Control>> controls_;
  std::vector<std::unique_ptr<Control>> labels_;   // controls without an id
};

}  // namespace kv
