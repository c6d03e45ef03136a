// kestrivane [FILE]: the desktop program. FILE, when given, is a model (.kvn)
// to open or a batch file (.kbf) to run one second after the window shows.
// --version prints the version, build type and engine flavour, without a window.
#include <QApplication>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <QFileInfo>

#include "app/version_info.h"

#include "model/globals.h"
#include "app/desktop/desktop_app.h"
#include "platform/qt/qt_platform.h"

int main(int argc, char** argv) {
  // Before QApplication: no display is needed to answer.
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::fputs(kv::VersionText("kestrivane").c_str(), stdout);
    return 0;
  }
  QApplication app(argc, argv);
  // Qt adopts the user's locale; numbers in kv.dat, .kvn files and reports are
  // always written and read with a decimal point.
  std::setlocale(LC_NUMERIC, "C");
  app.setQuitOnLastWindowClosed(false);   // the frame decides when the program ends
  kv::ApplyProgramStyle();

  // The program's own folder (where kv.dat lives unless the program is
  // installed) and the file named on the command line. Both are kept
  // absolute: the download dialog changes the current folder before the
  // start-up file is read.
  kv::program_dir = kv::ProgramDirectory(argv[0]);
  kv::startup_file.clear();
  if (argc >= 2 && argv[1][0] != '\0')
    kv::startup_file = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath().toStdString();

  kv::QtPlatform platform;
  kv::SetPlatform(&platform);
  int code;
  {
    kv::DesktopApp program(platform);
    program.Start();
    code = app.exec();
  }
  kv::SetPlatform(nullptr);
  return code;
}
