// The preferences store: 100 named slots, loaded from and saved to kv.dat.
#pragma once

#include <cstdint>
#include <string>

namespace kv {

// Money settings of the market simulator, refreshed from the options by
// ApplyOptions.
struct InvestSettingsRecord {
  char inv_currency[8] = "$";
  float inv_initial = 1000.0f;
  float inv_broker_fee = 25.0f;
  float inv_broker_com = 0.0f;
  float inv_broker_fpshare = 0.02f;
  int32_t inv_broker_q_over = 1000;
};
extern InvestSettingsRecord InvestSettings;

class Options {
 public:
  static constexpr int kSlots = 100;
  struct Slot {
    char name[50] = {};
    int32_t id = 0;
    int32_t type = 0;          // 0 integer, 1 text, 3 real
    char cValue[512] = {};
    int32_t iValue = 0;
    float fValue = 0.0f;
  };

  Options();                   // defaults, then LoadOptions()
  ~Options();                  // SaveOptions()

  int GetOptionID(const char* name) const;
  void SetOption(const char* name, int value);
  void SetOption(const char* name, const char* value);
  void SetOption(const char* name, float value);
  int iGetOption(const char* name) const;
  const char* cGetOption(const char* name) const;
  float fGetOption(const char* name) const;
  void SetOption(int id, int value);
  void SetOption(int id, const char* value);
  void SetOption(int id, float value);
  int iGetOption(int id) const;
  const char* cGetOption(int id) const;
  float fGetOption(int id) const;

  // Settings for this run only (a command-line flag, a choice that must not
  // outlive the command). After MarkRunOnly the setting is set and read as
  // usual, but SaveOptions never writes it: kv.dat keeps what it holds. The
  // mark lasts as long as the instance. Unknown names mark nothing.
  void MarkRunOnly(const char* name);
  bool IsRunOnly(const char* name) const;
  // MarkRunOnly, then SetOption.
  void SetForRun(const char* name, int value);
  void SetForRun(const char* name, const char* value);
  void SetForRun(const char* name, float value);

  // Writes kv.dat only when a setting differs from what the file held (or
  // there is no file yet). The file is read again first and only the lines
  // of the changed settings are replaced or added, so an edit another
  // program made meanwhile survives, and so do lines this version does not
  // know. Settings nobody here changed take the file's values. Then
  // ApplyOptions(). A file that cannot be written (or a kv.dat path that is
  // not a regular file) changes nothing on disk: false, with the path and
  // the reason in *err.
  bool SaveOptions(std::string* err = nullptr);
  void LoadOptions();
  void ApplyOptions();

  // Where kv.dat lives: beside the program; in the user's configuration
  // folder ($XDG_CONFIG_HOME/kestrivane, else ~/.config/kestrivane) when the
  // program is installed (its folder is a bin/ folder) or its folder cannot
  // be written.
  std::string FilePath() const;

 private:
  bool Differs(int id) const;   // slots_[id] against the file's value
  // Reads kv.dat at path into table; seen marks the settings it set. False
  // when the file cannot be opened.
  bool ReadInto(const std::string& path, Slot* table, bool* seen) const;

  Slot slots_[kSlots];
  Slot on_disk_[kSlots];        // the values as kv.dat last held them
  bool run_only_[kSlots] = {};
};

extern Options* theOptions;

}  // namespace kv
