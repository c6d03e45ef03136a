// libcurl is opened when the first transfer starts; a missing or wrong
// library is refused with the reason, not called.
#include "platform/curl_library.h"

#include <gtest/gtest.h>

namespace kv::test {
namespace {

TEST(CurlLibraryTest, OpensOnlyALibraryWithEveryFunction) {
  struct Case {
    const char* file;
    bool ok;
    const char* error;   // part of the reason
  } cases[] = {
      {"libcurl.so.4", true, ""},
      {"libkv-no-such-library.so.4", false, "libkv-no-such-library.so.4: cannot open shared object file"},
      {"libm.so.6", false, "libm.so.6 has no curl_global_init (libcurl 7.66 or later is needed)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    CurlLibrary lib;
    std::string error;
    ASSERT_EQ(LoadCurlLibrary(c.file, &lib, &error), c.ok) << error;
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
    EXPECT_EQ(c.ok, lib.easy_setopt && lib.multi_poll && lib.slist_free_all);
  }
  std::string error;
  EXPECT_NE(Curl(&error), nullptr) << error;
}

}  // namespace
}  // namespace kv::test
