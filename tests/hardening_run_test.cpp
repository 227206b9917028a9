// Runs that meet or end badly: a second program on the folder in use, and a
// program killed with unsaved changes, whose work the next start offers back.
#include <chrono>
#include <map>
#include <optional>
#include <thread>

#include "records/work_files.h"
#include "support.h"

namespace krt::test {
namespace {

namespace fs = std::filesystem;
using ui::Answer;
using Names = std::vector<std::string>;

const std::string kRecoverQuestion =
    W("Il programma non è stato chiuso correttamente e alcune modifiche non erano state salvate. Vuoi recuperarle?");

// Whether `condition` holds within a minute, looked at every few milliseconds.
bool waitFor(const std::function<bool()>& condition) {
  for (const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
       std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(std::chrono::milliseconds(5)))
    if (condition()) return true;
  return false;
}

// The start-up folder `cartella`, a link to it, and the state folder beside them.
class HardeningRun : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    fs::create_directory(work());
    fs::create_directory_symlink(work(), link());
    writeFile(archive(), crlf(volunteers(2, 3, "VOL")));
  }
  std::string work() const { return path("cartella"); }
  std::string link() const { return path("collegamento"); }
  std::string state() const { return path("stato"); }
  std::string archive() const { return path("archivio.txt"); }
  std::string wrk() const { return work() + "/volontari.wrk"; }
  std::optional<RunState> recorded() const { return RunRecord(state(), work()).load(); }

  // A program on the folder, killed with kill -9 once it has opened the
  // archive and, if `change`, registered a volunteer; the work copy it left.
  std::string killedRun(bool change) {
    Child child(60, [&](int out) {
      Program p(work(), true, state());
      p.menu("mnapri", archive());
      if (change) p.enroll("NUOVO");
      (void)!::write(out, "r", 1);
      ::pause();
    });
    char c = 0;
    EXPECT_EQ(::read(child.pipe, &c, 1), 1) << "the program died before it was killed";
    EXPECT_TRUE(child.end(true));
    return readFile(wrk());
  }

  // The program started again through the link, answering `answer` if asked.
  struct Restarted {
    headless::HeadlessPlatform ui;
    std::unique_ptr<Modulo1> m;
  };
  std::unique_ptr<Restarted> restart(std::optional<Answer> answer) {
    auto r = std::make_unique<Restarted>();
    if (answer) r->ui.answer(*answer);
    r->m = std::make_unique<Modulo1>(r->ui, link(), link());
    r->m->enableRecovery(state());
    r->m->form1().show();
    EXPECT_TRUE(r->ui.scriptsUsed());
    return r;
  }
};

// Each answer to the question after a kill, and the runs that leave nothing
// to ask about.
TEST_F(HardeningRun, WorkOfAKilledRunIsOfferedBack) {
  // What happens, whether the run changed anything, whether its work copy
  // was emptied, and the answer to the question if it is asked.
  const std::tuple<const char*, bool, bool, std::optional<Answer>> rows[] = {
      {"taken back", true, false, Answer::Yes}, {"refused", true, false, Answer::No},
      {"dismissed, so kept", true, false, Answer::Dismissed}, {"nothing unsaved", false, false, std::nullopt},
      {"empty work copy", true, true, std::nullopt}};
  for (const auto& [what, change, emptied, answer] : rows) {
    SCOPED_TRACE(what);
    RunRecord(state(), work()).clear();  // the previous row's run, still going
    const std::string left = killedRun(change);
    EXPECT_EQ(recorded(), (RunState{archive(), change, true}));
    if (emptied) writeFile(wrk(), "");
    const auto r = restart(answer);
    EXPECT_EQ(r->ui.takeMessages(), answer ? Names{kRecoverQuestion} : Names{});
    const bool kept = answer && *answer != Answer::No;
    EXPECT_EQ(readFile(wrk()), kept ? left : "");
    EXPECT_EQ((std::tuple{r->ui.window("Form1").control("List1").itemCount(), r->m->nome_archivio, r->m->modificato}),
              (std::tuple{kept ? 6 : 0, kept ? archive() : "", kept}));
    EXPECT_EQ(recorded(), (RunState{kept ? archive() : "", kept, true}));
  }
}

// Every way of ending normally, changes saved or not, leaves nothing to
// recover: the next start asks nothing and empties the work copy.
// The change is on record before the work copy is replaced, so that a crash
// in between still offers it back; a rewrite that fails puts the record back.
TEST_F(HardeningRun, AChangeIsRecordedBeforeTheWorkCopyIsReplaced) {
  Program p(work(), true, state());
  p.menu("mnapri", archive());
  for (const bool fail : {true, false}) {
    SCOPED_TRACE(fail ? "failed rewrite" : "rewrite");
    std::optional<RunState> atRename;
    io::setFaultHook([&](io::Op op, const std::string& target) {
      if (op != io::Op::Rename || target != wrk()) return false;
      atRename = recorded();
      return fail;
    });
    p.enroll("NUOVO");
    io::setFaultHook(nullptr);
    EXPECT_EQ((std::tuple{atRename, recorded(), p.m->modificato}),
              (std::tuple{RunState{archive(), true, true}, RunState{archive(), !fail, true}, !fail}));
  }
}

