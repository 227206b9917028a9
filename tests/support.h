// Shared test helpers: a scratch folder per test, whole-file reads and
// writes, record lines, and the program on the headless platform.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "mainwin/form1.h"
#include "mainwin/modulo1.h"
#include "platform/headless/headless.h"
#include "records/cp1252.h"
#include "records/fixed_text.h"
#include "records/volunteer_record.h"

namespace krt::test {

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// cp1252 text from a UTF-8 literal, for readable expectations.
inline std::string W(const char* utf8) { return cp1252::fromUtf8(utf8); }

// A word for the shell, quoted whatever it holds.
inline std::string shellQuoted(const std::string& text) {
  std::string q = "'";
  for (const char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// A record line built from field values; every other field blank.
inline std::string line(std::initializer_list<std::pair<const char*, std::string>> fields) {
  VolunteerRecord r;
  r.clear();
  for (const auto& [name, value] : fields) setField(r, *findField(name), value);
  return r.toLine();
}

// Lines joined with CR LF after each.
inline std::string crlf(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& l : lines) out += l + "\r\n";
  return out;
}

// A fresh folder for each test, removed afterwards.
class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("krt-" + std::string(info->test_suite_name()) + "-" + info->name() + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(dir_, ec);
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  std::string folder() const { return dir_.string(); }

  std::filesystem::path dir_;
};

// The lookup lists the tests use, written into `folder`: two provinces,
// associations of both and one without a province.
inline void writeLookupLists(const std::string& folder) {
  writeFile(folder + "/province.dat",
            "ROMA                RM  Roma                \r\n"
            "MILANO              MI  Milano              \r\n");
  writeFile(folder + "/associazioni.dat",
            crlf({fixedWidth("RADIO CLUB ROMA", 40) + "RM  ", fixedWidth("CB ROMA NORD", 40) + "RM  ",
                  fixedWidth("RADIO MILANO", 40) + "MI  ", fixedWidth("SENZA PROVINCIA", 40)}));
}

// Volunteers of RADIO MILANO, then of RADIO CLUB ROMA, named `tag` and a number.
inline std::vector<std::string> volunteers(int milano, int roma, const std::string& tag) {
  std::vector<std::string> lines;
  for (int i = 0; i < milano + roma; ++i) {
    const bool rm = i >= milano;
    lines.push_back(line({{"provincia", rm ? "ROMA" : "MILANO"},
                          {"associazione", rm ? "RADIO CLUB ROMA" : "RADIO MILANO"},
                          {"cognome", tag + std::to_string(1000 + i)},
                          {"nome", "NOME"},
                          {"via", "VIA DEI VOLONTARI " + std::to_string(i)},
                          {"prov_residenza", rm ? "RM" : "MI"}}));
  }
  return lines;
}

// The writers' temporaries (".name.XXXXXX") in `folder`, removed if `clear`.
inline int strayTemporaries(const std::string& folder, bool clear = false) {
  int n = 0;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    if (const auto name = e.path().filename().string();
        name.size() > 7 && name[0] == '.' && name[name.size() - 7] == '.')
      n += clear ? std::filesystem::remove(e.path()) : 1;
  return n;
}

// The program on the headless platform started in `folder`, after the test
// lookup lists if `lists`; it remembers its run in `stateFolder` if given.
struct Program {
  explicit Program(const std::string& folder, bool lists = true, const std::string& stateFolder = "") {
    if (lists) writeLookupLists(folder);
    m = std::make_unique<Modulo1>(ui, folder, folder);
    if (!stateFolder.empty()) m->enableRecovery(stateFolder);
    m->form1().show();
  }
  headless::HeadlessWindow& main() { return ui.window("Form1"); }
  headless::HeadlessWindow& ed() { return ui.window("Form4"); }
  std::string workCopy() { return readFile(m->percorso_wrk()); }
  std::string told() const { return ui.messages.empty() ? "(nothing told)" : ui.messages.back().text; }
  // A menu command, with `file` chosen in its dialog.
  void menu(const char* command, const std::string& file) {
    ui.chooseFile(file);
    main().click(command);
  }
  // Registers a volunteer of the first province, by "Inserisci" unless the
  // editor is open.
  void enroll(const std::string& cognome) {
    if (!m->form4Loaded() || !ed().isVisible()) main().click("mnins");
    ed().pick("Combo2", 0);
    ed().type("Text1", cognome);
    ed().type("Text2", "NUOVO");
    ed().click("Command2");
  }

  headless::HeadlessPlatform ui;
  std::unique_ptr<Modulo1> m;
};

// A forked child running `body` with the write end of a pipe; a failed check
// ends it with status 1, SIGALRM after `seconds`.
struct Child {
  pid_t pid = -1;
  int pipe = -1;
  Child(unsigned seconds, const std::function<void(int out)>& body) {
    int fds[2];
    if (::pipe(fds) != 0) return;
    std::fflush(stdout);  // or the child would print again what is buffered
    if ((pid = ::fork()) == 0) {
      ::close(fds[0]);
      ::alarm(seconds);
      try {  // an exception must not unwind into the parent's test run
        body(fds[1]);
      } catch (const std::exception& e) {
        ADD_FAILURE() << "exception: " << e.what();
      }
      std::fflush(stdout);
      ::_exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    ::close(fds[1]);
    pipe = fds[0];
  }
  // True when the child ended as wanted: by SIGKILL when `kill`, else with 0.
  bool end(bool kill) {
    if (pid <= 0) return false;
    if (kill) ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(pipe);
    return kill ? WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL : WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
};

// A scratch folder in which the program can be started afresh.
class ProgramTest : public TempDirTest {
 protected:
  void TearDown() override {
    p.reset();
    TempDirTest::TearDown();
  }
  void restart(bool lists = true) {
    p.reset();
    p = std::make_unique<Program>(folder(), lists);
  }

  std::unique_ptr<Program> p;
};

// The whole program on the headless platform, started in a scratch folder
// holding the test lookup lists.
class AppTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    writeLookupLists(folder());
    m = std::make_unique<Modulo1>(ui, folder(), folder());
    m->form1().show();
  }
  void TearDown() override {
    m.reset();
    TempDirTest::TearDown();
  }

  headless::HeadlessWindow& win(const char* name) { return ui.window(name); }
  headless::HeadlessWindow& main() { return ui.window("Form1"); }
  std::string workCopy() { return readFile(m->percorso_wrk()); }
  void setWorkCopy(const std::string& bytes) { writeFile(m->percorso_wrk(), bytes); }
  std::vector<std::string> items(const char* window, const char* control) {
    return ui.window(window).control(control).items();
  }
  // Opens an archive file through "Apri".
  void openArchive(const std::string& bytes) {
    writeFile(path("archivio.txt"), bytes);
    ui.chooseFile(path("archivio.txt"));
    main().click("mnapri");
  }

  headless::HeadlessPlatform ui;
  std::unique_ptr<Modulo1> m;
};

}  // namespace krt::test
