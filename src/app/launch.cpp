#include "app/launch.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/platform.h"

namespace kv {
namespace {

SpawnFn g_spawn;
RegistryFn g_registry;
char g_key_buffer[1024];

// Starts a program detached from us. A middle process starts it and watches
// it for a moment: a launcher that gives up at once (no browser, no display,
// program not found) counts as a failure so that the next candidate is
// tried, while one still running, or done without error, counts as started.
// The program itself is left to the system, so it never becomes our zombie.
bool SpawnDetached(const std::vector<std::string>& argv) {
  if (argv.empty() || argv[0].empty()) return false;
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  std::fflush(nullptr);
  pid_t middle = fork();
  if (middle < 0) return false;
  if (middle == 0) {
    pid_t child = fork();
    if (child < 0) _exit(1);
    if (child == 0) {
      setsid();
      execvp(args[0], args.data());
      _exit(127);
    }
    for (int i = 0; i < 30; ++i) {   // about 600 ms
      int status = 0;
      if (waitpid(child, &status, WNOHANG) == child)
        _exit(WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1);
      struct timespec ts {0, 20'000'000};
      nanosleep(&ts, nullptr);
    }
    _exit(0);
  }
  int status = 0;
  while (waitpid(middle, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool Spawn(const std::vector<std::string>& argv) {
  return g_spawn ? g_spawn(argv) : SpawnDetached(argv);
}

// Where the face cannot launch a viewer (and no test's spawner stands in),
// it shows the user the line instead.
bool ShowInstead(const std::string& line) {
  return !g_spawn && plat().ShowInsteadOfLaunching(line);
}

std::string Absolute(const char* file) {
  if (!file || !*file) return {};
  if (file[0] == '/') return file;
  char cwd[PATH_MAX];
  if (!getcwd(cwd, sizeof cwd)) return file;
  std::string out = cwd;
  if (out.back() != '/') out += '/';
  return out + file;
}

// An editor command from the environment, split at blanks ("code -w").
std::vector<std::string> Words(const char* text) {
  std::vector<std::string> out;
  std::string w;
  for (const char* p = text; *p; ++p) {
    if (*p == ' ' || *p == '\t') {
      if (!w.empty()) out.push_back(w), w.clear();
    } else {
      w += *p;
    }
  }
  if (!w.empty()) out.push_back(w);
  return out;
}

}  // namespace

void SetSpawnForTesting(SpawnFn fn) { g_spawn = std::move(fn); }
void SetRegistryForTesting(RegistryFn fn) { g_registry = std::move(fn); }

const char* GetKeyDefault(RegRoot root, const char* subKey) {
  g_key_buffer[0] = 0;
  std::optional<std::string> value;
  if (g_registry && subKey) value = g_registry(root, subKey);
  // A value too long for the buffer would come back cut, naming some other
  // program: it counts as missing.
  if (!value || value->empty() || value->size() >= sizeof g_key_buffer) return nullptr;
  std::memcpy(g_key_buffer, value->data(), value->size());
  g_key_buffer[value->size()] = 0;
  if (g_key_buffer[0] != '"') return g_key_buffer;
  // "C:\path\prog.exe" "%1": keep the quoted program path alone.
  size_t n = value->size();
  while (n > 1 && g_key_buffer[n - 1] != '"') --n;
  if (n > 1) --n;   // the closing quote
  g_key_buffer[n] = 0;
  return g_key_buffer + 1;
}

bool BrowseTo(const char* url) {
  if (!url) url = "";
  if (ShowInstead(std::string("open ") + url + " in a web browser")) return true;
  // The desktop's own choice first.
  if (Spawn({"xdg-open", url})) return true;
  static const struct {
    RegRoot root;
    const char* key;
  } kKeys[] = {
      {RegRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Netscape.exe"},
      {RegRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE"},
      {RegRoot::ClassesRoot, "HTTP\\shell\\open\\command"},
      {RegRoot::ClassesRoot, "htmlfile\\shell\\open\\command"},
  };
  for (const auto& k : kKeys) {
    if (const char* program = GetKeyDefault(k.root, k.key)) {
      if (Spawn({program, url})) return true;
    }
  }
  for (const char* browser : {"sensible-browser", "x-www-browser", "firefox", "chromium"}) {
    if (Spawn({browser, url})) return true;
  }
  plat().MessageBox(std::string("Kestrivane was unable to find a Web Browser\n"
                                "You may find this information at:\n") +
                        kVendorAddress,
                    "Kestrivane", MB_OK | MB_ICONEXCLAMATION);
  return false;
}

bool OpenInNotepad(const char* file, const char* shownName) {
  const std::string path = Absolute(file);
  if (ShowInstead("view the file " + path)) return true;
  if (!path.empty()) {
    if (Spawn({"xdg-open", path})) return true;
    // The user's own editor, in a terminal window of its own.
    const char* editor = std::getenv("VISUAL");
    if (!editor || !*editor) editor = std::getenv("EDITOR");
    if (editor && *editor) {
      std::vector<std::string> argv = {"x-terminal-emulator", "-e"};
      for (std::string& w : Words(editor)) argv.push_back(std::move(w));
      argv.push_back(path);
      if (argv.size() > 3 && Spawn(argv)) return true;
    }
  }
  plat().MessageBox(std::string("Unable to start Notepad.exe\nto view the file \"") +
                        (shownName ? shownName : "") + "\"",
                    "Kestrivane", MB_OK | MB_ICONEXCLAMATION);
  return false;
}

}  // namespace kv
