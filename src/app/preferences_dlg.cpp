#include "app/preferences_dlg.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "app/options.h"
#include "resources/ids.h"
#include "util/text.h"

namespace kv {

namespace {

// The controls of each tab, shown and enabled only while their tab is chosen.
constexpr int kInternetPage[] = {ids::IDC_PR_USE_PROXY,   ids::IDC_PR_PROXY_GROUP,
                                 ids::IDC_PR_PROXY_NAME,  ids::IDC_PR_PROXY_PORT,
                                 ids::IDC_PR_PORT_LABEL,  ids::IDC_PR_DALL_START,
                                 ids::IDC_PR_D_KVN,       ids::IDC_PR_INET_Q,
                                 ids::IDC_PR_QUOTE_URL_LABEL, ids::IDC_PR_QUOTE_URL};
constexpr int kInvestFirst = ids::IDC_PR_CURRENCY;   // 109 ... 121
constexpr int kInvestLast = ids::IDC_PR_INITIAL;
constexpr int kBatchPage[] = {ids::IDC_PR_BATCH_JOBS_LABEL, ids::IDC_PR_BATCH_JOBS};
// Each model of a batch run with several at once is a process of its own;
// more than this many would only make them wait for the processor.
constexpr int kMaxBatchJobs = 256;

constexpr int kEdits[] = {ids::IDC_PR_PROXY_NAME, ids::IDC_PR_PROXY_PORT, ids::IDC_PR_CURRENCY,
                          ids::IDC_PR_INITIAL,    ids::IDC_PR_FEE,        ids::IDC_PR_FPSHARE,
                          ids::IDC_PR_COM,        ids::IDC_PR_QOVER,
                          ids::IDC_PR_BATCH_JOBS};

// A pasted address often brings blanks along; they are no part of it.
std::string Trimmed(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

int ClampToInt(long long v) {
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

}  // namespace

std::string ExactFloatText(float value) {
  if (!std::isfinite(value)) return Format("%g", static_cast<double>(value));
  for (int decimals = 0; decimals <= 9; ++decimals) {
    std::string text = Format("%.*f", decimals, static_cast<double>(value));
    if (std::strtof(text.c_str(), nullptr) == value) return text;
  }
  return Format("%.9g", static_cast<double>(value));
}

TOptionsDlg::TOptionsDlg(Dialog* parent)
    : dlg_(plat().CreateDialog(ids::DLG_PREFERENCES, parent)) {
  dlg_->SetHandler(this);
}

TOptionsDlg::~TOptionsDlg() {
  if (dlg_ && dlg_->Handler() == this) dlg_->SetHandler(nullptr);
}

int TOptionsDlg::Execute() {
  SetupWindow();
  return plat().RunModal(*dlg_);
}

void TOptionsDlg::SetupWindow() {
  Dialog& d = *dlg_;
  for (int id : kEdits) d.SetTextLimit(id, 255);
  d.SetTextLimit(ids::IDC_PR_QUOTE_URL, 511);  // what a kv.dat text holds
  if (theOptions) {
    Options& o = *theOptions;
    d.SetText(ids::IDC_PR_PROXY_NAME, o.cGetOption("proxy_name"));
    d.SetText(ids::IDC_PR_PROXY_PORT, Format("%d", o.iGetOption("proxy_port")));
    d.Check(ids::IDC_PR_USE_PROXY, o.iGetOption("use_proxy") != 0);
    d.Check(ids::IDC_PR_DALL_START, o.iGetOption("inet_dall_start") != 0);
    d.Check(ids::IDC_PR_D_KVN, o.iGetOption("inet_d_kvn") != 0);
    d.Check(ids::IDC_PR_INET_Q, o.iGetOption("inet_q") != 0);
    d.SetText(ids::IDC_PR_QUOTE_URL, o.cGetOption("quote_url"));
    d.SetText(ids::IDC_PR_CURRENCY, o.cGetOption("inv_currency"));
    // The money figures are shown exactly as stored, so that OK with nothing
    // changed stores them unchanged (a fee of 0.02 per share stays 0.02, a
    // commission of 0.26 % stays 0.26).
    d.SetText(ids::IDC_PR_FPSHARE, ExactFloatText(o.fGetOption("inv_broker_fpshare")));
    d.SetText(ids::IDC_PR_INITIAL, ExactFloatText(o.fGetOption("inv_initial")));
    d.SetText(ids::IDC_PR_FEE, ExactFloatText(o.fGetOption("inv_broker_fee")));
    d.SetText(ids::IDC_PR_QOVER, Format("%d", o.iGetOption("inv_broker_q_over")));
    d.SetText(ids::IDC_PR_COM, ExactFloatText(o.fGetOption("inv_broker_com")));
    d.SetText(ids::IDC_PR_BATCH_JOBS,
              Format("%d", std::clamp(o.iGetOption("batch_jobs"), 1, kMaxBatchJobs)));
  }
  CHECKPROXY_BNClicked();
  d.ClearList(ids::IDC_PR_TAB);
  d.AddItem(ids::IDC_PR_TAB, "Internet");
  d.AddItem(ids::IDC_PR_TAB, "Invest");
  d.AddItem(ids::IDC_PR_TAB, "Batch");
  d.SetSel(ids::IDC_PR_TAB, 0);
  // The window comes with the Invest controls hidden: the Internet page shows.
}

void TOptionsDlg::TAB1_TCNSelchange() {
  Dialog& d = *dlg_;
  const int page = d.GetSel(ids::IDC_PR_TAB);
  for (int id : kInternetPage) {
    d.Show(id, page == 0);
    d.Enable(id, page == 0);
  }
  for (int id = kInvestFirst; id <= kInvestLast; ++id) {
    d.Show(id, page == 1);
    d.Enable(id, page == 1);
  }
  for (int id : kBatchPage) {
    d.Show(id, page == 2);
    d.Enable(id, page == 2);
  }
  // Coming back to the Internet page must not wake the proxy fields while
  // "Use Proxy" is off.
  if (page == 0) CHECKPROXY_BNClicked();
}

void TOptionsDlg::CHECKPROXY_BNClicked() {
  const bool on = dlg_->IsChecked(ids::IDC_PR_USE_PROXY);
  dlg_->Enable(ids::IDC_PR_PROXY_NAME, on);
  dlg_->Enable(ids::IDC_PR_PROXY_PORT, on);
}

void TOptionsDlg::OK_BNClicked() {
  Dialog& d = *dlg_;
  if (theOptions) {
    Options& o = *theOptions;
    o.SetOption("proxy_name", d.GetText(ids::IDC_PR_PROXY_NAME, 249).c_str());
    o.SetOption("proxy_port", ClampToInt(LeadingInt(d.GetText(ids::IDC_PR_PROXY_PORT, 4))));
    o.SetOption("use_proxy", d.IsChecked(ids::IDC_PR_USE_PROXY) ? 1 : 0);
    o.SetOption("inet_dall_start", d.IsChecked(ids::IDC_PR_DALL_START) ? 1 : 0);
    o.SetOption("inet_d_kvn", d.IsChecked(ids::IDC_PR_D_KVN) ? 1 : 0);
    o.SetOption("inet_q", d.IsChecked(ids::IDC_PR_INET_Q) ? 1 : 0);
    o.SetOption("quote_url", Trimmed(d.GetText(ids::IDC_PR_QUOTE_URL, 511)).c_str());
    o.SetOption("inv_currency", d.GetText(ids::IDC_PR_CURRENCY, 3).c_str());
    auto real = [&](int id, int max_chars) {
      return static_cast<float>(LeadingDouble(d.GetText(id, max_chars)));
    };
    o.SetOption("inv_initial", real(ids::IDC_PR_INITIAL, 14));
    o.SetOption("inv_broker_fee", real(ids::IDC_PR_FEE, 14));
    o.SetOption("inv_broker_com", real(ids::IDC_PR_COM, 12));
    o.SetOption("inv_broker_fpshare", real(ids::IDC_PR_FPSHARE, 14));
    o.SetOption("inv_broker_q_over", ClampToInt(LeadingInt(d.GetText(ids::IDC_PR_QOVER, 14))));
    o.SetOption("batch_jobs", static_cast<int>(std::clamp<long long>(
                                  LeadingInt(d.GetText(ids::IDC_PR_BATCH_JOBS, 6)), 1, kMaxBatchJobs)));
    std::string why;
    if (!o.SaveOptions(&why))
      plat().MessageBox("The preferences could not be saved:\n" + why +
                            "\nThey stay in force until the program ends.",
                        "File Error", MB_OK | MB_ICONEXCLAMATION);
  }
  saved_ = true;
  d.PostClose();
}

void TOptionsDlg::Cancel() { dlg_->EndDialog(IDCANCEL); }

void TOptionsDlg::OnControl(int id, Notify code) {
  switch (code) {
    case Notify::Clicked:
      if (id == ids::IDC_PR_OK) OK_BNClicked();
      else if (id == ids::IDC_PR_CANCEL) Cancel();
      else if (id == ids::IDC_PR_USE_PROXY) CHECKPROXY_BNClicked();
      break;
    case Notify::SelChange:
      if (id == ids::IDC_PR_TAB) TAB1_TCNSelchange();
      break;
    case Notify::Change:
      if (id == ids::IDC_PR_COM) ENChange_2COMM();
      break;
    default:
      break;
  }
}

void TOptionsDlg::OnCloseRequest() { dlg_->EndDialog(saved_ ? IDOK : IDCANCEL); }

}  // namespace kv
