#include "util/json.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(JsonTest, WritesNumbersAndTextsAsTheyWillBeReadBack) {
  JsonValue doc = JsonValue::Object();
  doc.Set("price", 0.1f);
  doc.Set("ratio", 1.0 / 3.0);
  doc.Set("count", 42);
  doc.Set("cash", JsonValue::Fixed(-0.001, 2));
  doc.Set("nan", 0.0 / 0.0);
  doc.Set("path", "C:\\a \"b\"\n\x01\xff");
  doc.Set("list", JsonValue::Array()).Push(true);
  doc.Set("count", 43);   // replaced in its place
  EXPECT_EQ(doc.Dump(0),
            "{\"price\":0.1,\"ratio\":0.3333333333333333,\"count\":43,\"cash\":0.00,"
            "\"nan\":null,\"path\":\"C:\\\\a \\\"b\\\"\\n\\u0001\xEF\xBF\xBD\",\"list\":[true]}");

  JsonValue back;
  std::string err;
  ASSERT_TRUE(ParseJson(doc.Dump(), &back, &err)) << err;
  EXPECT_EQ(back.Dump(0), doc.Dump(0));
  EXPECT_EQ(static_cast<float>(back.Find("price")->AsNumber()), 0.1f);
  EXPECT_EQ(back.Find("path")->AsString(), "C:\\a \"b\"\n\x01\xEF\xBF\xBD");
}

TEST(JsonTest, ReadsEscapesAndRefusesMalformedDocuments) {
  JsonValue v;
  std::string err;
  ASSERT_TRUE(ParseJson(" [\"\\u00e9\\ud83d\\ude00\\/\", -1.5e3, null, {}] ", &v, &err)) << err;
  EXPECT_EQ(v.items()[0].AsString(), "\xC3\xA9\xF0\x9F\x98\x80/");
  EXPECT_EQ(v.items()[1].AsNumber(), -1500);

  const struct {
    const char* text;
    const char* error;
  } bad[] = {
      {"", "line 1, column 1: unexpected end of the document"},
      {"{\"a\" 1}", "line 1, column 6: expected ':'"},
      {"[1,\n 2", "line 2, column 3: expected ',' or ']'"},
      {"[01]", "line 1, column 3: expected ',' or ']'"},
      {"\"tab\there\"", "line 1, column 5: control character in a string"},
      {"{} x", "line 1, column 4: unexpected text after the document"},
      {"tru", "line 1, column 1: unknown word"},
      {"-", "line 1, column 2: malformed number"},
  };
  for (const auto& c : bad) {
    JsonValue keep = JsonValue::Object();
    EXPECT_FALSE(ParseJson(c.text, &keep, &err)) << c.text;
    EXPECT_EQ(err, c.error) << c.text;
    EXPECT_EQ(keep.type(), JsonValue::Type::kObject);
  }
  const std::string deep(100000, '[');
  EXPECT_FALSE(ParseJson(deep, &v, &err));
  EXPECT_NE(err.find("nested too deeply"), std::string::npos);
}

}  // namespace
}  // namespace kv
