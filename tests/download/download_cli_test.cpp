// kestrivane-cli download by URL template, against real servers on
// 127.0.0.1: plain HTTP, HTTPS with a certificate made for the test, and
// servers that answer badly on purpose.
#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <sstream>
#include <filesystem>
#include <string>
#include <sys/wait.h>

#include "download/download_support.h"
#include "download/test_server.h"
#include "support/fixture.h"
#include "util/json.h"

namespace kv::test {
namespace {

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

CliResult RunDownload(const TempDir& dir, const std::string& args) {
  std::string cmd = std::string(KV_CLI_PATH) + " download " + args + " 2>" + dir.file("err.txt");
  CliResult r;
  std::FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  while (size_t n = std::fread(buf, 1, sizeof buf, p)) r.out.append(buf, n);
  int status = ::pclose(p);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.err = ReadFile(dir.file("err.txt"));
  return r;
}

std::string Chunked(const std::string& body, size_t piece) {
  std::string s = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
  char size[32];
  for (size_t i = 0; i < body.size(); i += piece) {
    std::string part = body.substr(i, piece);
    std::snprintf(size, sizeof size, "%zx\r\n", part.size());
    s += size + part + "\r\n";
  }
  return s + "0\r\n\r\n";
}

std::string Redirect(const std::string& to) {
  return "HTTP/1.1 302 Found\r\nLocation: " + to + "\r\nContent-Length: 0\r\n\r\n";
}

TEST(DownloadCliTest, UrlTemplateFromRealServers) {
  TempDir dir;
  TestHttpServer server;
  TlsServer tls(dir);
  ASSERT_TRUE(tls.running()) << tls.error();
  const std::string quote = QuoteText(3000);
  const std::string big = QuoteText(5u << 20);
  server.SetBody("/d?s=ibm&i=d", quote);
  server.Set("/chunked/IBM", Chunked(quote, 700));
  // Announces its length and keeps the connection open, as a keep-alive server does.
  server.Set("/kept/IBM", "HTTP/1.1 200 OK\r\nContent-Length: 3000\r\n\r\n" + quote,
             TestHttpServer::Mode::kStallAfter);
  server.SetBody("/big/IBM", big);
  for (int i = 0; i < 6; ++i) server.Set("/hop" + std::to_string(i) + "/IBM", Redirect("/hop" + std::to_string(i + 1) + "/IBM"));
  server.SetBody("/hop5/IBM", quote);  // five redirects from hop0, six from hopx
  server.Set("/hopx/IBM", Redirect("/hop0/IBM"));
  tls.Serve("q/IBM.csv", quote);

  const std::string http = "http://" + server.host();
  struct Case {
    const char* name;
    std::string args;
    std::string line;      // the result line
    const std::string* file;  // what IBM.csv holds afterwards (null: the old file)
  } cases[] = {
      {"plain HTTP, lower-case symbol in a query", "--url '" + http + "/d?s={symbol_lc}&i=d'", "   IBM \tOK", &quote},
      {"chunked", "--url " + http + "/chunked/{symbol}", "   IBM \tOK", &quote},
      {"server keeps the connection", "--url " + http + "/kept/{SYMBOL}", "   IBM \tOK", &quote},
      {"5 MB", "--url " + http + "/big/{symbol}", "   IBM \tOK", &big},
      {"five redirects", "--url " + http + "/hop0/{symbol}", "   IBM \tOK", &quote},
      {"six redirects", "--url " + http + "/hopx/{symbol}", "   IBM \tFAIL more than 5 redirects", nullptr},
      {"HTTPS with --cacert", "--cacert " + tls.cacert() + " --url " + tls.base() + "/q/{symbol}.csv", "   IBM \tOK",
       &quote},
      {"HTTPS, authority not trusted", "--url " + tls.base() + "/q/{symbol}.csv", "   IBM \tFAIL certificate: ",
       nullptr},
  };
  const std::string old = "the user's old file\n";
  std::filesystem::create_directory(dir.file("out"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string out = dir.write("out/IBM.csv", old);
    CliResult r = RunDownload(dir, "--timeout 20 --dest " + dir.file("out") + " " + c.args + " IBM");
    EXPECT_EQ(r.status, c.file ? 0 : 1) << r.err;
    EXPECT_EQ(r.out.rfind(c.line, 0), 0u) << r.out;
    EXPECT_TRUE(ReadFile(out) == (c.file ? *c.file : old)) << ReadFile(out).size();
  }
  // One-run options stay out of kv.dat.
  std::string kv = ReadFile((std::filesystem::path(KV_CLI_PATH).parent_path() / "kv.dat").string());
  EXPECT_EQ(kv.find(tls.cacert()), std::string::npos);
  EXPECT_EQ(kv.find(http), std::string::npos);
  EXPECT_EQ(kv.find("quote_timeout,20"), std::string::npos);
}

TEST(DownloadCliTest, HostileAnswersFailWithTheirReason) {
  TempDir dir;
  TestHttpServer server;
  using Mode = TestHttpServer::Mode;
  const std::string ok = "HTTP/1.1 200 OK\r\n\r\n";
  const std::string quote = QuoteText(3000);
  struct Case {
    const char* name;
    std::string raw;
    Mode mode;
    std::string reason;
    std::string filler = "";
  } cases[] = {
      {"endless body", ok + quote, Mode::kEndless, "timeout after 5 s", std::string(1000, '7') + "\n"},
      {"endless header", "HTTP/1.1 200 OK\r\n", Mode::kEndless, "", "X-Padding: " + std::string(1000, 'p') + "\r\n"},
      {"one byte at a time", ok + quote, Mode::kTrickle, "timeout after 5 s"},
      {"silent server", "", Mode::kStall, "timeout after 5 s"},
      {"lower-case protocol", "http/1.1 404 Not Found\r\n\r\n" + quote, Mode::kNormal, "malformed status line"},
      {"two blanks", "HTTP/1.1  404 Not Found\r\n\r\n" + quote, Mode::kNormal, "malformed status line"},
      {"blank line first", "\r\nHTTP/1.1 404 Not Found\r\n\r\n" + quote, Mode::kNormal, "malformed status line"},
      {"error page", "HTTP/1.1 404 Not Found\r\n\r\n" + quote, Mode::kNormal, "HTTP 404"},
      {"headers only", "HTTP/1.0 200 OK\r\nContent-Type: text/csv\r\n\r\n", Mode::kNormal, "empty answer"},
      {"NUL byte", ok + quote.substr(0, 1500) + std::string(1, '\0') + quote, Mode::kNormal, "NUL byte in the answer"},
      {"shorter than announced", "HTTP/1.1 200 OK\r\nContent-Length: 9000\r\n\r\n" + quote, Mode::kNormal,
       "answer cut short"},
      {"chunked, cut", Chunked(quote, 1000).substr(0, 2000), Mode::kNormal, "answer cut short"},
      {"not a price file", ok + "<html>" + std::string(3000, 'x') + "</html>\n", Mode::kNormal, "not a price file"},
      {"short file", ok + QuoteText(999), Mode::kNormal,
       "only 999 characters (a quote file has at least 1000)"},
  };
  const std::string old = "the user's old file\n";
  std::filesystem::create_directory(dir.file("out"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    server.Set("/q/IBM", c.raw, c.mode, c.filler);
    std::string out = dir.write("out/IBM.csv", old);
    CliResult r = RunDownload(dir, "--timeout 5 --dest " + dir.file("out") + " --url http://" + server.host() +
                                  "/q/{symbol} IBM");
    EXPECT_EQ(r.status, 1) << r.err;
    // The endless header is refused by the library (too large) or by the deadline.
    EXPECT_EQ(r.out.rfind("   IBM \tFAIL " + c.reason, 0), 0u) << r.out;
    EXPECT_GT(r.out.size(), std::string("   IBM \tFAIL \n").size()) << r.out;
    EXPECT_EQ(ReadFile(out), old);
    // and no temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("out")),
                            std::filesystem::directory_iterator{}),
              1);
  }
}

// --json: one object per symbol, in the order of the result lines, beside
// the same text with --json=FILE.
TEST(DownloadCliTest, JsonHasOneObjectPerSymbol) {
  TempDir dir;
  std::filesystem::create_directory(dir.file("out"));
  TestHttpServer server;
  server.SetBody("/q/IBM", QuoteText(48 * 70));   // 70 lines of 48 characters
  server.SetBody("/q/KO", "<html>no quotes here</html>");
  const std::string args = "--timeout 20 --dest " + dir.file("out") + " --url http://" + server.host() +
                           "/q/{SYMBOL} IBM MSFT KO ../x";
  const CliResult text = RunDownload(dir, args);
  EXPECT_EQ(text.status, 1);
  const CliResult both = RunDownload(dir, args + " --json=" + dir.file("r.json"));
  EXPECT_EQ(both.out, text.out);
  const CliResult json = RunDownload(dir, args + " --json");
  EXPECT_EQ(json.status, 1);
  EXPECT_EQ(ReadFile(dir.file("r.json")), json.out);
  JsonValue doc;
  std::string err;
  ASSERT_TRUE(ParseJson(json.out, &doc, &err)) << err << json.out;
  const struct {
    const char* symbol;
    const char* line;      // the text's result line
    const char* outcome;
    int days;              // ok: the price lines written
    const char* error;     // failed: the start of the reason
  } cases[] = {
      {"IBM", "   IBM \tOK", "ok", 70, nullptr},
      {"MSFT", "  MSFT \tFAIL ", "failed", 0, "HTTP 404"},
      {"KO", "    KO \tFAIL ", "failed", 0, ""},
      {"../x", "  ../x \tFAIL not a usable file name", "failed", 0, "not a usable file name"},
  };
  const JsonValue& results = *doc.Find("results");
  ASSERT_EQ(results.size(), std::size(cases));
  std::istringstream lines(text.out);
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(c.symbol);
    std::string line;
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_EQ(line.rfind(c.line, 0), 0u) << line;
    const JsonValue& r = results.items()[i];
    EXPECT_EQ(r.Find("symbol")->AsString(), c.symbol);
    EXPECT_EQ(r.Find("file")->AsString(), dir.file("out") + "/" + c.symbol + ".csv");
    EXPECT_EQ(r.Find("outcome")->AsString(), c.outcome);
    if (c.days) {
      EXPECT_EQ(r.Find("days")->AsNumber(), c.days);
    } else {
      // The reason the text gives after FAIL.
      EXPECT_EQ(line.substr(line.find("FAIL") + 5), r.Find("error")->AsString());
      EXPECT_EQ(r.Find("error")->AsString().rfind(c.error, 0), 0u);
    }
  }
  EXPECT_EQ(doc.Find("succeeded")->AsNumber(), 1);
  EXPECT_EQ(doc.Find("failed")->AsNumber(), 3);
}

}  // namespace
}  // namespace kv::test
