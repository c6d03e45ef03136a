// Numeric ids of the program's dialogs, controls, menu commands and timers.
// Every window addresses its controls by these numbers, in the headless face
// as in the Qt face, so tests and the desktop program agree on them.
#pragma once

namespace kv::ids {

// ---- dialog resources -------------------------------------------------------
constexpr int DLG_MAIN = 4092;         // main dialog, 420 x 232 dialog units
constexpr int DLG_PREFERENCES = 3;     // Preferences, 210 x 196
constexpr int DLG_STATUS = 4;          // HTTP status window
constexpr int DLG_PROJECTION = 6;      // projections window, 303 x 200
constexpr int DLG_WAIT = 145;          // progress window, 94 x 40
constexpr int DLG_STATS = 201;         // statistics window, 259 x 129
constexpr int DLG_LOADER = 600;        // download dialog
constexpr int DLG_WALKFORWARD = 202;   // walk-forward results window, 460 x 330
constexpr int DLG_WALKFORWARD_ASK = 203;   // walk-forward settings, 170 x 84
constexpr int DLG_WALKFORWARD_RUN = 204;   // walk-forward progress, 170 x 52
constexpr int MENU_MAIN = 100;
constexpr int ICON_MAIN = 1001;

// ---- main dialog controls ---------------------------------------------------
constexpr int IDC_MARKET = 101;        // "Market" figure
constexpr int IDC_STRATEGY_VALUE = 102;// figure beside the "Kestrivane" label
constexpr int IDC_STOP = 103;
constexpr int IDC_CYCLE = 104;
constexpr int IDC_SYMBOL = 106;
constexpr int IDC_NEURONS = 107;
constexpr int IDC_FORGET = 109;
constexpr int IDC_INFL_PERIOD = 110;
constexpr int IDC_ADD = 112;
constexpr int IDC_PREDICT = 114;
constexpr int IDC_STATUS = 115;        // the status line
constexpr int IDC_FILENAME = 116;
constexpr int IDC_PRICE = 118;
constexpr int IDC_SCROLL = 119;
constexpr int IDC_VOLUME = 121;
constexpr int IDC_GROUP_STOCKS = 122;
constexpr int IDC_GROUP_NET = 123;
constexpr int IDC_GROUP_PERF = 124;
constexpr int IDC_BROWSE = 125;
constexpr int IDC_DEL = 126;
constexpr int IDC_MOD = 127;
constexpr int IDC_LONG = 128;
constexpr int IDC_SHORT = 129;
constexpr int IDC_MODEL_PATH = 130;
constexpr int IDC_TIME_TRAINED = 132;
constexpr int IDC_TRADES = 134;
constexpr int IDC_TRAIN_START = 135;   // drop-down list "Training Start"
constexpr int IDC_TRAIN_END = 136;     // drop-down list "Training End"
constexpr int IDC_TRAIN = 140;
constexpr int IDC_FRAME = 141;         // chart frame "Frame1"
constexpr int IDC_REP = 142;
constexpr int IDC_STATS = 143;
constexpr int IDC_DOWNLOAD = 146;
constexpr int IDC_INITIAL = 152;
constexpr int IDC_TICKER_LIST = 200;

// ---- statistics window ------------------------------------------------------
constexpr int IDC_STAT_3D = 144;
constexpr int IDC_STAT_HINT = 149;
constexpr int IDC_STAT_TRAINING = 150;
constexpr int IDC_STAT_VERIFY = 151;

// ---- projections window -----------------------------------------------------
constexpr int IDC_PROJ_FRAME = 101;

// ---- walk-forward windows ---------------------------------------------------
constexpr int IDC_WF_FOLD_TABLE = 101;
constexpr int IDC_WF_STATS = 102;
constexpr int IDC_WF_EXPORT = 103;
constexpr int IDC_WF_OK = 1;
constexpr int IDC_WF_CANCEL = 2;
constexpr int IDC_WF_FOLDS = 104;
constexpr int IDC_WF_TEST_DAYS = 105;
constexpr int IDC_WF_STEPS = 106;
constexpr int IDC_WF_PROGRESS_TEXT = 107;
constexpr int IDC_WF_PROGRESS = 108;

// ---- progress window --------------------------------------------------------
constexpr int IDC_WAIT_PROGRESS = 147;

// ---- HTTP status window -----------------------------------------------------
constexpr int IDC_HTTP_STATUS = 602;

// ---- download dialog --------------------------------------------------------
constexpr int IDC_LD_DOWNLOAD = 1;
constexpr int IDC_LD_CANCEL = 2;
constexpr int IDC_LD_EXIT = 101;
constexpr int IDC_LD_REMOVE = 102;
constexpr int IDC_LD_SAVE_LIST = 103;
constexpr int IDC_LD_RESULTS = 104;
constexpr int IDC_LD_GROUP = 105;
constexpr int IDC_LD_BROWSE = 106;
constexpr int IDC_LD_ADD_MANUAL = 107;
constexpr int IDC_LD_ADD_FILES = 108;
constexpr int IDC_LD_LOAD_LIST = 109;
constexpr int IDC_LD_FILES = 110;
constexpr int IDC_LD_FILTER = 111;
constexpr int IDC_LD_ALL = 112;
constexpr int IDC_LD_NONE = 113;
constexpr int IDC_LD_SYMBOLS = 200;
constexpr int IDC_LD_MANUAL = 508;
constexpr int IDC_LD_BANNER = 603;
constexpr int IDC_LD_DEST = 606;
constexpr int IDC_LD_DATABASE = 612;

// ---- Preferences dialog -----------------------------------------------------
constexpr int IDC_PR_OK = 1;
constexpr int IDC_PR_CANCEL = 2;
constexpr int IDC_PR_TAB = 101;
constexpr int IDC_PR_USE_PROXY = 102;
constexpr int IDC_PR_PROXY_GROUP = 103;
constexpr int IDC_PR_PROXY_NAME = 104;
constexpr int IDC_PR_PROXY_PORT = 105;
constexpr int IDC_PR_DALL_START = 106;
constexpr int IDC_PR_D_KVN = 107;
constexpr int IDC_PR_INET_Q = 108;
constexpr int IDC_PR_CURRENCY = 109;
constexpr int IDC_PR_CURRENCY_LABEL = 110;
constexpr int IDC_PR_FEE_LABEL = 111;
constexpr int IDC_PR_FEE = 112;
constexpr int IDC_PR_PLUS_LABEL = 113;
constexpr int IDC_PR_PERSHARE_LABEL = 114;
constexpr int IDC_PR_FPSHARE = 115;
constexpr int IDC_PR_COM = 116;
constexpr int IDC_PR_PERCENT_LABEL = 117;
constexpr int IDC_PR_QOVER_LABEL = 118;
constexpr int IDC_PR_QOVER = 119;
constexpr int IDC_PR_INITIAL_LABEL = 120;
constexpr int IDC_PR_INITIAL = 121;
constexpr int IDC_PR_PORT_LABEL = 122;  // "Port", beside the proxy port
constexpr int IDC_PR_QUOTE_URL_LABEL = 123;
constexpr int IDC_PR_QUOTE_URL = 124;   // quote_url: the quote files' URL template
constexpr int IDC_PR_BATCH_JOBS_LABEL = 125;
constexpr int IDC_PR_BATCH_JOBS = 126;   // batch_jobs: models trained at once in a batch run

// ---- menu commands ----------------------------------------------------------
constexpr int CM_REREAD_STOCKS = 1;    // also the Enter key of the main dialog
constexpr int CM_FILENEW = 24331;
constexpr int CM_FILEOPEN = 24332;
constexpr int CM_FILESAVE = 24333;
constexpr int CM_FILESAVEAS = 24334;
constexpr int CM_EXIT = 24310;
constexpr int CM_EDIT_UNDO = 24321;
constexpr int CM_EDIT_CUT = 24322;
constexpr int CM_EDIT_COPY = 24323;
constexpr int CM_EDIT_PASTE = 24324;
constexpr int CM_EDIT_CLEAR_ALL = 24325;
constexpr int CM_EDIT_DELETE = 24326;
constexpr int CM_F3_UNUSED = 24353;
constexpr int CM_BATCH_RUN = 51702;
constexpr int CM_BATCH_CREATE = 18880;
constexpr int CM_BATCH_ADD = 18881;
constexpr int CM_BATCH_VIEW = 51704;
constexpr int CM_BATCH_STOP = 51706;
constexpr int CM_BATCH_EDIT = 51705;
constexpr int CM_OPT_BACKPROP = 51684;
constexpr int CM_OPT_ANNEALING = 51683;
constexpr int CM_OPT_GENETIC = 51685;
constexpr int CM_OPT_AUTOSAVE = 51686;
constexpr int CM_OPT_ADJUST_NEURONS = 51687;
constexpr int CM_OPT_PREFERENCES = 51708;
constexpr int CM_STRATEGY0 = 51701;
constexpr int CM_STRATEGY1 = 18873;
constexpr int CM_STRATEGY2 = 18874;
constexpr int CM_STRATEGY3 = 18875;
constexpr int CM_STRATEGY4 = 18876;
constexpr int CM_STRATEGY5 = 18877;
constexpr int CM_STRATEGY6 = 18878;
constexpr int CM_STRATEGY7 = 18879;
constexpr int CM_PREDICT_PROB = 51689;
constexpr int CM_PREDICT_PERCENT = 51688;
constexpr int CM_ZOOM1 = 51690;        // ... CM_ZOOM1 + 4 is zoom 5
constexpr int CM_TRAIN = 51682;
constexpr int CM_FORGET = 51695;
constexpr int CM_STOP = 51697;
constexpr int CM_PREDICT = 51696;
constexpr int CM_PROJECTIONS = 11842;
constexpr int CM_HELP_CONTENT = 51698;
constexpr int CM_WALKFORWARD = 51720;   // Training > Walk-Forward Test...
constexpr int CM_HELP_HOME = 51703;
constexpr int CM_HELP_ABOUT = 2009;

// ---- timers -----------------------------------------------------------------
constexpr unsigned TIMER_AUTOSAVE = 4099;   // 900 000 ms
constexpr unsigned TIMER_MINUTE = 4100;     // 60 000 ms
constexpr unsigned TIMER_TIME_LIMIT = 4102; // batch training time
constexpr unsigned TIMER_STARTUP = 4103;    // 1000 ms, once
constexpr unsigned TIMER_BANNER = 4108;     // 100 ms, download dialog

// ---- window messages of the HTTP client ---------------------------------------
constexpr int WM_SOCKET_NOTIFY = 1325;
constexpr int WM_HOST_NOTIFY = 1327;

}  // namespace kv::ids
