#include "download/download_support.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>
#include <unistd.h>

extern char** environ;

namespace kv::test {

std::string QuoteText(size_t n) {
  static const std::string kLine = "2024-03-01,101.25,102.50,100.75,102.00,1234500\r\n";
  std::string s;
  while (s.size() < n) s += kLine;
  s.resize(n);
  return s;
}

void ServeQuoteSource(TestHttpServer& server, const std::string& extra_config) {
  server.SetBody("/kestrivane/Loader.cnf", "KVL:1.0\r\nCN:0\r\nCNAME:USA\r\nCURL:" + server.host() +
                                               "\r\nCRPRE:q/\r\nCRPOST:.txt\r\n" + extra_config);
  server.SetBody("/kestrivane/markee.txt", "Quotes for every market\r\nsecond line\r\n");
}

namespace {

bool Listening(int port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  ::close(fd);
  return ok;
}

}  // namespace

std::string TinyProxy::Binary() {
  for (const char* p : {"/usr/bin/tinyproxy", "/usr/sbin/tinyproxy", "/usr/local/bin/tinyproxy"})
    if (::access(p, X_OK) == 0) return p;
  return {};
}

TinyProxy::TinyProxy(const TempDir& dir) {
  std::string bin = Binary();
  if (bin.empty()) {
    error_ = "tinyproxy is not installed (tools/install-deps.sh test installs it)";
    return;
  }
  port_ = TestHttpServer::ClosedPort();
  log_path_ = dir.file("tinyproxy.log");
  std::string conf = dir.write("tinyproxy.conf",
                               "Port " + std::to_string(port_) +
                                   "\nListen 127.0.0.1\nTimeout 30\nAllow 127.0.0.1\nMaxClients 10\n"
                                   "LogLevel Info\nLogFile \"" + log_path_ + "\"\nPidFile \"" +
                                   dir.file("tinyproxy.pid") + "\"\n");
  std::string out = dir.file("tinyproxy.out");
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&fa, 1, 2);
  char* argv[] = {const_cast<char*>("tinyproxy"), const_cast<char*>("-d"), const_cast<char*>("-c"),
                  const_cast<char*>(conf.c_str()), nullptr};
  int rc = posix_spawn(&pid_, bin.c_str(), &fa, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&fa);
  if (rc != 0) {
    pid_ = -1;
    error_ = "tinyproxy could not be started";
    return;
  }
  for (int i = 0; i < 250 && !running_; ++i) {  // up to 5 s
    int status;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      error_ = "tinyproxy exited at once: " + ReadFile(out);
      return;
    }
    running_ = Listening(port_);
    if (!running_) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (!running_) error_ = "tinyproxy did not start listening";
}

TinyProxy::~TinyProxy() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  for (int i = 0; i < 100; ++i) {  // up to 2 s, then for good
    int status;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ::kill(pid_, SIGKILL);
  int status;
  ::waitpid(pid_, &status, 0);
}

namespace {

// Runs argv[0] with output to out; the pid, or -1.
pid_t Spawn(const std::vector<std::string>& args, const std::string& out) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&fa, 1, 2);
  pid_t pid = -1;
  int rc = posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  return rc == 0 ? pid : -1;
}

void Stop(pid_t pid) {
  if (pid <= 0) return;
  ::kill(pid, SIGTERM);
  for (int i = 0; i < 100; ++i) {  // up to 2 s, then for good
    int status;
    if (::waitpid(pid, &status, WNOHANG) == pid) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ::kill(pid, SIGKILL);
  int status;
  ::waitpid(pid, &status, 0);
}

}  // namespace

TlsServer::TlsServer(const TempDir& dir) {
  www_ = dir.file("www");
  std::filesystem::create_directories(www_);
  cacert_ = dir.file("cert.pem");
  std::string key = dir.file("key.pem");
  pid_t gen = Spawn({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", key, "-out",
                     cacert_, "-days", "2", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"},
                    dir.file("openssl-req.out"));
  int status = 0;
  if (gen <= 0 || ::waitpid(gen, &status, 0) != gen || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    error_ = "openssl could not make a certificate (tools/install-deps.sh test installs it): " +
             ReadFile(dir.file("openssl-req.out"));
    return;
  }
  port_ = TestHttpServer::ClosedPort();
  // -WWW serves files relative to the working folder: the paths are given from www.
  std::string out = dir.file("s_server.out");
  pid_ = Spawn({"sh", "-c",
                "cd '" + www_ + "' && exec openssl s_server -quiet -accept 127.0.0.1:" + std::to_string(port_) +
                    " -cert '" + cacert_ + "' -key '" + key + "' -WWW"},
               out);
  for (int i = 0; i < 250 && pid_ > 0 && !running_; ++i) {  // up to 5 s
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      break;
    }
    running_ = Listening(port_);
    if (!running_) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (!running_) error_ = "openssl s_server did not start: " + ReadFile(out);
}

TlsServer::~TlsServer() { Stop(pid_); }

void TlsServer::Serve(const std::string& path, const std::string& text) const {
  std::filesystem::path p = std::filesystem::path(www_) / path;
  std::filesystem::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << text;
}

std::string TinyProxy::log() const { return ReadFile(log_path_); }

}  // namespace kv::test
