// Layouts of the program's dialogs: every control with its numeric id, kind,
// caption and place, in dialog units (a quarter of the dialog font's average
// character width across, an eighth of its height down). The desktop face
// builds its windows from these tables; the ids are those of ids.h.
#pragma once

#include <cstddef>

#include "resources/ids.h"

namespace kv::res {

enum class Ctl {
  Button,
  DefButton,    // the button Enter presses
  CheckBox,
  Edit,
  MultiEdit,    // several lines, scrolls vertically
  Label,
  Group,        // group box with a title
  ListBox,
  DropList,     // drop-down list without an edit field
  HScroll,
  Tab,          // tab strip; the controls of every page lie over it
  Progress,
  Frame,        // etched frame that a picture is drawn into
};

enum : unsigned {
  F_HIDDEN = 1u << 0,
  F_READONLY = 1u << 1,
  F_DIGITS = 1u << 2,      // edit accepts digits only
  F_DECIMAL = 1u << 3,     // edit accepts a decimal number (digits and one point)
  F_SORTED = 1u << 4,
  F_MULTISEL = 1u << 5,    // extended multiple selection
  F_RIGHT = 1u << 6,       // text aligned right
  F_CENTER = 1u << 7,      // text centred
  F_SUNKEN = 1u << 8,      // static text in a sunken box
  F_FRAME_WIDTH = 1u << 9, // as wide as the dialog's picture frame (scroll bar under a chart)
  F_STRONG = 1u << 10,     // button drawn with a bold caption (the main commands)
  F_MONO = 1u << 11,       // fixed-width font, so that columns of text line up
};

struct ControlDef {
  int id;               // -1 for labels nobody addresses
  Ctl kind;
  const char* text;     // caption or initial text
  short x, y, w, h;     // dialog units
  unsigned flags = 0;
  const char* hint = nullptr;   // grey placeholder text of an empty edit
};

// Where a dialog's pictures are drawn. The surface covers [x, y, w, h] (dialog
// units); the frame control `frame_id` sits `frame_dx`, `frame_dy` dialog units
// inside its top-left corner and leaves `label_right` pixels on its right and
// `label_below` pixels below it for the painter's labels. frame_id 0: the
// picture covers the whole surface.
struct SurfaceDef {
  int frame_id = 0;
  short x = 0, y = 0, w = 0, h = 0;
  short label_right = 0, label_below = 0;
  short frame_dx = 0, frame_dy = 0;
};

struct DialogDef {
  int id;
  const char* caption;
  short w, h;               // client size, dialog units
  int font_points;          // 0: the desktop's dialog font
  const ControlDef* controls;
  size_t count;
  SurfaceDef surface;       // w == 0: no pictures
};

// ---- main dialog ----------------------------------------------------------------
inline constexpr ControlDef kMainControls[] = {
    // chart
    {ids::IDC_FRAME, Ctl::Frame, "", 0, 0, 0, 0},
    {ids::IDC_SCROLL, Ctl::HScroll, "", 6, 119, 0, 9, F_FRAME_WIDTH},
    // stocks
    {ids::IDC_GROUP_STOCKS, Ctl::Group, "Stocks", 6, 131, 176, 86},
    {ids::IDC_TICKER_LIST, Ctl::ListBox, "", 12, 143, 38, 68},
    {ids::IDC_SYMBOL, Ctl::Edit, "SYMB", 54, 143, 32, 12, 0, "Symbol"},
    {ids::IDC_FILENAME, Ctl::Edit, "FILENAME", 89, 143, 58, 12, F_READONLY, "Price file"},
    {ids::IDC_BROWSE, Ctl::Button, "Browse", 150, 142, 28, 14},
    {-1, Ctl::Label, "Influence Period", 54, 161, 58, 8},
    {ids::IDC_INFL_PERIOD, Ctl::Edit, "", 112, 159, 22, 12, F_RIGHT},
    {ids::IDC_PRICE, Ctl::CheckBox, "Price", 54, 175, 36, 10},
    {ids::IDC_VOLUME, Ctl::CheckBox, "Volume", 92, 175, 44, 10},
    {ids::IDC_LONG, Ctl::CheckBox, "Long Term Filter", 54, 187, 84, 10},
    {ids::IDC_SHORT, Ctl::CheckBox, "Short Term Filter", 54, 199, 84, 10},
    {ids::IDC_ADD, Ctl::Button, "ADD", 142, 158, 36, 14},
    {ids::IDC_MOD, Ctl::Button, "MOD", 142, 175, 36, 14},
    {ids::IDC_DEL, Ctl::Button, "DEL", 142, 192, 36, 14},
    // neural net setup
    {ids::IDC_GROUP_NET, Ctl::Group, "Neural Net Setup", 186, 131, 120, 86},
    {ids::IDC_TRAIN, Ctl::Button, "TRAIN", 192, 142, 52, 14, F_STRONG},
    {ids::IDC_STOP, Ctl::Button, "STOP", 248, 142, 52, 14, F_STRONG},
    {ids::IDC_FORGET, Ctl::Button, "FORGET", 192, 158, 52, 14},
    {ids::IDC_PREDICT, Ctl::Button, "PREDICT", 248, 158, 52, 14, F_STRONG},
    {-1, Ctl::Label, "Cycle", 192, 177, 24, 8},
    {ids::IDC_CYCLE, Ctl::Edit, "", 216, 175, 30, 12, F_READONLY | F_RIGHT},
    {-1, Ctl::Label, "Neurons", 250, 177, 30, 8},
    {ids::IDC_NEURONS, Ctl::Edit, "", 280, 175, 20, 12, F_RIGHT},
    {-1, Ctl::Label, "Training Start", 192, 191, 50, 8},
    {ids::IDC_TRAIN_START, Ctl::DropList, "", 244, 189, 56, 12},
    {-1, Ctl::Label, "Training End", 192, 204, 50, 8},
    {ids::IDC_TRAIN_END, Ctl::DropList, "", 244, 202, 56, 12},
    // performance
    {ids::IDC_GROUP_PERF, Ctl::Group, "Performance", 310, 131, 104, 86},
    {-1, Ctl::Label, "Kestrivane", 315, 144, 40, 8},
    {ids::IDC_STRATEGY_VALUE, Ctl::Edit, "", 356, 142, 53, 12, F_READONLY | F_RIGHT},
    {-1, Ctl::Label, "Inital", 315, 158, 40, 8},
    {ids::IDC_INITIAL, Ctl::Edit, "", 356, 156, 53, 12, F_READONLY | F_RIGHT},
    {-1, Ctl::Label, "Market", 315, 172, 40, 8},
    {ids::IDC_MARKET, Ctl::Edit, "", 356, 170, 53, 12, F_READONLY | F_RIGHT},
    {-1, Ctl::Label, "Trades", 315, 186, 40, 8},
    {ids::IDC_TRADES, Ctl::Edit, "", 356, 184, 53, 12, F_READONLY | F_RIGHT},
    {ids::IDC_REP, Ctl::Button, "Rep", 315, 200, 22, 13},
    {ids::IDC_STATS, Ctl::Button, "stats", 339, 200, 24, 13},
    {ids::IDC_DOWNLOAD, Ctl::Button, "DOWNLOAD", 365, 200, 44, 13},
    // bottom line: status, model file, time trained
    {ids::IDC_STATUS, Ctl::Label, "Kestrivane   ", 6, 221, 258, 10, F_SUNKEN},
    {ids::IDC_MODEL_PATH, Ctl::Edit, "", 266, 220, 100, 11, F_READONLY},
    {ids::IDC_TIME_TRAINED, Ctl::Edit, "", 368, 220, 46, 11, F_READONLY | F_CENTER},
};

// ---- Preferences ------------------------------------------------------------------
inline constexpr ControlDef kPreferencesControls[] = {
    {ids::IDC_PR_TAB, Ctl::Tab, "", 6, 6, 238, 150},
    // Internet page
    {ids::IDC_PR_PROXY_GROUP, Ctl::Group, "Proxy", 14, 26, 222, 48},
    {ids::IDC_PR_USE_PROXY, Ctl::CheckBox, "Use Proxy", 22, 38, 80, 10},
    {ids::IDC_PR_PROXY_NAME, Ctl::Edit, "", 22, 53, 150, 12, 0, "Proxy server"},
    {ids::IDC_PR_PORT_LABEL, Ctl::Label, "Port", 178, 55, 18, 8},
    {ids::IDC_PR_PROXY_PORT, Ctl::Edit, "80", 198, 53, 30, 12, F_DIGITS | F_RIGHT},
    {ids::IDC_PR_DALL_START, Ctl::CheckBox,
     "Download all files in destination directory at Startup", 14, 84, 222, 10},
    {ids::IDC_PR_D_KVN, Ctl::CheckBox, "Download stock files at openning of .kvn file", 14, 98,
     222, 10},
    {ids::IDC_PR_INET_Q, Ctl::CheckBox, "Quit Download window when finished downloading", 14,
     112, 222, 10},
    {ids::IDC_PR_QUOTE_URL_LABEL, Ctl::Label, "Quote URL template ({symbol}; empty: vendor server)",
     14, 127, 222, 8},
    {ids::IDC_PR_QUOTE_URL, Ctl::Edit, "", 14, 137, 222, 12, 0, "https://host/path?s={symbol}"},
    // Invest page
    {ids::IDC_PR_CURRENCY_LABEL, Ctl::Label, "Currency Symbol", 16, 32, 80, 8, F_HIDDEN},
    {ids::IDC_PR_CURRENCY, Ctl::Edit, "$", 98, 30, 30, 12, F_HIDDEN},
    {ids::IDC_PR_INITIAL_LABEL, Ctl::Label, "Initial Investment", 16, 50, 80, 8, F_HIDDEN},
    {ids::IDC_PR_INITIAL, Ctl::Edit, "#0", 98, 48, 60, 12, F_HIDDEN | F_DECIMAL | F_RIGHT},
    {ids::IDC_PR_FEE_LABEL, Ctl::Label, "Transaction Fee", 16, 68, 80, 8, F_HIDDEN},
    {ids::IDC_PR_FEE, Ctl::Edit, "", 98, 66, 40, 12, F_HIDDEN | F_DECIMAL | F_RIGHT},
    {ids::IDC_PR_PLUS_LABEL, Ctl::Label, "Plus", 16, 86, 80, 8, F_HIDDEN},
    {ids::IDC_PR_FPSHARE, Ctl::Edit, "", 98, 84, 40, 12, F_HIDDEN | F_DECIMAL | F_RIGHT},
    {ids::IDC_PR_PERSHARE_LABEL, Ctl::Label, "Per Share", 142, 86, 60, 8, F_HIDDEN},
    {ids::IDC_PR_COM, Ctl::Edit, "", 98, 102, 40, 12, F_HIDDEN | F_RIGHT},
    {ids::IDC_PR_PERCENT_LABEL, Ctl::Label, "%", 142, 104, 20, 8, F_HIDDEN},
    {ids::IDC_PR_QOVER_LABEL, Ctl::Label, "For Each Share Over", 16, 122, 80, 8, F_HIDDEN},
    {ids::IDC_PR_QOVER, Ctl::Edit, "", 98, 120, 40, 12, F_HIDDEN | F_DIGITS | F_RIGHT},
    // Batch page
    {ids::IDC_PR_BATCH_JOBS_LABEL, Ctl::Label, "Models at once in a batch run", 16, 32, 120, 8,
     F_HIDDEN},
    {ids::IDC_PR_BATCH_JOBS, Ctl::Edit, "1", 140, 30, 30, 12, F_HIDDEN | F_DIGITS | F_RIGHT},
    // buttons
    {ids::IDC_PR_OK, Ctl::DefButton, "OK", 138, 162, 50, 14},
    {ids::IDC_PR_CANCEL, Ctl::Button, "Cancel", 194, 162, 50, 14},
};

// ---- download dialog ----------------------------------------------------------------
inline constexpr ControlDef kLoaderControls[] = {
    {ids::IDC_LD_GROUP, Ctl::Group, "", 6, 4, 150, 172},
    {-1, Ctl::Label, "Manual\nEntry", 12, 14, 30, 16},
    {ids::IDC_LD_MANUAL, Ctl::Edit, "", 44, 16, 58, 12, 0, "Symbol"},
    {ids::IDC_LD_ADD_MANUAL, Ctl::Button, "ADD ->", 106, 15, 44, 14},
    {-1, Ctl::Label, "Destination Directory", 12, 36, 100, 8},
    {ids::IDC_LD_DEST, Ctl::Edit, "", 12, 46, 138, 12},
    {ids::IDC_LD_BROWSE, Ctl::Button, "BROWSE", 106, 34, 44, 12, F_HIDDEN},
    {-1, Ctl::Label, "Filter", 12, 65, 24, 8},
    {ids::IDC_LD_FILTER, Ctl::Edit, "*.CSV", 38, 63, 50, 12},
    {ids::IDC_LD_FILES, Ctl::ListBox, "", 12, 80, 90, 90, F_SORTED | F_MULTISEL},
    {ids::IDC_LD_ALL, Ctl::Button, "ALL", 106, 80, 44, 14},
    {ids::IDC_LD_NONE, Ctl::Button, "NONE", 106, 97, 44, 14},
    {ids::IDC_LD_ADD_FILES, Ctl::Button, "ADD->", 106, 114, 44, 14},
    {-1, Ctl::Label, "Symbols", 162, 6, 60, 8},
    {ids::IDC_LD_SYMBOLS, Ctl::ListBox, "", 162, 16, 82, 126, F_MULTISEL},
    {ids::IDC_LD_REMOVE, Ctl::Button, "Remove", 162, 146, 82, 14},
    {ids::IDC_LD_SAVE_LIST, Ctl::Button, "SAVE LIST", 162, 162, 40, 14},
    {ids::IDC_LD_LOAD_LIST, Ctl::Button, "LOAD LIST", 204, 162, 40, 14},
    {-1, Ctl::Label, "Database", 250, 6, 60, 8},
    {ids::IDC_LD_DATABASE, Ctl::DropList, "", 250, 16, 96, 12},
    {-1, Ctl::Label, "Results", 250, 34, 60, 8},
    {ids::IDC_LD_RESULTS, Ctl::MultiEdit, "", 250, 44, 96, 98, F_READONLY},
    {ids::IDC_LD_DOWNLOAD, Ctl::DefButton, "Download", 250, 146, 46, 14, F_STRONG},
    {ids::IDC_LD_CANCEL, Ctl::Button, "Cancel", 300, 146, 46, 14},
    {ids::IDC_LD_EXIT, Ctl::Button, "Exit", 300, 162, 46, 14},
    {ids::IDC_LD_BANNER, Ctl::Label, "", 6, 181, 340, 11, F_SUNKEN},
};

// ---- statistics window --------------------------------------------------------------
inline constexpr ControlDef kStatsControls[] = {
    {ids::IDC_STAT_3D, Ctl::CheckBox, "3D", 10, 112, 26, 10},
    {ids::IDC_STAT_HINT, Ctl::CheckBox, "HINT", 42, 112, 34, 10},
    {ids::IDC_STAT_TRAINING, Ctl::CheckBox, "Training Data", 108, 112, 66, 10},
    {ids::IDC_STAT_VERIFY, Ctl::CheckBox, "Verification Data", 178, 112, 76, 10},
};

// ---- projections window ---------------------------------------------------------------
inline constexpr ControlDef kProjectionControls[] = {
    {ids::IDC_PROJ_FRAME, Ctl::Frame, "", 0, 0, 0, 0},
};

// ---- progress window ------------------------------------------------------------------
inline constexpr ControlDef kWaitControls[] = {
    {-1, Ctl::Label, "Working ...Please Wait", 4, 4, 86, 14, F_CENTER},
    {ids::IDC_WAIT_PROGRESS, Ctl::Progress, "", 6, 22, 82, 10},
};

// ---- walk-forward windows ---------------------------------------------------------------
// Results: the chart above (drawn on the surface), the per-fold table and the
// two runs' statistics below it.
inline constexpr ControlDef kWalkForwardControls[] = {
    {ids::IDC_WF_FOLD_TABLE, Ctl::ListBox, "", 6, 184, 448, 66, F_MONO},
    {ids::IDC_WF_STATS, Ctl::ListBox, "", 6, 254, 376, 70, F_MONO},
    {ids::IDC_WF_EXPORT, Ctl::Button, "&Export...", 392, 310, 62, 14},
};
inline constexpr ControlDef kWalkForwardAskControls[] = {
    {-1, Ctl::Label, "Folds", 8, 8, 90, 10},
    {ids::IDC_WF_FOLDS, Ctl::Edit, "5", 104, 6, 58, 12, F_DIGITS | F_RIGHT},
    {-1, Ctl::Label, "Test days per fold", 8, 24, 90, 10},
    {ids::IDC_WF_TEST_DAYS, Ctl::Edit, "60", 104, 22, 58, 12, F_DIGITS | F_RIGHT},
    {-1, Ctl::Label, "Learning steps per fold", 8, 40, 94, 10},
    {ids::IDC_WF_STEPS, Ctl::Edit, "100000", 104, 38, 58, 12, F_DIGITS | F_RIGHT},
    {ids::IDC_WF_OK, Ctl::DefButton, "Run", 58, 64, 50, 14},
    {ids::IDC_WF_CANCEL, Ctl::Button, "Cancel", 112, 64, 50, 14},
};
inline constexpr ControlDef kWalkForwardRunControls[] = {
    {ids::IDC_WF_PROGRESS_TEXT, Ctl::Label, "", 8, 6, 154, 10, F_CENTER},
    {ids::IDC_WF_PROGRESS, Ctl::Progress, "", 8, 20, 154, 10},
    {ids::IDC_WF_CANCEL, Ctl::Button, "Cancel", 60, 34, 50, 14},
};

// ---- HTTP status window ---------------------------------------------------------------
inline constexpr ControlDef kStatusControls[] = {
    {ids::IDC_HTTP_STATUS, Ctl::Label, "", 6, 6, 168, 10},
};

template <size_t N>
constexpr DialogDef MakeDialog(int id, const char* caption, short w, short h, int font_points,
                               const ControlDef (&controls)[N], SurfaceDef surface = {}) {
  return DialogDef{id, caption, w, h, font_points, controls, N, surface};
}

inline constexpr DialogDef kDialogs[] = {
    // The chart's value labels take a 100-pixel column right of the frame.
    MakeDialog(ids::DLG_MAIN, "", 420, 234, 0, kMainControls,
               SurfaceDef{ids::IDC_FRAME, 6, 6, 408, 111, 104, 0}),
    MakeDialog(ids::DLG_PREFERENCES, "Preferences", 250, 182, 0, kPreferencesControls),
    MakeDialog(ids::DLG_LOADER, "Download Quotes", 352, 198, 0, kLoaderControls),
    // The statistics picture is drawn straight on the window.
    MakeDialog(ids::DLG_STATS, "Kestrivane Stats", 259, 129, 0, kStatsControls,
               SurfaceDef{0, 0, 0, 259, 108, 0, 0}),
    // Projections: value labels to the right of the frame, day numbers below
    // (the first one reaches a little left of the frame).
    MakeDialog(ids::DLG_PROJECTION, "", 303, 200, 0, kProjectionControls,
               SurfaceDef{ids::IDC_PROJ_FRAME, 0, 0, 303, 200, 106, 34, 10, 5}),
    MakeDialog(ids::DLG_WAIT, "", 94, 40, 18, kWaitControls),
    MakeDialog(ids::DLG_STATUS, "Status", 180, 22, 0, kStatusControls),
    MakeDialog(ids::DLG_WALKFORWARD, "Walk-Forward Test", 460, 330, 0, kWalkForwardControls,
               SurfaceDef{0, 0, 0, 460, 180, 0, 0}),
    MakeDialog(ids::DLG_WALKFORWARD_ASK, "Walk-Forward Test", 170, 84, 0, kWalkForwardAskControls),
    MakeDialog(ids::DLG_WALKFORWARD_RUN, "Walk-Forward Test", 170, 52, 0, kWalkForwardRunControls),
};

// The layout of a dialog resource, or nullptr for an unknown id.
inline const DialogDef* FindDialog(int id) {
  for (const DialogDef& d : kDialogs)
    if (d.id == id) return &d;
  return nullptr;
}

}  // namespace kv::res
