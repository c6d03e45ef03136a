// The Preferences dialog on the headless face: what it shows, what OK stores
// and what Cancel leaves alone.
#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "app/options.h"
#include "app/preferences_dlg.h"
#include "resources/ids.h"
#include "support/fixture.h"

namespace kv::test {
namespace {

class PreferencesTest : public PlatformTest {
 protected:
  PreferencesTest() { theOptions = new Options(); }
  ~PreferencesTest() override {
    delete theOptions;
    theOptions = nullptr;
  }

  // Opens the dialog; `user` acts in it while it runs modally. Returns the
  // id that closed it.
  int Run(const std::function<void(HeadlessDialog&)>& user) {
    TOptionsDlg prefs(nullptr);
    auto& w = static_cast<HeadlessDialog&>(prefs.window());
    platform.SetModalScript([&](Dialog& d) {
      user(w);
      platform.CheckEvents();   // delivers the close request OK posts
      EXPECT_FALSE(d.IsOpen());
      return w.end_result();
    });
    return prefs.Execute();
  }
  static void Ok(HeadlessDialog& w) { w.Click(ids::IDC_PR_OK); }
  std::string Dat() { return ReadFile(program_dir + "kv.dat"); }
};

TEST(ExactFloatText, ShowsTheStoredValueWithoutLoss) {
  struct Case {
    float value;
    const char* text;
  } cases[] = {
      {0.02f, "0.02"}, {0.26f, "0.26"},   {25.0f, "25"},        {1000.0f, "1000"},
      {0.0f, "0"},     {1e6f, "1000000"}, {123.456f, "123.456"}, {-5.5f, "-5.5"},
      {0.1f, "0.1"},   {1e-7f, "0.0000001"},
  };
  for (const Case& c : cases) EXPECT_EQ(ExactFloatText(c.value), c.text) << c.value;
  // Whatever the value, the text reads back as the same float.
  for (float v : {3.4e38f, 1.17549435e-38f, 0.333333343f, 16777217.0f, 7.006e-5f})
    EXPECT_EQ(std::strtof(ExactFloatText(v).c_str(), nullptr), v) << v;
}

TEST_F(PreferencesTest, OkAtOnceChangesNothing) {
  theOptions->SetOption("inv_broker_com", 0.26f);
  theOptions->SetOption("proxy_name", "proxy.example");
  theOptions->SetOption("proxy_port", 3128);
  theOptions->SaveOptions();
  const std::string before = Dat();

  std::map<int, std::string> shown;
  EXPECT_EQ(Run([&](HeadlessDialog& w) {
              for (int id : {ids::IDC_PR_PROXY_NAME, ids::IDC_PR_PROXY_PORT, ids::IDC_PR_CURRENCY,
                             ids::IDC_PR_INITIAL, ids::IDC_PR_FEE, ids::IDC_PR_FPSHARE,
                             ids::IDC_PR_COM, ids::IDC_PR_QOVER})
                shown[id] = w.GetText(id);
              Ok(w);
            }),
            IDOK);
  EXPECT_EQ(shown[ids::IDC_PR_PROXY_NAME], "proxy.example");
  EXPECT_EQ(shown[ids::IDC_PR_PROXY_PORT], "3128");
  EXPECT_EQ(shown[ids::IDC_PR_CURRENCY], "$");
  EXPECT_EQ(shown[ids::IDC_PR_INITIAL], "1000");
  EXPECT_EQ(shown[ids::IDC_PR_FEE], "25");
  EXPECT_EQ(shown[ids::IDC_PR_FPSHARE], "0.02");   // not the whole number 0
  EXPECT_EQ(shown[ids::IDC_PR_COM], "0.26");       // not 0.3
  EXPECT_EQ(shown[ids::IDC_PR_QOVER], "1000");

  EXPECT_EQ(theOptions->fGetOption("inv_broker_fpshare"), 0.02f);
  EXPECT_EQ(theOptions->fGetOption("inv_broker_com"), 0.26f);
  EXPECT_EQ(InvestSettings.inv_broker_fpshare, 0.02f);
  EXPECT_EQ(Dat(), before);
}

TEST_F(PreferencesTest, OkStoresWhatTheFieldsHold) {
  Run([&](HeadlessDialog& w) {
    w.Click(ids::IDC_PR_USE_PROXY);
    w.SetText(ids::IDC_PR_PROXY_NAME, "cache.local");
    w.SetText(ids::IDC_PR_PROXY_PORT, "80808");   // four digits are read
    w.Click(ids::IDC_PR_INET_Q);
    w.SetText(ids::IDC_PR_CURRENCY, "EURO");       // three characters are kept
    w.SetText(ids::IDC_PR_INITIAL, "2500.5");
    w.SetText(ids::IDC_PR_FEE, "abc");             // no number: 0
    w.SetText(ids::IDC_PR_COM, "1.25 %");
    w.SetText(ids::IDC_PR_FPSHARE, ".015");
    w.SetText(ids::IDC_PR_QOVER, "99999999999999");
    w.SetText(ids::IDC_PR_BATCH_JOBS, "0");        // at least one model at a time
    Ok(w);
  });
  Options& o = *theOptions;
  EXPECT_EQ(o.iGetOption("use_proxy"), 1);
  EXPECT_STREQ(o.cGetOption("proxy_name"), "cache.local");
  EXPECT_EQ(o.iGetOption("proxy_port"), 8080);
  EXPECT_EQ(o.iGetOption("inet_q"), 1);
  EXPECT_EQ(o.iGetOption("inet_dall_start"), 0);
  EXPECT_STREQ(o.cGetOption("inv_currency"), "EUR");
  EXPECT_EQ(o.fGetOption("inv_initial"), 2500.5f);
  EXPECT_EQ(o.fGetOption("inv_broker_fee"), 0.0f);
  EXPECT_EQ(o.fGetOption("inv_broker_com"), 1.25f);
  EXPECT_EQ(o.fGetOption("inv_broker_fpshare"), 0.015f);
  EXPECT_EQ(o.iGetOption("inv_broker_q_over"), INT_MAX);
  EXPECT_EQ(o.iGetOption("batch_jobs"), 1);
  EXPECT_NE(Dat().find("proxy_port,8080"), std::string::npos);
  EXPECT_STREQ(InvestSettings.inv_currency, "EUR");
}

TEST_F(PreferencesTest, CancelLeavesOptionsAndFileAlone) {
  theOptions->SaveOptions();
  const std::string before = Dat();
  EXPECT_EQ(Run([&](HeadlessDialog& w) {
              w.Click(ids::IDC_PR_USE_PROXY);
              w.SetText(ids::IDC_PR_PROXY_PORT, "8080");
              w.SetText(ids::IDC_PR_COM, "3");
              w.Click(ids::IDC_PR_CANCEL);
            }),
            IDCANCEL);
  EXPECT_EQ(theOptions->iGetOption("use_proxy"), 0);
  EXPECT_EQ(theOptions->iGetOption("proxy_port"), 80);
  EXPECT_EQ(theOptions->fGetOption("inv_broker_com"), 0.0f);
  EXPECT_EQ(Dat(), before);
}

TEST_F(PreferencesTest, ProxyFieldsFollowUseProxyAndTheTabs) {
  theOptions->SetOption("proxy_name", "kept.example");
  Run([&](HeadlessDialog& w) {
    // Set up: Internet page, proxy off.
    EXPECT_EQ(w.ItemCount(ids::IDC_PR_TAB), 3);
    EXPECT_EQ(w.ItemText(ids::IDC_PR_TAB, 0), "Internet");
    EXPECT_EQ(w.ItemText(ids::IDC_PR_TAB, 1), "Invest");
    EXPECT_EQ(w.ItemText(ids::IDC_PR_TAB, 2), "Batch");
    EXPECT_EQ(w.GetSel(ids::IDC_PR_TAB), 0);
    EXPECT_FALSE(w.IsEnabled(ids::IDC_PR_PROXY_NAME));
    EXPECT_FALSE(w.IsEnabled(ids::IDC_PR_PROXY_PORT));
    w.Click(ids::IDC_PR_USE_PROXY);
    EXPECT_TRUE(w.IsEnabled(ids::IDC_PR_PROXY_NAME));
    w.Click(ids::IDC_PR_USE_PROXY);
    EXPECT_FALSE(w.IsEnabled(ids::IDC_PR_PROXY_PORT));

    w.Choose(ids::IDC_PR_TAB, 1);
    for (int id = ids::IDC_PR_CURRENCY; id <= ids::IDC_PR_INITIAL; ++id)
      EXPECT_TRUE(w.IsVisible(id) && w.IsEnabled(id)) << id;
    for (int id : {ids::IDC_PR_USE_PROXY, ids::IDC_PR_PROXY_NAME, ids::IDC_PR_PORT_LABEL,
                   ids::IDC_PR_INET_Q})
      EXPECT_FALSE(w.IsVisible(id)) << id;

    w.Choose(ids::IDC_PR_TAB, 2);
    EXPECT_TRUE(w.IsVisible(ids::IDC_PR_BATCH_JOBS) && w.IsEnabled(ids::IDC_PR_BATCH_JOBS));
    EXPECT_EQ(w.GetText(ids::IDC_PR_BATCH_JOBS), "1");
    EXPECT_FALSE(w.IsVisible(ids::IDC_PR_COM));

    // Back on the Internet page the proxy fields stay grey while unused.
    w.Choose(ids::IDC_PR_TAB, 0);
    EXPECT_TRUE(w.IsVisible(ids::IDC_PR_PROXY_NAME));
    EXPECT_TRUE(w.IsVisible(ids::IDC_PR_PORT_LABEL));
    EXPECT_FALSE(w.IsEnabled(ids::IDC_PR_PROXY_NAME));
    EXPECT_TRUE(w.IsEnabled(ids::IDC_PR_DALL_START));
    EXPECT_FALSE(w.IsVisible(ids::IDC_PR_COM));
    Ok(w);
  });
  // A greyed proxy name is still written back as it was.
  EXPECT_STREQ(theOptions->cGetOption("proxy_name"), "kept.example");
}

}  // namespace
}  // namespace kv::test
