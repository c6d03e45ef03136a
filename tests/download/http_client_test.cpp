// The HTTP client against a real server (and a real proxy) on 127.0.0.1.
#include "download/http_client.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "app/options.h"
#include "download/download_support.h"
#include "download/test_server.h"
#include "support/fixture.h"

namespace kv::test {
namespace {

// The vendor's servers are asked as they always were; the HTTP library
// puts Host first, which changes nothing for a server.
const char kDirect[] =
    "GET /kestrivane/markee.txt HTTP/1.0\r\nHost: %s\r\nProxy-Connection: Keep-Alive\r\nUser-Agent: "
    "Mozilla/4.03 [en] (Win95; I)\r\nAccept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
    "*/*\r\nAccept-Language: en\r\nAccept-Charset: iso-8859-1,*,utf-8\r\n\r\n";
const char kProxied[] =
    "GET http://quotes.example.com/q/IBM.txt HTTP/1.0\r\nHost: quotes.example.com\r\nProxy-Connection: "
    "Keep-Alive\r\nUser-Agent: Mozilla/4.03 [en] (Win95; I)\r\nAccept: image/gif, image/x-xbitmap, "
    "image/jpeg, image/pjpeg, */*\r\nAccept-Language: en\r\nAccept-Charset: iso-8859-1,*,utf-8\r\n\r\n";

class HttpClientTest : public PlatformTest {
 protected:
  HttpClientTest() {
    delete theOptions;
    theOptions = new Options();
    theOptions->SetOption("inet_server", server.host().c_str());
    platform.SetQuitHandler([this](int) { quit_requests++; });
    client = std::make_unique<DlgSendStream>(nullptr);
  }
  ~HttpClientTest() override {
    client.reset();
    delete theOptions;
    theOptions = nullptr;
    DlgSendStream::SetIdleTimeoutMs(60000);
  }

  bool Fetch(const std::string& path, std::string& out, int size = 250000) {
    std::vector<char> buf(static_cast<size_t>(size) + 1, 'x');
    bool ok = client->GetURL(server.host().c_str(), path.c_str(), buf.data(), size);
    out = buf.data();
    return ok;
  }
  std::vector<std::string> Messages() const {
    std::vector<std::string> out;
    for (const auto& m : platform.messages()) out.push_back(m.caption + "|" + m.text);
    return out;
  }

