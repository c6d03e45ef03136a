// The face contract (tests/platform/face_contract_test.cpp) run against the
// Qt face, offscreen, in scripted mode.
#include <QApplication>
#include <gtest/gtest.h>

#include "platform/face_contract.h"
#include "platform/qt/qt_platform.h"

namespace kv::test {
namespace {

std::unique_ptr<Face> MakeQt() {
  auto face = std::make_unique<FaceOf<QtPlatform>>();
  face->p.SetScripted(true);
  return face;
}

INSTANTIATE_TEST_SUITE_P(Qt, FaceContract, testing::Values(FaceKind{"qt", &MakeQt}), FaceName);

}  // namespace
}  // namespace kv::test

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
