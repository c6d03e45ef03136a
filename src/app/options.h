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

  void SaveOptions();
  void LoadOptions();
  void ApplyOptions();

  // Where kv.dat lives: beside the program, or in the user's configuration
  // folder when the program's folder cannot be written.
  std::string FilePath() const;

 private:
  Slot slots_[kSlots];
};

extern Options* theOptions;

}  // namespace kv
