// The File commands, the question before closing, and the file named on the
// command line.
#include <filesystem>
#include <functional>
#include <sys/stat.h>

#include "model/model_fixture.h"
#include "resources/ids.h"

namespace kv::test {
namespace {

const char* const kFilter = "Kestri (*.kvn)|*.kvn|All Files (*.*)|*.*|";
const char* const kAskSave = "Content has changed, do you want to save now?";

class FileCommandsTest : public ModelFileTest {
 protected:
  ~FileCommandsTest() override { startup_file.clear(); }
  // The model built and saved, then changed.
  void ModifiedModel() {
    BuildModel();
    main->AutoSave = false;
    main->TimeTrained = 99;
    main->modified = true;
    platform.ClearRecords();
  }
  bool Asked() const {
    for (auto& m : platform.messages())
      if (m.text == kAskSave) return true;
    return false;
  }
};

TEST_F(FileCommandsTest, NewAsksFirstAndCancelKeepsTheModel) {
  ModifiedModel();
  platform.QueueAnswer(IDCANCEL);
  main->CmFilenew();
  ASSERT_EQ(platform.messages().size(), 1u);
  EXPECT_EQ(platform.messages()[0].text, kAskSave);
  EXPECT_EQ(platform.messages()[0].caption, "Save File");
  EXPECT_EQ(platform.messages()[0].flags & MB_BUTTONS_MASK, MB_YESNOCANCEL);
  EXPECT_EQ(main->n_files, 2);
  EXPECT_TRUE(main->modified);

  platform.QueueAnswer(IDNO);
  main->CmFilenew();
  EXPECT_EQ(main->n_files, 0);
  EXPECT_FALSE(main->stocks[0]);
  EXPECT_FALSE(main->modified);
  EXPECT_TRUE(main->untitled);
  EXPECT_EQ(main->Strategy, 3);
  EXPECT_EQ(window->ItemCount(ids::IDC_TICKER_LIST), 0);
  EXPECT_EQ(window->ItemCount(ids::IDC_TRAIN_START), 0);
  EXPECT_EQ(window->GetText(ids::IDC_SYMBOL), "");
  EXPECT_FALSE(window->IsChecked(ids::IDC_SHORT));
  EXPECT_EQ(main->Trained, 0);
  EXPECT_NE(ReadFile(model).find("TimeTrained= 77"), std::string::npos);   // No saved nothing
}

TEST_F(FileCommandsTest, SaveOfAnUntitledModelIsSaveAs) {
  ModifiedModel();
  main->untitled = true;
  main->model_path = "kept.kvn";
  main->CmFilesave();   // the dialog is cancelled
  ASSERT_EQ(platform.file_dialogs().size(), 1u);
  const FileDialogSpec& spec = platform.file_dialogs()[0].spec;
  EXPECT_TRUE(spec.save);
  EXPECT_EQ(spec.filter, kFilter);
  EXPECT_EQ(spec.options, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
  EXPECT_EQ(main->model_path, "kept.kvn");
  EXPECT_TRUE(main->modified);

  const std::string chosen = dir.file("chosen.kvn");
  platform.QueueFile(chosen);
  main->CmFilesave();
  EXPECT_EQ(main->model_path, chosen);
  EXPECT_FALSE(main->modified);
  EXPECT_FALSE(main->untitled);
  EXPECT_NE(ReadFile(chosen).find("TimeTrained= 99"), std::string::npos);

  // An unchanged named model is not written again.
  std::filesystem::remove(chosen);
  main->CmFilesave();
  EXPECT_FALSE(std::filesystem::exists(chosen));
}

TEST_F(FileCommandsTest, AFailedSaveAsKeepsTheNewName) {
  ModifiedModel();
  const std::string before = ReadFile(model);
  const std::string folder = dir.file("folder.kvn");
  std::filesystem::create_directory(folder);
  platform.QueueFile(folder);
  main->CmFilesaveas();
  const std::string& text = platform.messages().back().text;
  EXPECT_EQ(text.rfind("Unable to open file for writing -ERROR 200", 0), 0u) << text;
  EXPECT_NE(text.find("The model is not saved"), std::string::npos) << text;
  EXPECT_EQ(main->model_path, folder);
  EXPECT_TRUE(main->modified);
  // The file the user moved away from is not written by the next Save.
  main->CmFilesave();
  EXPECT_EQ(ReadFile(model), before);
  EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST_F(FileCommandsTest, AModelWhosePriceFileIsMissingIsKeptButNotUsed) {
  BuildModel();
  const std::string before = ReadFile(model);
  const std::string related = dir.file("b.csv");
  std::filesystem::rename(related, dir.file("b.moved"));
  main->CmFilenew();
  platform.ClearRecords();
  platform.QueueFile(model);
  main->CmFileopen();
  EXPECT_TRUE(main->Damaged());
  EXPECT_EQ(main->n_files, 2);   // kept on screen to be mended
  EXPECT_EQ(main->model_path, model);
  EXPECT_FALSE(main->modified);
  ASSERT_FALSE(platform.messages().empty());
  EXPECT_NE(platform.messages().back().text.find(related), std::string::npos);
  EXPECT_NE(window->GetText(ids::IDC_STATUS).find(related), std::string::npos);

  struct Case {
    const char* name;
    std::function<void()> act;
    const char* message;   // a part of the message shown
  } cases[] = {
      {"TRAIN", [&] { main->B1_BNClicked(); }, "b.csv"},
      {"Max Profit", [&] { main->CmStrategyitem7(); }, "b.csv"},
      {"Save", [&] { main->modified = true; main->CmFilesave(); }, "b.csv"},
      {"closing with Auto Save asks instead",
       [&] {
         main->AutoSave = true;
         platform.QueueAnswer(IDNO);
         EXPECT_TRUE(main->CanClose());
       },
       kAskSave},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform.ClearRecords();
    c.act();
    ASSERT_FALSE(platform.messages().empty());
    EXPECT_NE(platform.messages().back().text.find(c.message), std::string::npos)
        << platform.messages().back().text;
    EXPECT_EQ(ReadFile(model), before);
    EXPECT_EQ(main->Trained, 2);
    EXPECT_FALSE(main->training_on);
  }

  // The file back and Reread: the model is whole again and saves.
  std::filesystem::rename(dir.file("b.moved"), related);
  main->CmOpen_stock();
  EXPECT_FALSE(main->Damaged());
  main->modified = true;
  main->CmFilesave();
  EXPECT_FALSE(main->modified);
  EXPECT_NE(ReadFile(model).find("data_file= \"b.csv\""), std::string::npos);
}

TEST_F(FileCommandsTest, ClosingAModifiedModel) {
  struct Case {
    const char* name;
    bool auto_save;
    int answer;            // to the question, 0 when none is expected
    bool untitled;         // a Save As dialog opens (and is cancelled)
    bool can_close;
    bool saved;
  } cases[] = {
      {"Auto Save saves without asking", true, 0, false, true, true},
      {"Yes saves", false, IDYES, false, true, true},
      {"No closes without saving", false, IDNO, false, true, false},
      {"Cancel keeps the window", false, IDCANCEL, false, false, false},
      {"Yes, then Save As cancelled, keeps the window", false, IDYES, true, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ModifiedModel();
    main->AutoSave = c.auto_save;
    main->untitled = c.untitled;
    main->training_on = true;
    if (c.answer) platform.QueueAnswer(c.answer);
    EXPECT_EQ(main->CanClose(), c.can_close);
    EXPECT_FALSE(main->training_on);
    EXPECT_EQ(Asked(), c.answer != 0);
    EXPECT_EQ(ReadFile(model).find("TimeTrained= 99") != std::string::npos, c.saved);
    EXPECT_EQ(main->modified, !c.saved);
  }
  main->modified = false;
  platform.ClearRecords();
  EXPECT_TRUE(main->CanClose());
  EXPECT_TRUE(platform.messages().empty());
}

TEST_F(FileCommandsTest, SaveCommandsAreEnabledOnlyWhenTheyCanWork) {
  BuildModel();
  struct Case {
    bool modified;
    int n_files;
    bool training;
    bool save, save_as;
  } cases[] = {
      {true, 2, false, true, true},  {false, 2, false, false, true}, {true, 0, false, false, false},
      {true, 2, true, false, false}, {false, 0, false, false, false},
  };
  for (const Case& c : cases) {
    main->modified = c.modified;
    main->n_files = c.n_files;
    main->training_on = c.training;
    CommandEnabler save, save_as;
    main->CeFilesave(save);
    main->CeFilesaveas(save_as);
    EXPECT_EQ(save.enabled, c.save);
    EXPECT_EQ(save_as.enabled, c.save_as);
  }
  main->n_files = 2;
  main->training_on = false;
  main->modified = false;
}

TEST_F(FileCommandsTest, OpenLoadsAModelOrFallsBackToNew) {
  BuildModel();
  main->CmFilenew();
  platform.ClearRecords();
  platform.QueueFile(model);
  main->CmFileopen();
  ASSERT_EQ(platform.file_dialogs().size(), 1u);
  const FileDialogSpec& spec = platform.file_dialogs()[0].spec;
  EXPECT_FALSE(spec.save);
  EXPECT_EQ(spec.filter, kFilter);
  EXPECT_EQ(spec.initial_name, "");
  EXPECT_EQ(spec.options, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
  EXPECT_EQ(main->n_files, 2);
  EXPECT_EQ(main->model_path, model);
  EXPECT_FALSE(main->modified);
  EXPECT_TRUE(platform.messages().empty());

  // A file refused half way through leaves a partly replaced model; the
  // fallback to New must neither ask about saving it nor write it anywhere.
  const std::string bad = dir.write("bad.kvn", WithLine("x_matrix", "x_matrix= 40"));
  main->modified = true;
  main->AutoSave = false;
  platform.QueueAnswer(IDNO);   // the question about the current model
  platform.QueueFile(bad);
  main->CmFileopen();
  ASSERT_EQ(platform.messages().size(), 2u);
  EXPECT_EQ(platform.messages()[0].text, kAskSave);
  EXPECT_NE(platform.messages()[1].text.find("-ERROR 101"), std::string::npos);
  EXPECT_EQ(main->n_files, 0);
  EXPECT_TRUE(main->untitled);
  EXPECT_FALSE(main->modified);
  EXPECT_EQ(ReadFile(bad), WithLine("x_matrix", "x_matrix= 40"));
}

TEST_F(FileCommandsTest, TheFileNamedOnTheCommandLine) {
  BuildModel();
  main->CmFilenew();
  const std::string fifo = dir.file("fifo.kvn");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  struct Case {
    const char* name;
    std::string file;
    int n_files;
    size_t messages;
  } cases[] = {
      {"a model", model, 2, 0},
      {"no argument", "", 0, 0},
      {"a file that does not open", dir.file("none.kvn"), 0, 0},
      {"a FIFO, which no one writes", fifo, 0, 0},
      {"some other text", dir.write("notes.txt", "Notes about Kestrivane\n"), 0, 0},
      {"a model that does not read", dir.write("v19.kvn", "Kestrivane 1.9\n"), 0, 1},
      // Kept to be mended; the reader's message and 454 name the file.
      {"a model whose related file is missing", dir.write("gone.kvn", [&] {
         std::string t = ReadFile(model);
         return t.replace(t.find("\"b.csv\""), 7, "\"gone.csv\"");
       }()),
       2, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    main->CmFilenew();
    platform.ClearRecords();
    startup_file = c.file;
    main->training_on = true;
    main->StartupWork();
    EXPECT_EQ(main->n_files, c.n_files);
    EXPECT_EQ(platform.messages().size(), c.messages);
    EXPECT_EQ(main->Damaged(), c.file.find("gone") != std::string::npos);
    EXPECT_FALSE(main->training_on);
    EXPECT_TRUE(window->IsEnabled(ids::IDC_DOWNLOAD));
    EXPECT_FALSE(platform.HasTimer(main.get(), ids::TIMER_STARTUP));
  }
}

}  // namespace
}  // namespace kv::test
