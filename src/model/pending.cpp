// TEMPORARY: placeholder bodies of members whose real definitions are being
// written. Whoever implements a member deletes its line here. This file must
// be empty (and deleted) before the work is finished.
#include "download/auto_download.h"
#include "model/main_dlg.h"

namespace kv {

// ---- model/ ----
void TMainDlg::CmFilenew() {}
void TMainDlg::CmFileopen() {}
void TMainDlg::CmFilesave() {}
void TMainDlg::CmFilesaveas() {}
void TMainDlg::CeFilesave(CommandEnabler&) {}
void TMainDlg::CeFilesaveas(CommandEnabler&) {}
bool TMainDlg::CanClose() { return true; }
void TMainDlg::StartupWork() {}
void TMainDlg::Save_Param() {}
bool TMainDlg::Read_Param() { return false; }
bool TMainDlg::Read_Param_1_8() { return false; }
bool TMainDlg::Read_Param_1_7() { return false; }

// ---- data/ ----
bool Stock::Check_File_Format(const char*) { return false; }
bool Stock::Read_File(int, const char*) { return false; }
bool Stock::Add_Price(int32_t, float, float) { return true; }
bool Stock::Figure_Date_Format(const char*) { return false; }
int32_t Stock::Convert_Date(std::string&) { return 0; }
int32_t Stock::Add_Dates(const char*) { return 0; }
bool Stock::Convert_Month(std::string&) { return false; }
void Stock::strcheck(std::string&) {}
char Stock::ChCheck(char, int) { return 0; }
void Stock::Filter() {}
void Stock::Normalize(int) {}
void TMainDlg::Update_Stocks() {}
void TMainDlg::Prep_Data() {}
void TMainDlg::Create_Results() {}
void TMainDlg::CmOpen_stock() {}
void TMainDlg::COMBOBOX1_BNSelChange() {}
void TMainDlg::COMBOBOX2_BNSelChange() {}
void TMainDlg::TICKER_LIST_LBNSelChange() {}
void TMainDlg::TICKER_ADD_BNClicked() {}
void TMainDlg::TICKER_UPDATE_BNClicked() {}
void TMainDlg::TICKER_DEL_BNClicked() {}
void TMainDlg::TICKER_BROWSE_BNClicked() {}
void TMainDlg::TICKER_SYMB_ENKillfocus() {}
void TMainDlg::STOCKPOINTS_ENKillfocus() {}
void TMainDlg::TICKER_PRICE_BNClicked() {}
void TMainDlg::TICKER_VOLUME_BNClicked() {}
void TMainDlg::TICKER_LONG_PRICE_BNClicked() {}
void TMainDlg::TICKER_SHORT_PRICE_BNClicked() {}
const char* TMainDlg::GetTicker(int) const { return nullptr; }

// ---- net/ ----

// ---- forecast/ ----
void TMainDlg::PREDICT_BNClicked() {}
void TMainDlg::CmPredictprob() {}
void TMainDlg::CmPredictpercent() {}
void TMainDlg::CePredictprob(CommandEnabler&) {}
void TMainDlg::CePredictpercent(CommandEnabler&) {}
float TMainDlg::Invest(int, int, int& trades, bool) { trades = 1; return 0.0f; }
void TMainDlg::CmStrategyitem(int) {}
void TMainDlg::CmStrategyitem7() {}
void TMainDlg::CeStrategyitem(int, CommandEnabler&) {}
void TMainDlg::REPORT_BNClicked() {}
void TMainDlg::CmBatchrun() {}
void TMainDlg::CmBatchcreatenewbatchfile3() {}
void TMainDlg::CmBatchaddthisstocktobatch3() {}
void TMainDlg::CmBatchviewres() {}
void TMainDlg::CmBatchstop() {}
void TMainDlg::CmBatchedit() {}
void TMainDlg::RunBatch(const char*) {}
void TMainDlg::DisplayGuess(Canvas&) {}
void TMainDlg::CmZoom(int) {}
void TMainDlg::CeZoom(int, CommandEnabler&) {}
void TMainDlg::EvScroll1() {}
void TMainDlg::STATS_BNClicked() {}
void TMainDlg::CmPopupprojections() {}
void TMainDlg::UpdateFigures() {}
void Pred7(TMainDlg&) {}
std::string Pred7Text(TMainDlg&) { return {}; }

// ---- app/ ----
void TMainDlg::EvPaint(Canvas&) {}
void DownloadModelQuotes(TMainDlg&) {}
void DownloadAllAtStartup(TMainDlg&) {}
void TMainDlg::CmHelpcontent() {}
void TMainDlg::CmHelphomepage() {}
void TMainDlg::CmHelpabout() {}
void TMainDlg::CmPreferences() {}
void TMainDlg::DOWNLOAD_BNClicked() {}

}  // namespace kv
