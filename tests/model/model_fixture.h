// A fixture with a saved two-stock model, for the model file and File
// command tests.
#pragma once

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "data/price_files.h"
#include "net/random.h"
#include "support/fixture.h"
#include "util/text.h"

namespace kv::test {

class ModelFileTest : public MainDlgTest {
 protected:
  const std::vector<Day> days = TradingDays(1998, 1, 5, 300);
  std::string model;

  std::string WritePrices(const std::string& name, double base) {
    std::filesystem::create_directories(std::filesystem::path(dir.file(name)).parent_path());
    return dir.write(name, PriceText(days, [&](const Day& d, int i) {
                       return Format("%d,%g,%d", d.ymd(), base + 3 * std::sin(i / 7.0), 900 + i % 11);
                     }));
  }

  // A two-stock model with every setting away from its default, saved.
  void BuildModel() {
    platform.ClearRecords();
    const std::string a = WritePrices("my data/a prices.csv", 30);
    const std::string b = WritePrices("b.csv", 12);
    auto add = [&](int slot, const std::string& path, const char* sym, int periods, bool p, bool v,
                   bool l, bool s) {
      auto st = std::make_unique<Stock>();
      st->data_file = path;
      st->symbol = sym;
      st->infl_periods = periods;
      st->do_price = p, st->do_volume = v, st->do_l_price = l, st->do_s_price = s;
      main->stocks[slot] = std::move(st);
      main->n_files = slot + 1;
    };
    add(0, a, "AAA", 3, true, false, false, true);
    add(1, b, "BB", 2, false, true, true, false);
    main->Update_Stocks();
    TMainDlg& m = *main;
    m.Trained = 2;
    m.net.x_matrix = 5;
    m.Strategy = 7;
    m.buy_up_min = 0.8f, m.buy_down_max = 0.3f, m.sell_down_min = 0.7f, m.sell_up_max = 0.35f;
    m.take_stop_band = 0.15f;
    m.nh_synapsis = 7;
    m.threshold = 1.5f;
    m.points_stock = 11;
    m.net.learn_rate = 0.0123456789f;
    m.day_increm = 3;
    m.TimeTrained = 77;
    m.DoAnnealing = false;
    m.DoGenetic = true;
    m.DoBackProp = false;
    m.AutoSave = true;
    m.AutoIncNeu = false;
    m.PredicMode = 1;
    for (auto& row : m.net.hidden_w)
      for (float& w : row) w = frand(10.0f) * 1e-3f * static_cast<float>(1 + random31() % 1000);
    for (auto& row : m.net.out_w)
      for (float& w : row) w = frand(4.0f);
    m.stocks[1]->infl_period = 4;
    model = dir.file("model one.kvn");
    m.model_path = model;
    m.Save_Param();
    ASSERT_FALSE(m.modified);
    ASSERT_TRUE(platform.messages().empty());
  }

  // The saved file with the line of `key` replaced by `replacement`.
  std::string WithLine(const std::string& key, const std::string& replacement) {
    std::istringstream in(ReadFile(model));
    std::string out, line;
    bool done = false;
    while (std::getline(in, line)) {
      if (!done && line.rfind(key + "=", 0) == 0) {
        line = replacement;
        done = true;
      }
      out += line + "\n";
    }
    EXPECT_TRUE(done) << key;
    return out;
  }

  bool ReadText(const std::string& text) {
    platform.ClearRecords();
    main->model_path = dir.write("edited.kvn", text);
    return main->Read_Param().ok;
  }

  static float Rounded(float v) { return static_cast<float>(std::strtod(Format("%g", v).c_str(), nullptr)); }
};

}  // namespace kv::test
