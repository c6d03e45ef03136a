// TMainDlg: the main dialog, which owns the whole model for the life of the
// process: the stock list, the input matrix and targets, the network and its
// snapshot, the training settings and the forecast. Other windows and the
// batch runner work on these members directly.
//
// The members are defined in the files of their subsystem:
//   model/      file commands, start-up, .kvn file (its codec in kvn_codec.h);
//               the stock list, re-reading the stocks and filling the
//               patterns; the network commands and the training session,
//               which drive the engines of net/ (Network) on the Patterns of data/
//   forecast/   forecast, market simulator, batch runner, chart painters
//   app/        command routing, timers, help, preferences, download button
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/data_quality.h"
#include "data/patterns.h"
#include "data/stock.h"
#include "model/globals.h"
#include "model/model_defaults.h"
#include "model/kvn_codec.h"
#include "net/network.h"
#include "net/training_progress.h"
#include "platform/platform.h"

namespace kv {

class Canvas;
struct SimulationInput;
struct SimulationResult;

// The outcome of the most recent forecast.
struct ForecastResult {
  int32_t signal = 0;        // 1 BUY, -1 SELL, 0 HOLD
  float confidence = 0;      // percent; 0 when unknown
  float outlook_pos = 0;
  float outlook_neg = 0;
  float profit_take = 0;     // percent above the purchase price
  float stop_loss = 0;       // percent below, stored positive
  bool rated = false;        // the confidence is known (it may be 0 %)
};

// One stock as the Stocks group's fields hold it, or as a command names it.
struct StockEntry {
  std::string symbol;      // 1 to 5 characters; taken in upper case
  std::string data_file;   // the price file
  std::string period;      // the influence period as typed: 1 to 20 days
  bool price = false, volume = false, l_price = false, s_price = false;
};

// What adding a stock did.
struct AddStockOutcome {
  bool added = false;
  std::string refusal;            // why not (the message ADD shows), empty when added
  bool file_read = false;         // its price file read onto the calendar
  std::vector<Finding> findings;  // what looks doubtful in its data
};

class TMainDlg : public WindowHandler {
 public:
  // dlg is the main dialog's window (resource ids::DLG_MAIN); not owned.
  explicit TMainDlg(Dialog& dlg);
  ~TMainDlg() override;
  TMainDlg(const TMainDlg&) = delete;
  TMainDlg& operator=(const TMainDlg&) = delete;

  Dialog& dlg;  // the window whose controls this dialog drives

  // ================= model scalars (keys of the .kvn file) =================
  int32_t n_files = 0;
  int32_t Trained = 0;
  // x_matrix, in_nodes, out_nodes, learn_rate and momentum are net's.
  int32_t y_matrix = defaults::kYMatrix;
  int32_t nh_synapsis = defaults::kNhSynapsis;
  float threshold = defaults::kThreshold;
  int32_t points_stock = defaults::kPointsStock;
  int32_t day_increm = defaults::kDayIncrem;
  // n_days is patterns'.
  int32_t eval_days = defaults::kEvalDays;
  int32_t keepout_days = defaults::kKeepoutDays;
  int32_t TimeTrained = 0;
  int32_t Strategy = defaults::kStrategy;
  float buy_up_min = defaults::kBuyUpMin, buy_down_max = defaults::kBuyDownMax,
        sell_down_min = defaults::kSellDownMin, sell_up_max = defaults::kSellUpMax,
        take_stop_band = defaults::kTakeStopBand;
  bool DoBackProp = defaults::kDoBackProp;
  bool DoAnnealing = defaults::kDoAnnealing;
  bool DoGenetic = defaults::kDoGenetic;
  bool AutoSave = defaults::kAutoSave;
  bool AutoIncNeu = defaults::kAutoIncNeu;
  int32_t PredicMode = defaults::kPredicMode;

  // ================= state not stored in the file =================
  std::string model_path;
  bool modified = false;
  bool untitled = true;
  bool training_on = false;
  bool batch_running = false;
  bool help_open = false;
  std::unique_ptr<Stock> stocks[kMaxStocks];
  std::string batch_path;        // the path chosen in the last batch file dialog
  // Why the model's stocks did not all read at the last Update_Stocks: the
  // file and the reason, in one line; empty when every file read. A damaged
  // model stays on screen for the user to mend (MOD, File > Reread) but is
  // not trained, searched or saved, since its inputs would be zeros where
  // the missing stock belongs. Read_Param's outcome is not ok; this tells a
  // damaged model (parameters read, a price file not) from one not read.
  std::string stocks_error;
  bool Damaged() const { return !stocks_error.empty(); }
  // Shows why a damaged model cannot do `what` ("be trained"); true when it
  // was refused.
  bool RefuseDamaged(const char* what);
  int batch_failures = 0;        // models of the last batch run that failed
  bool batch_quit = false;       // end the program once the running batch model is saved

