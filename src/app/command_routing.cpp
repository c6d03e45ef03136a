// Routes the main dialog's control notifications and menu commands to their
// handlers, and answers the menu's enable and check state. The Qt face and
// the tests reach every handler through these three entry points.
#include "model/main_dlg.h"
#include "model/walk_forward_model.h"
#include "resources/ids.h"

namespace kv {
namespace {

constexpr int kStrategyCommands[8] = {ids::CM_STRATEGY0, ids::CM_STRATEGY1, ids::CM_STRATEGY2,
                                      ids::CM_STRATEGY3, ids::CM_STRATEGY4, ids::CM_STRATEGY5,
                                      ids::CM_STRATEGY6, ids::CM_STRATEGY7};

int StrategyOfCommand(int id) {
  for (int n = 0; n < 8; ++n)
    if (kStrategyCommands[n] == id) return n;
  return -1;
}

// The Training menu items mirror their buttons.
int ButtonOfTrainingCommand(int id) {
  switch (id) {
    case ids::CM_TRAIN: return ids::IDC_TRAIN;
    case ids::CM_FORGET: return ids::IDC_FORGET;
    case ids::CM_STOP: return ids::IDC_STOP;
    case ids::CM_PREDICT: return ids::IDC_PREDICT;
  }
  return 0;
}

}  // namespace

void TMainDlg::OnControl(int id, Notify code) {
  switch (code) {
    case Notify::Clicked:
      switch (id) {
        case ids::IDC_TRAIN: B1_BNClicked(); break;
        case ids::IDC_STOP: STOP_BNClicked(); break;
        case ids::IDC_FORGET: INITIALIZE_BNClicked(); break;
        case ids::IDC_PREDICT: PREDICT_BNClicked(); break;
        case ids::IDC_BROWSE: TICKER_BROWSE_BNClicked(); break;
        case ids::IDC_ADD: TICKER_ADD_BNClicked(); break;
        case ids::IDC_DEL: TICKER_DEL_BNClicked(); break;
        case ids::IDC_MOD: TICKER_UPDATE_BNClicked(); break;
        case ids::IDC_PRICE: TICKER_PRICE_BNClicked(); break;
        case ids::IDC_VOLUME: TICKER_VOLUME_BNClicked(); break;
        case ids::IDC_LONG: TICKER_LONG_PRICE_BNClicked(); break;
        case ids::IDC_SHORT: TICKER_SHORT_PRICE_BNClicked(); break;
        case ids::IDC_REP: REPORT_BNClicked(); break;
        case ids::IDC_STATS: STATS_BNClicked(); break;
        case ids::IDC_DOWNLOAD: DOWNLOAD_BNClicked(); break;
      }
      break;
    case Notify::KillFocus:
      switch (id) {
        case ids::IDC_NEURONS: XMATRIX_ENKillfocus(); break;
        case ids::IDC_INFL_PERIOD: STOCKPOINTS_ENKillfocus(); break;
        case ids::IDC_SYMBOL: TICKER_SYMB_ENKillfocus(); break;
      }
      break;
    case Notify::SelChange:
      switch (id) {
        case ids::IDC_TICKER_LIST: TICKER_LIST_LBNSelChange(); break;
        case ids::IDC_TRAIN_START: COMBOBOX1_BNSelChange(); break;
        case ids::IDC_TRAIN_END: COMBOBOX2_BNSelChange(); break;
      }
      break;
    case Notify::Scroll:
      if (id == ids::IDC_SCROLL) EvScroll1();
      break;
    case Notify::Change:
      break;
  }
}

void TMainDlg::OnCommand(int id) {
  // A menu item runs only while its enabler allows it, whoever sends it.
  CommandEnabler ce;
  ce.id = id;
  QueryCommand(ce);
  if (!ce.enabled) return;

  if (int button = ButtonOfTrainingCommand(id)) {
    OnControl(button, Notify::Clicked);
    return;
  }
  if (int n = StrategyOfCommand(id); n >= 0) {
    if (n == 7) CmStrategyitem7();
    else CmStrategyitem(n);
    return;
  }
  if (id >= ids::CM_ZOOM1 && id < ids::CM_ZOOM1 + 5) {
    CmZoom(id - ids::CM_ZOOM1 + 1);
    return;
  }
  switch (id) {
    case ids::CM_FILENEW: CmFilenew(); break;
    case ids::CM_FILEOPEN: CmFileopen(); break;
    case ids::CM_REREAD_STOCKS: CmOpen_stock(); break;
    case ids::CM_FILESAVE: CmFilesave(); break;
    case ids::CM_FILESAVEAS: CmFilesaveas(); break;
    case ids::CM_BATCH_RUN: CmBatchrun(); break;
    case ids::CM_BATCH_CREATE: CmBatchcreatenewbatchfile3(); break;
    case ids::CM_BATCH_ADD: CmBatchaddthisstocktobatch3(); break;
    case ids::CM_BATCH_VIEW: CmBatchviewres(); break;
    case ids::CM_BATCH_STOP: CmBatchstop(); break;
    case ids::CM_BATCH_EDIT: CmBatchedit(); break;
    case ids::CM_OPT_BACKPROP: CmTrainitem_backprop(); break;
    case ids::CM_OPT_ANNEALING: CmPopupitem_annealing(); break;
    case ids::CM_OPT_GENETIC: CmOptiongenetic(); break;
    case ids::CM_OPT_AUTOSAVE: CmOptions_auto_save(); break;
    case ids::CM_OPT_ADJUST_NEURONS: CmOptions_adjust_neurons(); break;
    case ids::CM_OPT_PREFERENCES: CmPreferences(); break;
    case ids::CM_PREDICT_PROB: CmPredictprob(); break;
    case ids::CM_PREDICT_PERCENT: CmPredictpercent(); break;
    case ids::CM_PROJECTIONS: CmPopupprojections(); break;
    case ids::CM_WALKFORWARD: WalkForwardCommand(*this); break;
    case ids::CM_HELP_CONTENT: CmHelpcontent(); break;
    case ids::CM_HELP_HOME: CmHelphomepage(); break;
    case ids::CM_HELP_ABOUT: CmHelpabout(); break;
    default: break;  // Exit belongs to the frame; F3 and the Edit items do nothing
  }
}

void TMainDlg::QueryCommand(CommandEnabler& ce) {
  ce.enabled = true;
  ce.checked = false;
  if (int button = ButtonOfTrainingCommand(ce.id)) {
    ce.Enable(dlg.IsEnabled(button));
    return;
  }
  if (int n = StrategyOfCommand(ce.id); n >= 0) {
    CeStrategyitem(n, ce);
    return;
  }
  if (ce.id >= ids::CM_ZOOM1 && ce.id < ids::CM_ZOOM1 + 5) {
    CeZoom(ce.id - ids::CM_ZOOM1 + 1, ce);
    return;
  }
  switch (ce.id) {
    case ids::CM_FILESAVE: CeFilesave(ce); break;
    case ids::CM_FILESAVEAS: CeFilesaveas(ce); break;
    case ids::CM_EDIT_UNDO:
    case ids::CM_EDIT_CUT:
    case ids::CM_EDIT_COPY:
    case ids::CM_EDIT_PASTE:
    case ids::CM_EDIT_CLEAR_ALL:
    case ids::CM_EDIT_DELETE:
      ce.Enable(false);
      break;
    case ids::CM_BATCH_RUN: CeBatchrun(ce); break;
    case ids::CM_BATCH_CREATE: CeBatchcreatenewbatchfile3(ce); break;
    case ids::CM_BATCH_ADD: CeBatchaddthisstocktobatch3(ce); break;
    case ids::CM_BATCH_VIEW: CeBatchviewres(ce); break;
    case ids::CM_BATCH_STOP: CeBatchstop(ce); break;
    case ids::CM_BATCH_EDIT: CeBatchedit(ce); break;
    case ids::CM_OPT_BACKPROP: CeTrainitem_backprop(ce); break;
    case ids::CM_OPT_ANNEALING: CePopupitem_annealing(ce); break;
    case ids::CM_OPT_GENETIC: CeOptiongenetic(ce); break;
    case ids::CM_OPT_AUTOSAVE: CeOptions_auto_save(ce); break;
    case ids::CM_OPT_ADJUST_NEURONS: CeOptions_adjust_neurons(ce); break;
    case ids::CM_PREDICT_PROB: CePredictprob(ce); break;
    case ids::CM_PREDICT_PERCENT: CePredictpercent(ce); break;
    case ids::CM_WALKFORWARD: ce.Enable(WalkForwardCommandEnabled(*this)); break;
    default: break;  // always enabled, never checked
  }
}

}  // namespace kv
