// Runs every test class of the desktop program in one QApplication.
//   kvguitests                 all classes
//   kvguitests CLASS [ARGS]    one class, with QtTest's own arguments
#include <QApplication>
#include <QTest>
#include <cstring>

#include "gui_program.h"
#include "app/desktop/desktop_app.h"

namespace kv::gui {

std::vector<TestClass>& TestClasses() {
  static std::vector<TestClass> classes;
  return classes;
}

}  // namespace kv::gui

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  kv::ApplyProgramStyle();
  int failed = 0;
  for (const kv::gui::TestClass& c : kv::gui::TestClasses()) {
    if (argc >= 2 && std::strcmp(argv[1], c.name) != 0) continue;
    std::unique_ptr<QObject> test = c.make();
    if (argc >= 2) {
      std::vector<char*> args{argv[0]};
      for (int i = 2; i < argc; ++i) args.push_back(argv[i]);
      failed += QTest::qExec(test.get(), static_cast<int>(args.size()), args.data());
    } else {
      failed += QTest::qExec(test.get());
    }
  }
  return failed == 0 ? 0 : 1;
}
