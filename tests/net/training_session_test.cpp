// TRAIN, STOP, the pass sequence kept in Trained, hidden-layer growth, the
// Options toggles and the controls around a session.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "net/net_fixture.h"
#include "resources/ids.h"

namespace kv::test {
namespace {

constexpr long long kTrialsPerFailedPass = 1277;   // from width 0.6, no success

class TrainingSessionTest : public NetTest {
 protected:
  // The start-up work would fire one virtual second in and end the session.
  TrainingSessionTest() { platform.KillTimer(main.get(), ids::TIMER_STARTUP); }

  // A one-stock model whose patterns come from the stock's short-term series
  // (influence period 2), so that the pattern preparation TRAIN runs first
  // rebuilds exactly these inputs. The rise target follows input 0.
  void MakeSessionModel(int days) {
    MakeModel(days, 2, 3);
    Stock& s = *main->stocks[0];
    s.do_price = s.do_volume = s.do_l_price = false;
    s.do_s_price = true;
    s.infl_periods = 2;
    for (int d = 0; d < days; ++d) {
      float x = (d * 37 % 11) / 10.0f;
      s.s_price[d] = x;
      main->patterns.result[d][0] = x > 0.5f ? 0.9f : 0.1f;
      main->patterns.result[d][1] = x > 0.5f ? 0.1f : 0.9f;
    }
    main->Prep_Data();
  }

  // No stock: every evaluation gives 1e6, no annealing trial succeeds, and
  // each pass runs exactly 1277 trials -- a session whose course is known
  // step by step.
  void MakeStocklessModel(int hidden) {
    main->stocks[0].reset();
    main->n_files = 0;
    main->net.x_matrix = hidden;
    main->DoBackProp = false;
    main->DoAnnealing = true;
    main->AutoIncNeu = false;
    main->learning_steps = 0;
  }