  TestHttpServer server;
  std::unique_ptr<DlgSendStream> client;
  int quit_requests = 0;
};

TEST_F(HttpClientTest, DirectRequestIsSentByteForByte) {
  server.SetBody("/kestrivane/markee.txt", "Banner text of the day\r\n");
  std::string body;
  ASSERT_TRUE(Fetch("kestrivane/markee.txt", body));
  EXPECT_EQ(body, "Banner text of the day\r\n");
  ASSERT_EQ(server.request_count(), 1);
  char want[1024];
  std::snprintf(want, sizeof want, kDirect, server.host().c_str());
  EXPECT_EQ(server.requests()[0], want);
  EXPECT_EQ(client->state(), DlgSendStream::kIdle);
  EXPECT_EQ(client->window().GetText(ids::IDC_HTTP_STATUS), "Status: Idle");
  EXPECT_TRUE(platform.messages().empty());
}

TEST_F(HttpClientTest, ProxyRequestNamesTheFullAddressAndGoesToTheProxy) {
  // The test server stands in for the proxy: the connection must go to it,
  // whatever host the request names.
  theOptions->SetOption("use_proxy", 1);
  theOptions->SetOption("proxy_name", "127.0.0.1");
  theOptions->SetOption("proxy_port", server.port());
  server.SetBody("/q/IBM.txt", "a quote file long enough to be a body");
  char buf[4096];
  ASSERT_TRUE(client->GetURL("quotes.example.com", "q/IBM.txt", buf, sizeof buf));
  EXPECT_STREQ(buf, "a quote file long enough to be a body");
  ASSERT_EQ(server.request_count(), 1);
  EXPECT_EQ(server.requests()[0], kProxied);
}

TEST_F(HttpClientTest, ResponsesAreSplitAndJudged) {
  const std::string ok = "HTTP/1.0 200 OK\r\n";
  struct Case {
    const char* name;
    std::string raw;
    bool ok;
    std::string body;   // on success; else the reason
    int size = 250000;
  } cases[] = {
      {"crlf separator", ok + "Server: t\r\n\r\nHello, world!", true, "Hello, world!"},
      {"bare lf lf", "HTTP/1.0 200 OK\nServer: t\n\nHello, world!", true, "Hello, world!"},
      {"crlf found before lf lf", ok + "\r\nline one\n\nline two", true, "line one\n\nline two"},
      // A short body is still the body: the headers are never the document.
      {"body of 10", ok + "\r\n0123456789", true, "0123456789"},
      {"body of 11 is the body", ok + "\r\n0123456789A", true, "0123456789A"},
      {"empty body", ok + "Server: t\r\n\r\n", false, "empty answer"},
      {"no separator", ok + "Server: t\r\n", false, "empty answer"},
      {"no status line", "X-Kind: old\r\n\r\nplain old document", false, "malformed status line"},
      {"lower-case protocol", "http/1.0 200 OK\r\n\r\nan answer", false, "malformed status line"},
      {"cut at the destination size", ok + "\r\n" + std::string(30, 'b'), true, std::string(20, 'b'), 21},
      {"NUL byte", ok + "\r\nabc" + std::string(1, '\0') + "def", false, "NUL byte in the answer"},
      {"not found", "HTTP/1.0 404 Not Found\r\n\r\n" + std::string(2000, 'e'), false, "HTTP 404"},
      {"server error", "HTTP/1.1 500 Oops\r\n\r\n" + std::string(2000, 'e'), false, "HTTP 500"},
      {"redirect nowhere", "HTTP/1.0 302 Found\r\n\r\nmoved somewhere else", false, "HTTP 302"},
      {"shorter than announced", ok + "Content-Length: 100\r\n\r\nonly this much arrived", false, "answer cut short"},
      {"as long as announced", ok + "Content-Length: 22\r\n\r\nall of it has arrived!", true,
       "all of it has arrived!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    server.Set("/doc", c.raw);
    std::string body;
    EXPECT_EQ(Fetch("doc", body, c.size), c.ok);
    EXPECT_EQ(c.ok ? body : client->reason(), c.body);
    if (!c.ok) {
      EXPECT_EQ(body, "");
    }
  }
  EXPECT_TRUE(platform.messages().empty());
}

TEST_F(HttpClientTest, DataBeyondTheDestinationIsCut) {
  struct Case {
    size_t body;
    size_t kept;
  } cases[] = {{239000, 239000}, {300000, 249999}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    server.SetBody("/big", std::string(c.body, 'z'));
    std::string body;
    EXPECT_TRUE(Fetch("big", body));
    EXPECT_EQ(body.size(), c.kept);
  }
}

TEST_F(HttpClientTest, ServerThatNeverFinishesIsGivenUpAfterAMinute) {
  // One virtual second passes at every turn of the pump.
  clock.SetStepPerPump(1000);
  server.Set("/silent", "", TestHttpServer::Mode::kStall);
  server.Set("/endless", "HTTP/1.0 200 OK\r\n\r\nthe start of a document that never ends",
             TestHttpServer::Mode::kStallAfter);
  for (const char* path : {"silent", "endless"}) {
    SCOPED_TRACE(path);
    platform.ClearRecords();
    uint64_t start = clock.TickMs();
    std::string body;
    EXPECT_FALSE(Fetch(path, body));
    EXPECT_EQ(body, "");
    EXPECT_GE(clock.TickMs() - start, 60000u);
    EXPECT_LT(clock.TickMs() - start, 70000u);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Error|No answer from the Internet Server for 60 seconds."});
    EXPECT_EQ(client->state(), DlgSendStream::kIdle);
  }
}

TEST_F(HttpClientTest, ConnectionFailuresShowTheirMessages) {
  struct Case {
    std::string host;
    std::string message;
  } cases[] = {
      {"127.0.0.1:" + std::to_string(TestHttpServer::ClosedPort()), "|Error Connecting to Host."},
      {"nonexistent.invalid", "Error|Error Connecting to Internet Server."},
      {"nonexistent.invalid:8080", "Error|Error Connecting to Internet Server."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.host);
    platform.ClearRecords();
    char buf[100] = "unchanged";
    EXPECT_FALSE(client->GetURL(c.host.c_str(), "x", buf, sizeof buf));
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(Messages(), std::vector<std::string>{c.message});
    EXPECT_EQ(client->state(), DlgSendStream::kIdle);
  }
  // The client is usable again afterwards.
  server.SetBody("/after", "a document after the failures");
  std::string body;
  EXPECT_TRUE(Fetch("after", body));
}

TEST_F(HttpClientTest, AbortDuringAFetchEndsOnlyTheTransfer) {
  server.Set("/slow", "", TestHttpServer::Mode::kStall);
  int poller = platform.AddPoller([&] {
    if (server.request_count() > 0 && !client->quit()) client->Abort();
  });
  std::string body;
  EXPECT_FALSE(Fetch("slow", body));
  platform.RemovePoller(poller);
  EXPECT_TRUE(client->quit());
  EXPECT_EQ(quit_requests, 0);
  EXPECT_TRUE(platform.messages().empty());
  // A stopped client fetches nothing more.
  server.SetBody("/after", "a document after the abort");
  EXPECT_FALSE(Fetch("after", body));
  EXPECT_EQ(server.request_count(), 1);
}

TEST_F(HttpClientTest, TickerFilesAreWrittenOnlyWhenComplete) {
  ServeQuoteSource(server);
  struct Case {
    const char* name;
    std::string raw;
    bool ok;
    size_t size = 1000;
  } cases[] = {
      {"999 characters", "HTTP/1.0 200 OK\r\n\r\n" + QuoteText(999), false},
      {"1000 characters", "HTTP/1.0 200 OK\r\n\r\n" + QuoteText(1000), true},
      {"error page", "HTTP/1.0 404 Not Found\r\n\r\n" + QuoteText(5000), false},
      {"cut short", "HTTP/1.0 200 OK\r\nContent-Length: 9000\r\n\r\n" + QuoteText(5000), false},
      {"beyond the old receive limit", "HTTP/1.0 200 OK\r\n\r\n" + QuoteText(260000), true, 260000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = dir.write("IBM.csv", "the user's old file\n");
    server.Set("/q/IBM.txt", c.raw);
    EXPECT_EQ(client->GetTickerFile("usa", "IBM", path.c_str()), c.ok);
    std::string want = "the user's old file\n";
    if (c.ok) {
      want = QuoteText(c.size);
      for (char& ch : want)
        if (ch == '\r') ch = ' ';
    }
    EXPECT_EQ(ReadFile(path), want);
  }
  // One configuration per instance.
  EXPECT_EQ(server.requests_for("/kestrivane/Loader.cnf"), 1);
  // Unknown database: nothing is fetched.
  int before = server.request_count();
  EXPECT_FALSE(client->GetTickerFile("Mars", "IBM", dir.file("IBM.csv").c_str()));
  EXPECT_EQ(server.request_count(), before);
}

TEST_F(HttpClientTest, SymbolsAreEncodedAndTheLaterEntryOfANameWins) {
  ServeQuoteSource(server, "CN:3\r\nCNAME:usa\r\nCURL:" + server.host() + "\r\nCRPRE:late/\r\nCRPOST:.csv\r\n");
  server.SetBody("/late/%5EGSPC.csv", QuoteText(1200));
  server.SetBody("/late/A%20B.csv", QuoteText(1200));
  EXPECT_TRUE(client->GetTickerFile("USA", "^GSPC", dir.file("GSPC.csv").c_str()));
  EXPECT_TRUE(client->GetTickerFile("USA", "A B", dir.file("AB.csv").c_str()));
  EXPECT_EQ(server.requests_for("/q/^GSPC.txt"), 0);
}

TEST_F(HttpClientTest, ConfigurationFromTheVendorServer) {
  struct Case {
    const char* name;
    std::string text;
    bool ok;
  } cases[] = {
      {"magic in lower case", "kvl:1\r\nCNAME:USA\r\n", true},
      {"nothing after the first line", "KVL: no entries yet\r\n", true},
      // Short, but a body all the same: the headers never stand in for it.
      {"short body", "KVL:1.0\r\n", true},
      {"no magic", "KV:1\r\nCNAME:USA\r\n", false},
      {"html page", "<html><body>KVL:</body></html>", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DlgSendStream fresh(nullptr);
    server.SetBody("/kestrivane/Loader.cnf", c.text);
    EXPECT_EQ(fresh.GetURLConfig(), c.ok);
    EXPECT_EQ(fresh.config_loaded(), c.ok);
  }
}

TEST_F(HttpClientTest, ThroughARealProxy) {
  TinyProxy proxy(dir);
  if (TinyProxy::Binary().empty()) GTEST_SKIP() << proxy.error();
  ASSERT_TRUE(proxy.running()) << proxy.error();
  ServeQuoteSource(server);
  server.SetBody("/q/IBM.txt", QuoteText(3000));
  theOptions->SetOption("use_proxy", 1);
  theOptions->SetOption("proxy_name", "127.0.0.1");
  theOptions->SetOption("proxy_port", proxy.port());
  std::string path = dir.file("IBM.csv");
  ASSERT_TRUE(client->GetTickerFile("USA", "IBM", path.c_str())) << ::testing::PrintToString(Messages());
  EXPECT_EQ(ReadFile(path).size(), 3000u);
  // The proxy received the full address; the server got the request from the proxy.
  std::string log = proxy.log();
  EXPECT_NE(log.find("GET http://" + server.host() + "/kestrivane/Loader.cnf HTTP/1.0"), std::string::npos)
      << log;
  EXPECT_NE(log.find("GET http://" + server.host() + "/q/IBM.txt HTTP/1.0"), std::string::npos) << log;
  auto reqs = server.requests();
  ASSERT_EQ(reqs.size(), 2u);
  EXPECT_NE(reqs[1].find("GET /q/IBM.txt HTTP/1.0\r\n"), std::string::npos) << reqs[1];
  EXPECT_NE(reqs[1].find("tinyproxy"), std::string::npos) << reqs[1];
}

// ---- parsing, without a server ----

TEST(LoaderConfigTest, Parsing) {
  const std::string long_value(256, 'h');
  struct Case {
    const char* name;
    std::string text;
    bool ok;
    // entry index, name, host, prefix, suffix
    std::vector<std::vector<std::string>> want;
  } cases[] = {
      {"entry 0 before any CN, CR LF lines", "KVL:1.0 comment\r\nCNAME:USA\r\nCURL:q.example\r\nCRPRE:/d?s=\r\nCRPOST:&f=csv\r\n",
       true, {{"0", "USA", "q.example", "/d?s=", "&f=csv"}}},
      {"LF-only lines keep their last character", "KVL:\nCNAME:USA\nCURL:q.example\n", true,
       {{"0", "USA", "q.example", "", ""}}},
      {"keys without regard to case, CN groups", "Kvl:\r\ncn:2\r\ncname:DE\r\nCn:5\r\nCName:UK\r\n", true,
       {{"2", "DE", "", "", ""}, {"5", "UK", "", "", ""}, {"0", "", "", "", ""}}},
      {"CN outside 0-19 fills nothing", "KVL:\r\nCN:20\r\nCNAME:X\r\nCN:-1\r\nCNAME:Y\r\nCN:abc\r\nCNAME:Z\r\nCN:19\r\nCNAME:LAST\r\n",
       true, {{"0", "", "", "", ""}, {"19", "LAST", "", "", ""}}},
      {"value over 255 characters is ignored", "KVL:\r\nCNAME:USA\r\nCURL:" + long_value + "\r\nCRPRE:" +
           long_value.substr(1) + "\r\n", true, {{"0", "USA", "", long_value.substr(1), ""}}},
      {"a line without colon swallows the next", "KVL:\r\nCNAME:USA\r\ngarbage\r\nCURL:lost\r\nCRPRE:p\r\n", true,
       {{"0", "USA", "", "p", ""}}},
      {"credentials and unknown keys are ignored", "KVL:\r\nCUSER:u\r\nCPWD:p\r\nCHL:1\r\nCOLOR:red\r\nCNAME:USA\r\n",
       true, {{"0", "USA", "", "", ""}}},
      {"last line without line end", "KVL:\r\nCNAME:USA\r\nCURL:host", true, {{"0", "USA", "host", "", ""}}},
      {"colon at the very end stops", "KVL:\r\nCNAME:USA\r\nCURL:", true, {{"0", "USA", "", "", ""}}},
      {"value with colons", "KVL:\r\nCURL:host:8080\r\n", true, {{"0", "", "host:8080", "", ""}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QuoteSource table[20];
    EXPECT_EQ(ParseLoaderConfig(c.text, table, 20), c.ok);
    for (const auto& w : c.want) {
      const QuoteSource& q = table[std::stoi(w[0])];
      EXPECT_EQ(q.name, w[1]);
      EXPECT_EQ(q.host, w[2]);
      EXPECT_EQ(q.prefix, w[3]);
      EXPECT_EQ(q.suffix, w[4]);
    }
  }
}

// Every text that is no configuration, with what the client reports; the
// table is left as it was.
TEST(LoaderConfigTest, Errors) {
  const std::string kNoMagic = "not a quote-source configuration (no \"KVL:\" at its start)";
  const struct {
    const char* name;
    std::string text;
  } cases[] = {
      {"empty", ""},
      {"no colon at all", "KVL"},
      {"no magic", "KVX:\r\nCNAME:USA\r\n"},
      {"colon before the third character", "KV:L\nCNAME:USA\n"},
      {"magic not first", " KVL:\nCNAME:USA\n"},
      {"html page", "<html><body>KVL:</body></html>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QuoteSource table[2];
    std::strcpy(table[0].name, "kept");
    std::string err;
    EXPECT_FALSE(ParseLoaderConfig(c.text, table, 2, &err));
    EXPECT_EQ(err, kNoMagic);
    EXPECT_STREQ(table[0].name, "kept");
  }
}

TEST(LoaderConfigTest, HostAndPort) {
  struct Case {
    const char* spec;
    bool ok;
    const char* host;
    int port;
  } cases[] = {
      {"quotes.example.com", true, "quotes.example.com", 80},
      {"127.0.0.1:8080", true, "127.0.0.1", 8080},
      {"h:65535", true, "h", 65535},
      {"h:0", false, "", 0},
      {"h:65536", false, "", 0},
      {"h:80x", false, "", 0},
      {"h:", false, "", 0},
      {":80", false, "", 0},
      {"", false, "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.spec);
    std::string host;
    int port = 0;
    EXPECT_EQ(SplitHostPort(c.spec, host, port), c.ok);
    if (c.ok) {
      EXPECT_EQ(host, c.host);
      EXPECT_EQ(port, c.port);
    }
  }
}

}  // namespace
}  // namespace kv::test
