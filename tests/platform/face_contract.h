// What both faces of the platform layer promise the program, as one suite
// run against each face: the headless face in kvtests, the Qt face
// (offscreen) in the GUI folder's kvfacetests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/scripted_answers.h"

namespace kv::test {

// One face, scripted, on a virtual clock, installed as the platform.
class Face {
 public:
  virtual ~Face() = default;
  virtual Platform& platform() = 0;
  virtual ScriptedAnswers& script() = 0;
  VirtualClock clock;
  std::vector<int> quit_codes;
};

template <class P>
class FaceOf final : public Face {
 public:
  Platform& platform() override { return p; }
  ScriptedAnswers& script() override { return p; }
  P p;
};

struct FaceKind {
  const char* name;
  std::unique_ptr<Face> (*make)();
};

class FaceContract : public testing::TestWithParam<FaceKind> {
 protected:
  void SetUp() override;
  void TearDown() override;
  Platform& platform() { return face_->platform(); }
  ScriptedAnswers& script() { return face_->script(); }
  VirtualClock& clock() { return face_->clock; }

  std::unique_ptr<Face> face_;
};

inline void PrintTo(const FaceKind& kind, std::ostream* os) { *os << kind.name; }

inline std::string FaceName(const testing::TestParamInfo<FaceKind>& info) { return info.param.name; }

}  // namespace kv::test