  // The annealing pass the status line names, or 0.
  int PassShown() {
    const std::string prefix = "Simulated Annealing Training pass ";
    std::string s = window->GetText(ids::IDC_STATUS);
    return s.rfind(prefix, 0) == 0 ? std::stoi(s.substr(prefix.size())) : 0;
  }
};

TEST_F(TrainingSessionTest, WithNoAlgorithmTickedTrainShowsTheMessageAndChangesNothing) {
  MakeSessionModel(300);
  main->DoBackProp = false;
  main->DoAnnealing = false;
  main->Trained = 2;
  main->net.in_nodes = 5;   // patterns not prepared: stays as it is
  main->modified = false;
  win().Click(ids::IDC_TRAIN);
  ASSERT_EQ(platform.messages().size(), 1u);
  EXPECT_EQ(platform.messages()[0].text, "Please select a training algorithm from the Options Menu");
  EXPECT_EQ(platform.messages()[0].caption, "Kestrivane");
  EXPECT_EQ(platform.messages()[0].flags, unsigned{MB_OK});
  EXPECT_EQ(main->Trained, 2);
  EXPECT_EQ(main->net.in_nodes, 5);
  EXPECT_FALSE(main->modified);
  EXPECT_FALSE(main->training_on);
  EXPECT_TRUE(window->IsEnabled(ids::IDC_TRAIN));
  EXPECT_FALSE(window->IsEnabled(ids::IDC_STOP));
  EXPECT_FALSE(platform.HasTimer(main.get(), ids::TIMER_MINUTE));
}

TEST_F(TrainingSessionTest, ControlsDuringAndAfterASession) {
  struct Case {
    int trained;
    bool list_editable;   // ADD, DEL enabled; Neurons and Influence Period writable
  } cases[] = {{0, true}, {2, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE("Trained " + std::to_string(c.trained));
    MakeSessionModel(300);
    main->Trained = c.trained;
    struct State {
      bool train, forget, predict, stop, add, del, neurons_ro, infl_ro;
    } busy{};
    int pumps = 0;
    int poller = platform.AddPoller([&] {
      if (++pumps != 5) return;
      busy = {window->IsEnabled(ids::IDC_TRAIN), window->IsEnabled(ids::IDC_FORGET),
              window->IsEnabled(ids::IDC_PREDICT), window->IsEnabled(ids::IDC_STOP),
              window->IsEnabled(ids::IDC_ADD), window->IsEnabled(ids::IDC_DEL),
              window->IsReadOnly(ids::IDC_NEURONS), window->IsReadOnly(ids::IDC_INFL_PERIOD)};
      win().Click(ids::IDC_STOP);
    });
    win().Click(ids::IDC_TRAIN);
    platform.RemovePoller(poller);
    EXPECT_FALSE(busy.train);
    EXPECT_FALSE(busy.forget);
    EXPECT_FALSE(busy.predict);
    EXPECT_TRUE(busy.stop);
    EXPECT_EQ(busy.add, c.list_editable);
    EXPECT_EQ(busy.del, c.list_editable);
    EXPECT_EQ(busy.neurons_ro, !c.list_editable);
    EXPECT_EQ(busy.infl_ro, !c.list_editable);

    EXPECT_FALSE(main->training_on);
    EXPECT_EQ(window->GetText(ids::IDC_STATUS), "Finished Training");
    EXPECT_TRUE(window->IsEnabled(ids::IDC_TRAIN));
    EXPECT_TRUE(window->IsEnabled(ids::IDC_FORGET));
    EXPECT_TRUE(window->IsEnabled(ids::IDC_PREDICT));
    EXPECT_FALSE(window->IsEnabled(ids::IDC_STOP));
    // The network is trained now: its inputs are locked.
    EXPECT_GE(main->Trained, 1);
    EXPECT_FALSE(window->IsEnabled(ids::IDC_ADD));
    EXPECT_TRUE(window->IsReadOnly(ids::IDC_INFL_PERIOD));
    for (unsigned id : {ids::TIMER_AUTOSAVE, ids::TIMER_MINUTE, ids::TIMER_TIME_LIMIT})
      EXPECT_FALSE(platform.HasTimer(main.get(), id)) << id;
  }
}

TEST_F(TrainingSessionTest, AFreshNetworkRunsPasses1To4AndResumesAtPass4) {
  MakeStocklessModel(4);
  main->Trained = 0;
  // (pass shown, Trained) at the first pump of each pass.
  std::vector<std::pair<int, int>> starts;
  platform.AddPoller([&] {
    long long n = main->learning_steps;
    if (PassShown() == 0 || n % kTrialsPerFailedPass != 0 ||
        n / kTrialsPerFailedPass != static_cast<long long>(starts.size()))
      return;
    starts.emplace_back(PassShown(), main->Trained);
    if (starts.size() == 5) main->STOP_BNClicked();
  });
  main->B1_BNClicked();
  std::vector<std::pair<int, int>> want = {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {4, 4}};
  EXPECT_EQ(starts, want);
  EXPECT_EQ(main->Trained, 4);
  EXPECT_EQ(main->net.x_matrix, 4);
}

TEST_F(TrainingSessionTest, StopDuringPass2LeavesTrained3) {
  MakeStocklessModel(4);
  main->Trained = 0;
  platform.AddPoller([&] {
    if (PassShown() == 2 && main->training_on) win().Click(ids::IDC_STOP);
  });
  main->B1_BNClicked();
  EXPECT_EQ(main->Trained, 3);
  EXPECT_EQ(main->learning_steps, kTrialsPerFailedPass);   // stopped before its first trial
  EXPECT_EQ(window->GetText(ids::IDC_STATUS), "Finished Training");
}

TEST_F(TrainingSessionTest, GrowthAfterARound) {
  struct Case {
    int neurons, grown, trained;
  } cases[] = {{9, 10, 1}, {10, 12, 4}, {11, 12, 4}, {12, 12, 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE("neurons " + std::to_string(c.neurons));
    MakeStocklessModel(c.neurons);
    main->AutoIncNeu = true;
    main->Trained = 3;   // the round runs passes 3 and 4
    int grown = 0, trained = 0;
    std::string field;
    int poller = platform.AddPoller([&] {
      if (main->learning_steps != 2 * kTrialsPerFailedPass || !main->training_on) return;
      grown = main->net.x_matrix;   // the next round has just begun
      trained = main->Trained;
      field = window->GetText(ids::IDC_NEURONS);
      main->STOP_BNClicked();
    });
    main->B1_BNClicked();
    platform.RemovePoller(poller);
    EXPECT_EQ(grown, c.grown);
    EXPECT_EQ(trained, c.trained);
    EXPECT_EQ(field, std::to_string(c.grown));
  }
}

TEST_F(TrainingSessionTest, AStepBudgetEndsTheSessionAfterExactlyThatManySteps) {
  struct Case {
    bool backprop, annealing;
    long long budget;
    int trained;
  } cases[] = {
      {true, false, 2500, 1},                            // back-propagation only
      {false, true, kTrialsPerFailedPass + 10, 3},       // stopped early in pass 2
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.budget);
    if (c.annealing) MakeStocklessModel(4);
    else MakeSessionModel(300);
    main->DoBackProp = c.backprop;
    main->DoAnnealing = c.annealing;
    main->Trained = 0;
    main->learning_steps = 0;
    main->step_budget = c.budget;
    main->B1_BNClicked();
    main->step_budget = -1;
    EXPECT_EQ(main->learning_steps, c.budget);
    EXPECT_EQ(main->Trained, c.trained);
    EXPECT_FALSE(main->training_on);
  }
}

TEST_F(TrainingSessionTest, UntickingBothAlgorithmsDuringASessionEndsIt) {
  MakeStocklessModel(4);
  main->DoBackProp = true;
  main->Trained = 4;   // the round runs back-propagation, then pass 4
  int pumps = 0;
  platform.AddPoller([&] {
    if (++pumps != 10) return;
    main->OnCommand(ids::CM_OPT_BACKPROP);
    main->OnCommand(ids::CM_OPT_ANNEALING);
  });
  // The running phase goes on to its natural end; then no algorithm is left,
  // and the next round would spin without ever pumping.
  main->B1_BNClicked();
  EXPECT_FALSE(main->training_on);
  EXPECT_FALSE(main->DoBackProp);
  EXPECT_FALSE(main->DoAnnealing);
  EXPECT_EQ(window->GetText(ids::IDC_STATUS), "Finished Training");
}

TEST_F(TrainingSessionTest, ForgetDuringAnAnnealingPassLeavesTheNetworkUntrained) {
  MakeStocklessModel(4);
  main->Trained = 0;
  int pumps = 0;
  platform.AddPoller([&] {
    if (++pumps == 20) win().Click(ids::IDC_FORGET);   // disabled while training: no effect
    if (pumps == 30) main->INITIALIZE_BNClicked();      // the menu of another window, say
  });
  main->B1_BNClicked();
  ASSERT_EQ(platform.messages().size(), 1u);   // "DELETE ALL training?" answered Yes
  EXPECT_EQ(main->Trained, 0);
  EXPECT_EQ(main->TimeTrained, 0);
  EXPECT_TRUE(window->IsEnabled(ids::IDC_ADD));
}

TEST_F(TrainingSessionTest, OptionsToggles) {
  struct Case {
    int command;
    bool TMainDlg::*flag;
  } cases[] = {{ids::CM_OPT_BACKPROP, &TMainDlg::DoBackProp},
               {ids::CM_OPT_ANNEALING, &TMainDlg::DoAnnealing},
               {ids::CM_OPT_AUTOSAVE, &TMainDlg::AutoSave},
               {ids::CM_OPT_ADJUST_NEURONS, &TMainDlg::AutoIncNeu}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    const bool initial = (*main).*c.flag;
    for (int flip = 1; flip <= 2; ++flip) {
      main->modified = false;
      main->OnCommand(c.command);
      EXPECT_TRUE(main->modified);
      EXPECT_EQ((*main).*c.flag, flip == 1 ? !initial : initial);
      CommandEnabler ce;
      ce.id = c.command;
      main->QueryCommand(ce);
      EXPECT_TRUE(ce.enabled);
      EXPECT_EQ(ce.checked, (*main).*c.flag);
    }
  }
  // Genetic: always grey, and choosing it anyway changes nothing.
  for (bool genetic : {false, true}) {
    main->DoGenetic = genetic;
    main->modified = false;
    CommandEnabler ce;
    ce.id = ids::CM_OPT_GENETIC;
    main->QueryCommand(ce);
    EXPECT_FALSE(ce.enabled);
    main->OnCommand(ids::CM_OPT_GENETIC);
    main->CmOptiongenetic();
    EXPECT_EQ(main->DoGenetic, genetic);
    EXPECT_FALSE(main->modified);
  }
}

TEST_F(TrainingSessionTest, AShortSessionLowersTheTrainingWindowError) {
  MakeSessionModel(300);
  main->clear_network();
  const double untrained = main->process_bp(main->eval_days, main->keepout_days, 1, true);
  clock.SetStepPerPump(100);
  platform.SetTimer(main.get(), ids::TIMER_TIME_LIMIT, 2 * 60000);
  main->B1_BNClicked();
  const double trained = main->process_bp(main->eval_days, main->keepout_days, 1, true);
  EXPECT_LT(trained, untrained * 0.5);
}

// The bundled sample model, through the command-line program.
class SampleTrainingTest : public TrainingSessionTest {
 protected:
  // Runs kestrivane-cli in the test's folder; returns its exit status.
  int Cli(const std::string& args) {
    std::string cmd = std::string("\"") + KV_CLI_PATH + "\" " + args + " >>cli.log 2>&1";
    int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  }
  void CreateSampleModel(const std::string& name) {
    std::filesystem::copy_file(SamplePath("GE.csv"), dir.file("GE.csv"),
                               std::filesystem::copy_options::overwrite_existing);
    ASSERT_EQ(Cli("create " + name + " --stock GE,GE.csv,10,s"), 0) << ReadFile("cli.log");
  }
};

TEST_F(SampleTrainingTest, AShortSessionLowersTheSampleModelsError) {
  CreateSampleModel("ge.kvn");
  main->model_path = dir.file("ge.kvn");
  ASSERT_TRUE(main->Read_Param().ok);
  const double untrained = main->process_bp(main->eval_days, main->keepout_days, 1, true);
  main->learning_steps = 0;
  main->step_budget = 50000;
  main->B1_BNClicked();
  const double trained = main->process_bp(main->eval_days, main->keepout_days, 1, true);
  EXPECT_LT(trained, untrained);
}

TEST_F(SampleTrainingTest, TheSameSeedAndStepsGiveTheSameFile) {
  CreateSampleModel("ge.kvn");
  const std::string untrained = ReadFile("ge.kvn");
  for (const char* name : {"a.kvn", "b.kvn", "c.kvn"})
    std::filesystem::copy_file("ge.kvn", name);
  ASSERT_EQ(Cli("train a.kvn --steps 20000 --seed 42"), 0) << ReadFile("cli.log");
  ASSERT_EQ(Cli("train b.kvn --steps 20000 --seed 42"), 0) << ReadFile("cli.log");
  ASSERT_EQ(Cli("train c.kvn --steps 20000 --seed 43"), 0) << ReadFile("cli.log");
  EXPECT_NE(ReadFile("a.kvn"), untrained);
  EXPECT_EQ(ReadFile("a.kvn"), ReadFile("b.kvn"));
  EXPECT_NE(ReadFile("a.kvn"), ReadFile("c.kvn"));
}

TEST_F(SampleTrainingTest, BadArgumentsAreRefusedAndLeaveTheModelAlone) {
  CreateSampleModel("ge.kvn");
  const std::string untrained = ReadFile("ge.kvn");
  // Wrong usage is 2; a model that does not open is a failed run, 1.
  for (const char* args : {"ge.kvn", "ge.kvn --steps 10 --seconds 5", "ge.kvn --time 1:75",
                           "ge.kvn --time 0:00", "ge.kvn --seconds -3", "ge.kvn --steps x",
                           "ge.kvn --steps 10 --seed 1x", "ge.kvn --steps 10 --fast"}) {
    EXPECT_EQ(Cli(std::string("train ") + args), 2) << args;
  }
  EXPECT_EQ(Cli("train missing.kvn --steps 10"), 1);
  EXPECT_EQ(ReadFile("ge.kvn"), untrained);
}

}  // namespace
}  // namespace kv::test
