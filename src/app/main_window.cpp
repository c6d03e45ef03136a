// The main dialog's own set-up: defaults of the model, the controls' first
// state and the start-up timer.
#include "app/options.h"
#include "model/main_dlg.h"
#include "resources/ids.h"

namespace kv {

void TMainDlg::EvInitDialog() {
  if (theOptions) theOptions->ApplyOptions();

  // Model and chart defaults. x_matrix has no start-up value of its own in the
  // file format; a new model starts with 4 hidden neurons and grows as it trains.
  net.x_matrix = 4;
  y_matrix = 1;
  net.out_nodes = 2;
  net.in_nodes = 0;
  nh_synapsis = 4;
  threshold = 1.0f;
  points_stock = 10;
  day_increm = 1;
  eval_days = 140;
  keepout_days = 10;
  net.learn_rate = 0.01f;
  net.momentum = 0.9f;
  Strategy = 3;
  PredicMode = 0;
  zoom = 2;
  DoBackProp = true;
  DoAnnealing = true;
  DoGenetic = false;
  AutoSave = false;
  AutoIncNeu = true;
  TimeTrained = 0;

  for (int id : {ids::IDC_TRAIN, ids::IDC_FORGET, ids::IDC_PREDICT, ids::IDC_ADD, ids::IDC_DEL,
                 ids::IDC_MOD})
    dlg.Enable(id, true);
  dlg.Enable(ids::IDC_STOP, false);
  dlg.SetReadOnly(ids::IDC_CYCLE, true);
  dlg.SetReadOnly(ids::IDC_FILENAME, true);
  for (int id : {ids::IDC_MODEL_PATH, ids::IDC_TIME_TRAINED, ids::IDC_TRADES, ids::IDC_INITIAL,
                 ids::IDC_MARKET, ids::IDC_STRATEGY_VALUE})
    dlg.SetReadOnly(id, true);
  SetStatus("Kestrivane   ");
  untitled = true;
  modified = false;

  CmFilenew();
  help_open = false;
  batch_running = false;

  plat().SetTimer(this, ids::TIMER_STARTUP, 1000);
  dlg.Enable(ids::IDC_DOWNLOAD, true);
}

}  // namespace kv
