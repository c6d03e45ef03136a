#include "cli/cli_wording.h"

#include "util/file_failure.h"

namespace kv::cli {
namespace {

constexpr const char* kStockOption = "--stock SYMBOL,FILE,PERIOD,FLAGS";

struct Rewording {
  std::string_view window;   // the phrase as the window shows it
  std::string cli;           // what the command line says instead
};

const Rewording* Table(size_t* n) {
  static const Rewording table[] = {
      {"\nRestore the file or correct its path with MOD, then select Reread from the File menu.",
       "\nRestore the price file at that path, or make the model anew with kestrivane-cli create, "
       "then run the command again."},
      {"\nPlease correct the error and select\nReread from the File menu\n",
       "\nPlease correct the error and run the command again\n"},
      {"Please enter a valid stock symbol in the text field\n(left of the ADD button)  \n",
       std::string("Please give a symbol of 1 to 5 characters as the first field of ") + kStockOption + "\n"},
      {"Please us the Browse button to locate the Historial File.\n",
       std::string("Please give the price file as the second field of ") + kStockOption + "\n"},
      {"Please enter a numerical value in the Influence Period field.\n",
       std::string("Please give the influence period, a number of days, as the third field of ") + kStockOption +
           "\n"},
      {"Please Select One or More of the Following Checkboxes:\nPrice, Long, Short, Volume\n",
       std::string("Please give one or more of the flags p (price), l (long), s (short) and v (volume) as the "
                   "fourth field of ") +
           kStockOption + "\n"},
      {"Please select a training algorithm from the Options Menu",
       "Neither training algorithm is on in this model (kestrivane-cli info MODEL.kvn shows DoBackProp "
       "and DoAnnealing as 0); switch one on in the desktop program's Options menu and save the model"},
  };
  *n = sizeof table / sizeof table[0];
  return table;
}

}  // namespace

std::string CliWording(std::string_view text) {
  std::string out(text);
  size_t n = 0;
  const Rewording* table = Table(&n);
  for (size_t i = 0; i < n; ++i) {
    const size_t at = out.find(table[i].window);
    if (at != std::string::npos) out.replace(at, table[i].window.size(), table[i].cli);
  }
  return out;
}

std::string CliMessageText(std::string_view text) {
  std::string out = CliWording(text);
  const std::string failure = TakeFileFailure();
  if (!failure.empty()) out += "\n" + failure;
  return out;
}

}  // namespace kv::cli
