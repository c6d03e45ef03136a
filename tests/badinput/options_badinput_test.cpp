// Bad preferences files (kv.dat): loading shows no message, takes what it
// can read, keeps the defaults for the rest, and never changes the file.
#include <cmath>
#include <cstring>
#include <string>

#include "app/options.h"
#include "badinput/bad_inputs.h"
#include "support/fixture.h"

namespace kv::test {
namespace {

class OptionsBadInput : public PlatformTest {
 protected:
  // A hand-written file without inv_currency (the long line sets it).
  const std::string good =
      "proxy_name,\"proxy.example.net\"\n"
      "proxy_port,3128\n"
      "use_proxy,1\n"
      "inet_des_dir,\"/home/quotes/\"\n"
      "inv_initial,5000.000000\n";

  // Loads text as kv.dat; the file is the same afterwards.
  std::unique_ptr<Options> Load(const std::string& text) {
    const std::string path = dir.write("kv.dat", text);
    auto o = std::make_unique<Options>();
    EXPECT_EQ(ReadFile(path), text);
    EXPECT_TRUE(platform.messages().empty());
    for (int id = 0; id < Options::kSlots; ++id) {
      EXPECT_LT(std::strlen(o->cGetOption(id)), 512u);
      EXPECT_TRUE(std::isfinite(o->fGetOption(id))) << "slot " << id;
    }
    return o;
  }
};

TEST_F(OptionsBadInput, FilesOfTheWrongKind) {
  const std::string long_line = "inv_currency,\"" + std::string(100000, 'E') + "\"";
  for (const auto& v : bad::CommonVariants(good, long_line)) {
    SCOPED_TRACE(v.name);
    auto o = Load(v.bytes);
    const std::string name = v.name;
    if (name == "a line of 100,000 characters") {
      // The line is cut at 510 characters; the lines after it still count.
      EXPECT_EQ(std::string(o->cGetOption("inv_currency")), std::string(510 - 14, 'E'));
      EXPECT_EQ(o->iGetOption("proxy_port"), 3128);
      EXPECT_EQ(o->fGetOption("inv_initial"), 5000.0f);
      o->ApplyOptions();
      EXPECT_STREQ(InvestSettings.inv_currency, "EEEEEEE");
    } else if (name == "no line ends" || name == "CR-only line ends") {
      // One line: its first option is read, every other keeps its default.
      EXPECT_STREQ(o->cGetOption("proxy_name"), "proxy.example.net");
      EXPECT_EQ(o->iGetOption("proxy_port"), 80);
      EXPECT_STREQ(o->cGetOption("inet_des_dir"), "./");
    } else {
      // Nothing readable: every option keeps its default.
      EXPECT_STREQ(o->cGetOption("proxy_name"), "");
      EXPECT_EQ(o->iGetOption("proxy_port"), 80);
      EXPECT_EQ(o->iGetOption("use_proxy"), 0);
      EXPECT_STREQ(o->cGetOption("inet_des_dir"), "./");
      EXPECT_EQ(o->fGetOption("inv_initial"), 1000.0f);
    }
  }
}

TEST_F(OptionsBadInput, ValuesOfSixHundredCharacters) {
  const std::string v600(600, 'v');
  std::string text;
  for (const char* key : {"proxy_name", "inet_des_dir", "inet_filter", "inv_currency"})
    text += std::string(key) + ",\"" + v600 + "\"\n";
  text += "proxy_port," + std::string(600, '9') + "\n";
  text += "inv_initial," + std::string(600, '9') + "\n";
  text += "inv_broker_fee,0." + std::string(598, '1') + "\n";
  text += "inet_database,\"EUROPE\"\n";
  auto o = Load(text);
  // A text value keeps what fits in the line's 510 characters.
  EXPECT_EQ(std::string(o->cGetOption("proxy_name")), std::string(510 - 12, 'v'));
  EXPECT_EQ(std::string(o->cGetOption("inet_des_dir")), std::string(510 - 14, 'v'));
  // A number too large for its option leaves the option as it was.
  EXPECT_EQ(o->iGetOption("proxy_port"), 2147483647);
  EXPECT_EQ(o->fGetOption("inv_initial"), 1000.0f);
  EXPECT_NEAR(o->fGetOption("inv_broker_fee"), 0.1111111f, 1e-6);
  // The line after the long ones is read as its own line.
  EXPECT_STREQ(o->cGetOption("inet_database"), "EUROPE");

  // Saved and loaded again, the preferences are the same.
  o.reset();
  const std::string saved = ReadFile(dir.file("kv.dat"));
  auto again = std::make_unique<Options>();
  again.reset();
  EXPECT_EQ(ReadFile(dir.file("kv.dat")), saved);
}

TEST_F(OptionsBadInput, FiftyMegabytesOfRepeatedLines) {
  // A file that a script appended to at every start.
  auto o = Load(bad::Repeated("proxy_port,8080\r\ninet_q,1\r", 50u << 20));
  EXPECT_EQ(o->iGetOption("proxy_port"), 8080);
  EXPECT_EQ(o->iGetOption("inet_q"), 1);
  EXPECT_STREQ(o->cGetOption("inet_des_dir"), "./");
}

}  // namespace
}  // namespace kv::test
