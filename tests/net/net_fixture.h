// A main dialog holding a small hand-made model: one stock slot filled, a
// chosen number of days, inputs and targets set by the test.
#pragma once

#include "support/fixture.h"

namespace kv::test {

class NetTest : public MainDlgTest {
 protected:
  // A model of `days` days with `inputs` input rows (plus the bias row) and
  // `hidden` hidden neurons; inputs and targets zero, weights untouched.
  void MakeModel(int days, int input_rows, int hidden) {
    main->stocks[0] = std::make_unique<Stock>();
    main->n_files = 1;
    main->patterns.n_days = days;
    calendar_count = days;
    main->net.in_nodes = input_rows;
    main->net.x_matrix = hidden;
    main->net.out_nodes = 2;
    for (int d = 0; d < kMaxDays; ++d) main->patterns.inputs[input_rows][d] = 1.0f;
  }

  // A pattern the network can learn: the rise target follows input 0, the
  // fall target its opposite.
  void MakeLearnablePattern(int days) {
    MakeModel(days, 2, 3);
    for (int d = 0; d < days; ++d) {
      float x = (d * 37 % 11) / 10.0f;
      main->patterns.inputs[0][d] = x;
      main->patterns.inputs[1][d] = 1.0f - x;
      main->patterns.result[d][0] = x > 0.5f ? 0.9f : 0.1f;
      main->patterns.result[d][1] = x > 0.5f ? 0.1f : 0.9f;
    }
  }
};

}  // namespace kv::test
