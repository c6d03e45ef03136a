// Menu 100 of the main window and its accelerators. A tab in a caption
// separates the item's text from the key shown beside it.
#pragma once

#include <cstddef>

#include "resources/ids.h"

namespace kv::res {

enum class MenuKind {
  Popup,      // opens a submenu; the items up to the matching End belong to it
  End,
  Item,
  Separator,
};

enum : unsigned {
  M_CHECKS = 1u << 0,   // the item can carry a check mark
};

struct MenuDef {
  MenuKind kind;
  const char* caption = "";
  int id = 0;
  unsigned flags = 0;
  const char* hint = nullptr;   // status hint (the strategies' descriptions)
};

inline constexpr MenuDef kMainMenu[] = {
    {MenuKind::Popup, "&File"},
    {MenuKind::Item, "&New", ids::CM_FILENEW},
    {MenuKind::Item, "&Open...", ids::CM_FILEOPEN},
    {MenuKind::Item, "&Reread Stocks", ids::CM_REREAD_STOCKS},
    {MenuKind::Item, "&Save", ids::CM_FILESAVE},
    {MenuKind::Item, "Save &As...", ids::CM_FILESAVEAS},
    {MenuKind::Separator},
    {MenuKind::Popup, "&Batch"},
    {MenuKind::Item, "&Run Batch", ids::CM_BATCH_RUN},
    {MenuKind::Item, "&Create New Batch File", ids::CM_BATCH_CREATE},
    {MenuKind::Item, "&Add This Stock to Batch", ids::CM_BATCH_ADD},
    {MenuKind::Item, "&View Last Batch Results", ids::CM_BATCH_VIEW},
    {MenuKind::Item, "&Stop Batch", ids::CM_BATCH_STOP},
    {MenuKind::Item, "&Edit Batch File", ids::CM_BATCH_EDIT},
    {MenuKind::End},
    {MenuKind::Separator},
    {MenuKind::Item, "E&xit\tAlt+F4", ids::CM_EXIT},
    {MenuKind::End},

    {MenuKind::Popup, "&Edit"},
    {MenuKind::Item, "&Undo\tAlt+BkSp", ids::CM_EDIT_UNDO},
    {MenuKind::Separator},
    {MenuKind::Item, "Cu&t\tShift+Del", ids::CM_EDIT_CUT},
    {MenuKind::Item, "&Copy\tCtrl+Ins", ids::CM_EDIT_COPY},
    {MenuKind::Item, "&Paste\tShift+Ins", ids::CM_EDIT_PASTE},
    {MenuKind::Separator},
    {MenuKind::Item, "Clear &All\tCtrl+Del", ids::CM_EDIT_CLEAR_ALL},
    {MenuKind::Item, "&Delete\tDel", ids::CM_EDIT_DELETE},
    {MenuKind::End},

    {MenuKind::Popup, "&Options"},
    {MenuKind::Item, "&Back Propagation", ids::CM_OPT_BACKPROP, M_CHECKS},
    {MenuKind::Item, "&Annealing", ids::CM_OPT_ANNEALING, M_CHECKS},
    {MenuKind::Item, "&Genetic", ids::CM_OPT_GENETIC, M_CHECKS},
    {MenuKind::Separator},
    {MenuKind::Popup, "&Strategy"},
    {MenuKind::Item, "&7 Max Profit", ids::CM_STRATEGY7, M_CHECKS,
     "Let Kestrivane select the best strategy"},
    {MenuKind::Item, "&6 Dare Devil", ids::CM_STRATEGY6, M_CHECKS,
     "Buy at first positive sign, Sell when sure"},
    {MenuKind::Item, "&5 Very Aggressive", ids::CM_STRATEGY5, M_CHECKS,
     "Buy and Sell at first sign of change"},
    {MenuKind::Item, "&4 Aggressive", ids::CM_STRATEGY4, M_CHECKS, "Buy and Sell at 1/4 points"},
    {MenuKind::Item, "&3 Normal", ids::CM_STRATEGY3, M_CHECKS, "Buy and Sell at mid point"},
    {MenuKind::Item, "&2 Conservative", ids::CM_STRATEGY2, M_CHECKS,
     "Buy and Sell when reasonably sure"},
    {MenuKind::Item, "&1 Very Conservative", ids::CM_STRATEGY1, M_CHECKS,
     "Buy when sure, sell when sure"},
    {MenuKind::Item, "&0 Skittish", ids::CM_STRATEGY0, M_CHECKS,
     "Buy when sure, sell at first negative sign"},
    {MenuKind::End},
    {MenuKind::Item, "Auto Save", ids::CM_OPT_AUTOSAVE, M_CHECKS},
    {MenuKind::Popup, "&Predict Mode"},
    {MenuKind::Item, "&Up Down Probability", ids::CM_PREDICT_PROB, M_CHECKS},
    {MenuKind::Item, "&Gain Loss Percentage", ids::CM_PREDICT_PERCENT, M_CHECKS},
    {MenuKind::End},
    {MenuKind::Item, "&Adjust Neurons as Needed", ids::CM_OPT_ADJUST_NEURONS, M_CHECKS},
    {MenuKind::Separator},
    {MenuKind::Item, "&Preferences", ids::CM_OPT_PREFERENCES},
    {MenuKind::Popup, "&Zoom"},
    {MenuKind::Item, "&1", ids::CM_ZOOM1, M_CHECKS},
    {MenuKind::Item, "&2", ids::CM_ZOOM1 + 1, M_CHECKS},
    {MenuKind::Item, "&3", ids::CM_ZOOM1 + 2, M_CHECKS},
    {MenuKind::Item, "&4", ids::CM_ZOOM1 + 3, M_CHECKS},
    {MenuKind::Item, "&5", ids::CM_ZOOM1 + 4, M_CHECKS},
    {MenuKind::End},
    {MenuKind::End},

    {MenuKind::Popup, "&Training"},
    {MenuKind::Item, "&Train", ids::CM_TRAIN},
    {MenuKind::Item, "&Forget", ids::CM_FORGET},
    {MenuKind::Item, "&Stop", ids::CM_STOP},
    {MenuKind::Item, "&Predict", ids::CM_PREDICT},
    {MenuKind::Separator},
    {MenuKind::Item, "&Walk-Forward Test...", ids::CM_WALKFORWARD},
    {MenuKind::End},

    // The pop-up of the graphical views carries no name of its own in the
    // menu resource; the menu bar needs one to be reachable.
    {MenuKind::Popup, "&View"},
    {MenuKind::Item, "Graphical &Projections", ids::CM_PROJECTIONS},
    {MenuKind::End},

    {MenuKind::Popup, "&Help"},
    {MenuKind::Item, "Content", ids::CM_HELP_CONTENT},
    {MenuKind::Item, "&Kestrivane Home", ids::CM_HELP_HOME},
    {MenuKind::Separator},
    {MenuKind::Item, "&About...", ids::CM_HELP_ABOUT},
    {MenuKind::End},
};

// Accelerator table 100: keys that issue a command wherever the focus is in
// the main window. The key names are those of the menu captions.
struct AccelDef {
  const char* key;
  int id;
};

inline constexpr AccelDef kMainAccelerators[] = {
    {"Shift+Del", ids::CM_EDIT_CUT},
    {"Ctrl+Ins", ids::CM_EDIT_COPY},
    {"Shift+Ins", ids::CM_EDIT_PASTE},
    {"Ctrl+Del", ids::CM_EDIT_CLEAR_ALL},
    {"Alt+BkSp", ids::CM_EDIT_UNDO},
    {"F3", ids::CM_F3_UNUSED},
};

}  // namespace kv::res