  // ================= the engines =================
  Patterns patterns;   // inputs and targets, built from the stocks by Prep_Data
  Network net;         // the network, its snapshot and its outputs per day (net.guess)
  // Statistics of the last evaluation process_bp ran.
  float good_calls = 0, bad_calls = 0, abs_error_sum = 0;
  // The evaluation cache: arguments and total of the previous process_bp call.
  int32_t cache_start_back = -1, cache_end_back = -1, cache_step = -1;
  double cache_total = 0;
  // Where the training phases report: this dialog's status line, Cycle
  // field, chart and statistics window, unless a face puts its own in
  // (kestrivane-cli train). Never null.
  TrainingProgress* progress;
  std::unique_ptr<TrainingProgress> dialog_progress;   // this dialog's own

  // ================= forecast =================
  int32_t signal[kMaxDays] = {};   // the simulator's advice per day: 1 buy, -1 sell, 0 hold
  ForecastResult last_forecast;
  // Where Invest writes its day-by-day report; a relative name is taken in
  // the current folder.
  std::string report_file = "report.txt";
  // Why the last report could not be written; empty after a written one.
  std::string report_error;

  // ================= chart geometry =================
  int32_t chart_left = 8, chart_top = 2, chart_right = 609, chart_bottom = 167;
  int32_t chart_x0 = 9, chart_y0 = 140;
  int32_t zoom = 2;

  // ================= model and persistence (model/) =================
  void CmFilenew();
  void CmFileopen();
  // Save and Save As: what the save did (not ok, with an empty message,
  // when the user cancelled the file dialog).
  FileOutcome CmFilesave();
  FileOutcome CmFilesaveas();
  void CeFilesave(CommandEnabler& ce);
  void CeFilesaveas(CommandEnabler& ce);
  bool CanClose();
  void StartupWork();            // timer 4103: start-up download and command-line file
  // Writes the model to model_path whole or not at all; clears `modified`
  // on success. A failure (200, or a damaged model refused) is shown unless
  // a batch runs, and returned.
  FileOutcome Save_Param();
  // Reads model_path into the dialog and every stock it names; ok when the
  // model loaded. A file that does not open (100), does not parse (101, 102)
  // or whose target's prices do not read (453, 454) is shown unless a batch
  // runs, and leaves the model's parameters as they were; a model whose other
  // price files did not read is kept as Damaged() and is not ok.
  // before_stocks runs once the parameters are taken and before the price
  // files are read again: the command that opens a model downloads its
  // quotes there (DownloadModelQuotes).
  FileOutcome Read_Param(const std::function<void()>& before_stocks = nullptr);
  // Takes a parsed model into the dialog: its parameters, its list of
  // stocks and the target's prices (453, 454 when they do not read).
  FileOutcome TakeKvn(const KvnModel& model);
  // Shows a message box with the caption and icon the program uses for
  // failures; helper for every subsystem.
  int ErrorBox(const std::string& text, const char* caption = "File Error");
  void SetStatus(const std::string& text);

  // ================= market data (data/) =================
  void Update_Stocks();
  void Prep_Data();
  void Create_Results();
  void CmOpen_stock();
  void COMBOBOX1_BNSelChange();
  void COMBOBOX2_BNSelChange();
  void TICKER_LIST_LBNSelChange();
  void TICKER_ADD_BNClicked();
  // Adds a stock as ADD does, without asking about doubtful data: the
  // findings come back for the caller to judge, and UndoAddStock takes the
  // stock off again. Refused while the model is trained or full, and for
  // fields ADD refuses (the refusal is not shown; the caller shows it).
  AddStockOutcome AddStock(const StockEntry& entry);
  // Takes the stock the last AddStock added back off; `modified` returns to
  // `was_modified`.
  void UndoAddStock(bool was_modified);
  // Sets the hidden neurons as leaving the Neurons field does (2 to 12).
  void SetNeurons(long long n);
  void TICKER_UPDATE_BNClicked();
  void TICKER_DEL_BNClicked();
  void TICKER_BROWSE_BNClicked();
  void TICKER_SYMB_ENKillfocus();
  void STOCKPOINTS_ENKillfocus();
  void TICKER_PRICE_BNClicked();
  void TICKER_VOLUME_BNClicked();
  void TICKER_LONG_PRICE_BNClicked();
  void TICKER_SHORT_PRICE_BNClicked();
  const char* GetTicker(int i) const;   // nullptr when absent

