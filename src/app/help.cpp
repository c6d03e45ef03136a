// Help > Content, Help > Kestrivane Home, Help > About and the F1 key.
//
// The help is one web page, docs/help.html, shipped beside the program and
// opened in the user's browser.
#include <cstdio>
#include <string>
#include <sys/stat.h>

#include "app/launch.h"
#include "model/globals.h"
#include "model/main_dlg.h"
#include "util/text.h"

namespace kv {

namespace {

bool IsFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Where the help page lies: in docs/ beside the program (a build or a
// portable copy), in the installed share folder, or in the source tree a
// build folder sits in.
std::string HelpPagePath() {
  static const char* const kPlaces[] = {
      "docs/help.html",
      "../share/kestrivane/docs/help.html",
      "../docs/help.html",
      "../../docs/help.html",
  };
  for (const char* place : kPlaces) {
    std::string path = program_dir + place;
    if (IsFile(path)) {
      char resolved[4096];
      if (::realpath(path.c_str(), resolved)) return resolved;
      return path;
    }
  }
  return {};
}

// file:// address of an absolute path, with the characters a URL cannot
// carry as they are written as %XX.
std::string FileUrl(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char ch : path) {
    const bool plain = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') ||
                       (ch >= '0' && ch <= '9') || ch == '/' || ch == '-' || ch == '_' ||
                       ch == '.' || ch == '~';
    if (plain) {
      url += static_cast<char>(ch);
    } else {
      url += '%';
      url += kHex[ch >> 4];
      url += kHex[ch & 15];
    }
  }
  return url;
}

bool OpenHelpContents() {
  const std::string page = HelpPagePath();
  if (page.empty()) {
    plat().MessageBox("The help page docs/help.html was not found beside the program.",
                      "Kestrivane", MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  return BrowseTo(FileUrl(page).c_str());
}

}  // namespace

void TMainDlg::CmHelpcontent() {
  if (OpenHelpContents()) help_open = true;
}

void TMainDlg::EvHelp() { OpenHelpContents(); }

void TMainDlg::CmHelphomepage() { BrowseTo(kVendorAddress); }

void TMainDlg::CmHelpabout() {
  plat().MessageBox(Format("version %5.3f", kVersion), "About", MB_OK);
}

}  // namespace kv
