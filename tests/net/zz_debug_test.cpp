#include <cstring>
#include <cstdio>
#include "net/fast_kernels.h"
#include "net/net_fixture.h"
#include "support/reference_engine.h"
namespace kv::test {
TEST_F(NetTest, ZZDebug) {
  MakeModel(1000, 3, 9);
  for (int j = 0; j < kInputRows; ++j) for (int d = 0; d < kMaxDays; ++d) main->inputs[j][d] = ((j*31+d*17)%100)/50.0f - 1;
  for (int d = 0; d < 1000; ++d) main->inputs[3][d] = 1;
  for (int d = 0; d < 1000; ++d) { main->result[d][0] = 0.3f; main->result[d][1] = 0.6f; }
  for (int j = 0; j < kInputRows; ++j) for (int h = 0; h < 12; ++h) { main->hidden_w[j][h] = ((j*7+h*13)%20)/40.0f - 0.25f; main->hidden_dw[j][h] = ((j*3+h*5)%10)/1000.0f; }
  for (int o = 0; o < 2; ++o) for (int h = 0; h < 13; ++h) { main->out_w[o][h] = ((o*7+h*3)%10)/10.0f - 0.5f; main->out_dw[o][h]=0; }
  float hw[kInputRows][12], hd[kInputRows][12], ow[2][13], od[2][13];
  memcpy(hw, main->hidden_w, sizeof hw); memcpy(hd, main->hidden_dw, sizeof hd); memcpy(ow, main->out_w, sizeof ow); memcpy(od, main->out_dw, sizeof od);
  RefBackprop(*main, 900);
  float r_ha[13], r_he[13], r_w[kInputRows][12];
  memcpy(r_ha, main->hidden_act, sizeof r_ha); memcpy(r_he, main->hidden_err, sizeof r_he); memcpy(r_w, main->hidden_w, sizeof r_w);
  memcpy(main->hidden_w, hw, sizeof hw); memcpy(main->hidden_dw, hd, sizeof hd); memcpy(main->out_w, ow, sizeof ow); memcpy(main->out_dw, od, sizeof od);
  main->backprop(900);
  for (int h = 0; h < 13; ++h) if (memcmp(&r_ha[h], &main->hidden_act[h], 4) || memcmp(&r_he[h], &main->hidden_err[h], 4)) printf("h %d act %.9g %.9g err %.9g %.9g\n", h, r_ha[h], main->hidden_act[h], r_he[h], main->hidden_err[h]);
  for (int j = 0; j < 4; ++j) for (int h = 0; h < 12; ++h) if (memcmp(&r_w[j][h], &main->hidden_w[j][h], 4)) printf("w %d %d %.9g %.9g\n", j, h, r_w[j][h], main->hidden_w[j][h]);
}
}