TEST_F(HardeningRun, NormalEndLeavesNothingToRecover) {
  const std::tuple<bool, Answer, const char*> ends[] = {
      {false, Answer::No, ""}, {true, Answer::No, ""}, {false, Answer::Yes, "esci.txt"}, {true, Answer::Yes, "chiudi.txt"}};
  for (const auto& [byFrame, answer, file] : ends) {
    SCOPED_TRACE(testing::Message() << byFrame << static_cast<int>(answer));
    {
      Program p(work(), true, state());
      p.enroll("NUOVO");
      EXPECT_EQ(recorded(), (RunState{"", true, true}));
      p.ui.answer(answer);
      if (*file) p.ui.chooseFile(path(file));
      byFrame ? (void)p.main().close() : p.main().click("mnesci");
      EXPECT_EQ((std::tuple{p.ui.quitRequested, recorded()}), (std::tuple{true, std::optional<RunState>{}}));
    }
    EXPECT_FALSE(readFile(wrk()).empty());
    restart(std::nullopt);
    EXPECT_EQ(readFile(wrk()), "");
  }
}

// A state folder that cannot be made: the user is told once, and the program
// goes on working without recovery.
TEST_F(HardeningRun, UnwritableStateFolderIsToldOnce) {
  writeFile(path("file"), "");
  Program p(work(), true, path("file") + "/archivio");
  p.enroll("UNO");
  p.menu("mnscn", archive());
  p.enroll("DUE");
  const Names told = p.ui.takeMessages();
  ASSERT_EQ(told.size(), 2u);
  EXPECT_TRUE(told[0].starts_with("Impossibile creare il file " + path("file") + "/archivio\n") &&
              told[0].ends_with("le modifiche non salvate non potrebbero essere recuperate."))
      << told[0];
  EXPECT_EQ((std::pair{told[1], p.workCopy().size()}), (std::pair{std::string("File salvato."), std::size_t{2 * 811}}));
}

// A real program started offscreen in `dir`, remembering its runs in
// `stateHome`, its output into `out`; killed at the end if it still runs.
struct RealProgram {
  pid_t pid;
  RealProgram(const std::string& dir, const std::string& stateHome, const std::string& out) {
    const std::string command = "cd " + shellQuoted(dir) +
                                " && QT_QPA_PLATFORM=offscreen XDG_STATE_HOME=" + shellQuoted(stateHome) + " exec " +
                                shellQuoted(KRT_BINARY_DIR "/archivio") + " >" + shellQuoted(out) + " 2>&1";
    if ((pid = ::fork()) == 0) {
      ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
  }
  ~RealProgram() { kill(); }
  void kill() {
    if (pid > 0 && ::kill(pid, SIGKILL) == 0) ::waitpid(pid, nullptr, 0);
    pid = -1;
  }
  // Its wait status once it has ended by itself; nothing if it still runs
  // after a minute.
  std::optional<int> ended() {
    int status = 0;
    if (!waitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; })) return std::nullopt;
    pid = -1;
    return status;
  }
};

// The names in a folder, hidden ones included, with their contents.
std::map<std::string, std::string> contents(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(dir)) files[e.path().string()] = readFile(e.path().string());
  return files;
}

// Two real programs on one folder, the second through a link: it says why
// and ends with status 1, touching nothing; once the first is killed, a new
// start works.
TEST_F(HardeningRun, SecondProgramOnTheSameFolderEnds) {
  if (!fs::exists(KRT_BINARY_DIR "/archivio")) GTEST_SKIP() << "built without the desktop program";
  // Started: it has emptied the work copy, holds the folder and still runs.
  // (Probing the lock before then could take it under the program's nose.)
  const auto started = [&](pid_t pid) {
    return waitFor([&] { return readFile(wrk()).empty(); }) && FolderLock(work()).state() == FolderLock::State::InUse &&
           ::waitpid(pid, nullptr, WNOHANG) == 0;
  };
  writeFile(wrk(), "VECCHIA\r\n");
  RealProgram first(work(), state(), path("primo.txt"));
  ASSERT_TRUE(started(first.pid)) << readFile(path("primo.txt"));
  EXPECT_EQ(contents(work()), (std::map<std::string, std::string>{{wrk(), ""}})) << "no other file, hidden or not";
  writeFile(wrk(), crlf(volunteers(1, 1, "PRIMO")));  // the first program's work
  const auto before = std::pair{contents(work()), contents(state())};

  const std::optional<int> status = RealProgram(link(), state(), path("secondo.txt")).ended();
  EXPECT_TRUE(status && WIFEXITED(*status) && WEXITSTATUS(*status) == 1) << status.value_or(-1);
  EXPECT_NE(readFile(path("secondo.txt")).find(cp1252::toUtf8(kFolderInUse) + "\n"), std::string::npos)
      << readFile(path("secondo.txt"));
  EXPECT_EQ((std::pair{contents(work()), contents(state())}), before);

  first.kill();
  EXPECT_TRUE(started(RealProgram(link(), state(), path("terzo.txt")).pid)) << readFile(path("terzo.txt"));
}

}  // namespace
}  // namespace krt::test
