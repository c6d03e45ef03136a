// The face contract run against the headless face.
#include "platform/headless/headless_platform.h"
#include "platform/face_contract.h"

namespace kv::test {
namespace {

std::unique_ptr<Face> MakeHeadless() { return std::make_unique<FaceOf<HeadlessPlatform>>(); }

INSTANTIATE_TEST_SUITE_P(Headless, FaceContract, testing::Values(FaceKind{"headless", &MakeHeadless}),
                         FaceName);

}  // namespace
}  // namespace kv::test
