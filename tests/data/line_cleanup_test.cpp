// Clean-up of price-file lines and the conditioning of the series.
#include <memory>

#include "data/stock.h"
#include "support/fixture.h"

namespace kv::test {
namespace {

TEST(LineCleanup, LinesOfEveryStyleReachTheParserInOneShape) {
  const struct {
    const char* raw;
    const char* clean;
  } cases[] = {
      {"31-Dec-98;12,50;1000", "31/12/98,12.50,1000"},   // semicolons, decimal commas
      {"31-Dec-98,12.50,1000", "31/12/98,12.50,1000"},
      {"31-12-98,12.5", "31/12/98,12.5"},                 // dashes become slashes
      {"\"1998-12-31\", \"12.50\" ,\t1000\r", "1998/12/31,12.50,1000"},
      {"Date,Open,High", ",,"},
      {"12/31/98 +1:30 x", "12/31/98130"},                // everything else dropped
      {"Dec-Dec", "12/"},                                 // one name per line
      {"3-Feb-99,1,Jan", "3//99,1,01"},                   // names tried in calendar order
      {"jan-3-99", "/3/99"},                               // names are case-sensitive
      {"", ""},
  };
  for (const auto& c : cases) {
    std::string line = c.raw;
    Stock::strcheck(line);
    EXPECT_EQ(line, c.clean) << c.raw;
  }
}

TEST(LineCleanup, CleanLinesAreCutAt1023Characters) {
  std::string line(5000, '7');
  Stock::strcheck(line);
  EXPECT_EQ(line.size(), 1023u);
}

class ConditioningTest : public PlatformTest {
 protected:
  std::unique_ptr<Stock> s = std::make_unique<Stock>();
  void SetPrices(std::initializer_list<float> p) {
    calendar_count = static_cast<int32_t>(p.size());
    int i = 0;
    for (float v : p) s->price[i] = s->raw_price[i] = v, ++i;
  }
};

TEST_F(ConditioningTest, GapsRepeatThePreviousCloseButNotTheVolume) {
  SetPrices({10, 0, 0, 12, 0});
  s->volume[0] = 100;
  s->volume[3] = 300;
  s->Filter();
  const float want[] = {10, 10, 10, 12, 12};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(s->raw_price[i], want[i]);
    EXPECT_EQ(s->price[i], want[i]);
  }
  EXPECT_EQ(s->volume[1], 0);
  EXPECT_EQ(s->volume[4], 0);
}

TEST_F(ConditioningTest, TrendFiltersStartAtTheFirstPrice) {
  SetPrices({20, 20, 24});
  s->Filter();
  EXPECT_FLOAT_EQ(s->l_price[0], 18);   // 0.9 x p0
  EXPECT_FLOAT_EQ(s->s_price[0], 0);
  // Day 2: smoothed 0.75*20 + 0.25*24 = 21; slow average 0.95*20 + 0.05*21.
  EXPECT_FLOAT_EQ(s->s_price[2], 21.0f - (0.95f * 20 + 0.05f * 21));
}

TEST_F(ConditioningTest, ScalingWithNewAndStoredFactors) {
  struct Case {
    const char* name;
    float price;
    int keep;
    float stored_upper;
    float want_price;
    float want_upper;
  } cases[] = {
      {"constant price maps to 0.9", 5.0f, 0, 0, 0.9f, 5.0f},
      {"tiny constant price: upper bound raised by 0.1", 0.05f, 0, 0, 0.05f * 0.9f / 0.15f, 0.15f},
      {"stored factors keep the old scale", 20.0f, 1, 10.0f, 1.8f, 10.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    s = std::make_unique<Stock>();
    calendar_count = 50;
    for (int i = 0; i < 50; ++i) s->price[i] = c.price;
    s->normal5 = c.stored_upper;
    s->normal1 = s->normal2 = s->normal3 = 1;
    s->Normalize(c.keep);
    EXPECT_FLOAT_EQ(s->normal5, c.want_upper);
    EXPECT_FLOAT_EQ(s->price[0], c.want_price);
    EXPECT_FLOAT_EQ(s->price[49], c.want_price);
    if (c.keep == 0) {
      // A flat zero volume gets the factor 5 from the 0.1 floor.
      EXPECT_FLOAT_EQ(s->normal3, 5.0f);
    } else {
      EXPECT_FLOAT_EQ(s->normal3, 1.0f);
    }
  }
}

}  // namespace
}  // namespace kv::test