  // ================= network and training (model/, on net/) =================
  // Thin calls of net on patterns, under their historic names.
  double sigmoid(double x) const;
  float feedforward(int day);
  void clear_network();
  void INITIALIZE_BNClicked();
  void XMATRIX_ENKillfocus();
  bool add_x_matrix();
  bool to_best();
  bool from_best(int count);
  double process_bp(int start_back, int end_back, int step, bool force);
  // The evaluation the window shows: the last eval_days days but the ten
  // before the end, forced.
  double DisplayEvaluation();
  void backprop(int day);
  void ExecBackProp();
  void ExecAnneal(int pass);
  void B1_BNClicked();
  void STOP_BNClicked();
  void Check_Events();
  void CmTrainitem_backprop();
  void CmPopupitem_annealing();
  void CmOptiongenetic();
  void CmOptions_auto_save();
  void CmOptions_adjust_neurons();
  void CeTrainitem_backprop(CommandEnabler& ce);
  void CePopupitem_annealing(CommandEnabler& ce);
  void CeOptiongenetic(CommandEnabler& ce);
  void CeOptions_auto_save(CommandEnabler& ce);
  void CeOptions_adjust_neurons(CommandEnabler& ce);
  // Enables the training buttons for an idle or a busy dialog, with the
  // stock-list locks that follow from Trained.
  void SetIdleControls();
  void SetBusyControls();
  // Learning steps (back-propagation steps plus annealing trials): counted
  // since the counter was last reset; with a non-negative budget, the step
  // that reaches it clears training_on, so the running phase restores its
  // best network and the session ends (kestrivane-cli train --steps). The
  // session (net/trainer.h) keeps them and hands them over at every pump.
  long long learning_steps = 0;
  long long step_budget = -1;
  // Fit of the best network the running phase has found (progress display).
  double phase_best_fit = 0;

  // ================= forecasting and simulation (forecast/) =================
  void PREDICT_BNClicked();
  void CmPredictprob();
  void CmPredictpercent();
  void CePredictprob(CommandEnabler& ce);
  void CePredictpercent(CommandEnabler& ce);
  float Invest(int days_back, int days_from_end, int& trades, bool report);
  // The simulation Invest runs (without its report): the strategy's
  // parameters loaded, the window clamped to the stored days, `signal`
  // written, Rep enabled as after a run.
  SimulationResult Simulation(int days_back, int days_from_end, bool keep_days);
  // The days such a run simulates, with the target's prices (there must be
  // a target), the calendar, the outputs and `signal` as its signal output.
  SimulationInput SimulationWindow(int days_back, int days_from_end);
  void CmStrategyitem(int n);            // strategies 0..6
  void CmStrategyitem7();                // the search
  void CeStrategyitem(int n, CommandEnabler& ce);
  void REPORT_BNClicked();
  void CmBatchrun();
  void CmBatchcreatenewbatchfile3();
  void CmBatchaddthisstocktobatch3();
  void CmBatchviewres();
  void CmBatchstop();
  void CmBatchedit();
  void CeBatchrun(CommandEnabler& ce);
  void CeBatchcreatenewbatchfile3(CommandEnabler& ce);
  void CeBatchaddthisstocktobatch3(CommandEnabler& ce);
  void CeBatchviewres(CommandEnabler& ce);
  void CeBatchstop(CommandEnabler& ce);
  void CeBatchedit(CommandEnabler& ce);
  void RunBatch(const char* path);
  void DisplayGuess(Canvas& canvas);     // the main chart
  void CmZoom(int n);                    // 1..5
  void CeZoom(int n, CommandEnabler& ce);
  void EvScroll1();
  void STATS_BNClicked();
  void CmPopupprojections();
  // Performance figures of the main window (value, initial, market, trades).
  void UpdateFigures();
  // The Market figure: the initial investment held in the target over the
  // training period.
  float MarketValue() const;

  // ================= application shell (app/) =================
  void EvInitDialog();                   // set-up after the window exists
  void EvTimer(unsigned id) override;
  void EvPaint(Canvas& canvas) override;   // the chart (DisplayGuess)
  void OnControl(int id, Notify code) override;
  void OnCommand(int id) override;
  // Fills the enable state and check mark of a menu command.
  void QueryCommand(CommandEnabler& ce);
  void CmHelpcontent();
  void EvHelp();                         // F1: the help contents, not recorded in help_open
  void CmHelphomepage();
  void CmHelpabout();
  void CmPreferences();
  void DOWNLOAD_BNClicked();
};

// The forecast routine: fills dlg.last_forecast and, unless a batch runs,
// shows the forecast text.
void Pred7(TMainDlg& dlg);
// Runs the forecast as Pred7 does, without showing anything, and returns the
// text exactly as the message box shows it (empty for a model without price
// data). Pred7 shows this text unless a batch runs.
std::string Pred7Text(TMainDlg& dlg);

}  // namespace kv
