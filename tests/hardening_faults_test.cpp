// Every command that writes, failed at every write, sync, close and rename it
// makes: the archive and the work copy keep their old bytes or get the new
// ones whole, the user is told in Italian, `modificato` stays true to the
// work copy, and the same command works once the disk is well again.
#include <algorithm>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <optional>

#include "records/file_io.h"
#include "support.h"

namespace krt::test {
namespace {

namespace fs = std::filesystem;
using headless::HeadlessPlatform;
using headless::HeadlessWindow;
using Snapshot = std::map<std::string, std::optional<std::string>>;

constexpr std::pair<io::Op, const char*> kOps[] = {
    {io::Op::Write, "write"}, {io::Op::Sync, "sync"}, {io::Op::Close, "close"}, {io::Op::Rename, "rename"}};

// Full records of RADIO MILANO, then of RADIO CLUB ROMA.
std::vector<std::string> bigArchive(int milano, int roma) {
  std::vector<std::string> lines;
  for (int i = 0; i < milano + roma; ++i) {
    const bool isRoma = i >= milano;
    const int n = isRoma ? i - milano : i;
    lines.push_back(line({{"provincia", isRoma ? "ROMA" : "MILANO"},
                          {"associazione", isRoma ? "RADIO CLUB ROMA" : "RADIO MILANO"},
                          {"cognome", "COGNOME" + std::to_string(1000 + n)},
                          {"nome", "NOME"},
                          {"via", "VIA DEI VOLONTARI " + std::to_string(n)},
                          {"prov_residenza", isRoma ? "RM" : "MI"}}));
  }
  return lines;
}

// One command under test: `file` (none when empty) and the work copy start
// as `bytes` (no such file: nullopt) and `wrk`, with unsaved changes when
// `modified`; `prepare` sets the rest, `act` is the user's action with its
// dialogs scripted, and `check` tells what else must hold afterwards.
struct Scenario {
  const char* name;
  const char* file;
  std::optional<std::string> bytes;
  std::string wrk;
  bool modified;
  std::function<void()> prepare, act;
  std::function<void(bool failed)> check;
};

class HardeningFaults : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    writeFile(path("province.dat"), kTestProvinces);
    writeFile(path("associazioni.dat"), testAssociations());
  }
  void TearDown() override {
    io::setFaultHook(nullptr);
    m.reset();
    ui.reset();
    TempDirTest::TearDown();
  }

  // A program started afresh: new windows, an empty work copy.
  void restart() {
    m.reset();
    ui = std::make_unique<HeadlessPlatform>();
    m = std::make_unique<Modulo1>(*ui, folder(), folder());
    m->form1().show();
  }

  HeadlessWindow& main() { return ui->window("Form1"); }
  HeadlessWindow& ed() { return ui->window("Form4"); }

  Snapshot snapshot(const std::vector<std::string>& names) {
    Snapshot s;
    for (const auto& n : names) s[n] = fs::is_regular_file(path(n)) ? std::optional(readFile(path(n))) : std::nullopt;
    return s;
  }

  // Files a failed writer left behind (its temporary ".name.XXXXXX").
  std::vector<std::string> strayTemporaries() {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir_)) {
      const std::string n = e.path().filename().string();
      if (n.size() > 7 && n[0] == '.' && n[n.size() - 7] == '.') out.push_back(n);
    }
    return out;
  }

  bool anyFileErrorShown() {
    return std::any_of(ui->messages.begin(), ui->messages.end(),
                       [](const auto& msg) { return msg.text.rfind("Impossibile", 0) == 0; });
  }

  // Runs the scenario clean to count its failure points, then once per
  // point with that call failing. Returns the number of points walked.
  int walk(const Scenario& s) {
    SCOPED_TRACE(s.name);
    std::vector<std::string> watched{"volontari.wrk"};
    if (*s.file) watched.push_back(s.file);
    const auto start = [&] {
      restart();
      if (*s.file && s.bytes) writeFile(path(s.file), *s.bytes);
      if (*s.file && !s.bytes) fs::remove(path(s.file));
      writeFile(m->percorso_wrk(), s.wrk);
      if (s.modified) m->modificato = "1";
      if (s.prepare) s.prepare();
    };
    start();
    const Snapshot before = snapshot(watched);
    const std::string modBefore = m->modificato;
    std::map<io::Op, int> calls;
    io::setFaultHook([&](io::Op op, const std::string&) { return ++calls[op] < 0; });  // counts, fails none
    s.act();
    io::setFaultHook(nullptr);
    EXPECT_FALSE(anyFileErrorShown());
    const Snapshot after = snapshot(watched);
    const std::string modAfter = m->modificato;
    EXPECT_NE(before, after) << "the command changed nothing: the walk would prove nothing";
    if (s.check) s.check(false);
    EXPECT_GE(calls[io::Op::Write], 1);
    EXPECT_GE(calls[io::Op::Rename], 1);

    int points = 0;
    for (const auto& [op, opName] : kOps) {
      for (int n = 1; n <= calls[op]; ++n) {
        SCOPED_TRACE(std::string(opName) + " #" + std::to_string(n));
        start();
        int seen = 0;
        io::setFaultHook([&, op = op](io::Op o, const std::string&) { return o == op && ++seen == n; });
        s.act();
        io::setFaultHook(nullptr);
        EXPECT_EQ(seen, n) << "the failure point was not reached";

        // Old bytes or new bytes, never a mix, and no temporary left over.
        for (const auto& [name, now] : snapshot(watched))
          EXPECT_TRUE(now == before.at(name) || now == after.at(name)) << name << " is neither old nor new";
        EXPECT_EQ(strayTemporaries(), std::vector<std::string>{});
        // The user is told, in Italian, naming the cause.
        const std::string told = ui->messages.empty() ? "(nothing told)" : ui->messages.back().text;
        EXPECT_EQ(told.rfind("Impossibile", 0), 0u) << told;
        EXPECT_TRUE(told.find("spazio su disco esaurito") != std::string::npos ||
                    told.find("errore di lettura o scrittura sul disco") != std::string::npos)
            << told;
        EXPECT_EQ(m->modificato, modBefore);
        EXPECT_FALSE(ui->busy);
        if (s.check) s.check(true);

        // The disk is well again: the very same command now succeeds.
        ui->messages.clear();
        s.act();
        EXPECT_FALSE(anyFileErrorShown());
        EXPECT_EQ(snapshot(watched), after);
        EXPECT_EQ(m->modificato, modAfter);
        if (s.check) s.check(false);
        ++points;
      }
    }
    return points;
  }

  std::unique_ptr<HeadlessPlatform> ui;
  std::unique_ptr<Modulo1> m;
};

TEST_F(HardeningFaults, EveryWritingCommandSurvivesEveryFailurePoint) {
  const auto work = bigArchive(50, 70);
  const std::string old = crlf(bigArchive(10, 10));
  const std::string workBytes = crlf(work);
  const std::string withBlank = crlf({work[0], "   ", work[1]}) + crlf(std::vector(work.begin() + 2, work.end()));
  std::string mixedEnds;
  for (std::size_t i = 0; i < work.size(); ++i) mixedEnds += work[i] + (i % 2 ? "\r" : "\r\n");

  // A menu command, with `file` chosen in its dialog.
  const auto menu = [&](const char* command, const char* file) {
    return [&, command, file] {
      if (*file) ui->chooseFile(path(file));
      main().click(command);
    };
  };
  // The save offered on leaving, to `file`: by closing the window or by "Esci".
  const auto leave = [&](const char* file, bool closeWindow) {
    return [&, file, closeWindow] {
      ui->answer(ui::Answer::Yes);
      ui->chooseFile(path(file));
      closeWindow ? (void)main().close() : main().click("mnesci");
    };
  };
  const auto quits = [&](bool failed) { EXPECT_EQ(ui->quitRequested, !failed); };
  // A volunteer of the list opened in the editor, its address changed to `via` unless that is empty.
  const auto openRow = [&](int row, const char* via) {
    return [&, row, via] {
      m->ReloadList();
      main().pick("List1", row);
      if (*via) ed().type("Text12", via);
    };
  };
  const auto editorStays = [&](bool failed) { EXPECT_EQ(ed().isVisible(), failed); };
  const Scenario scenarios[] = {
      // "Salva": the named archive from the work copy, blank lines left out.
      {"Salva", "archivio.txt", old, withBlank, true, [&] { m->nome_archivio = path("archivio.txt"); },
       menu("mnsalva", ""),
       [&](bool failed) { EXPECT_EQ(!ui->messages.empty() && ui->messages.back().text == "File salvato", !failed); }},
      // "Salva con nome" over an existing file: a byte-for-byte copy.
      {"Salva con nome", "copia.txt", old, withBlank + "CODA SENZA FINE", true, nullptr, menu("mnscn", "copia.txt"),
       [&](bool failed) { EXPECT_EQ(m->nome_archivio, failed ? "" : path("copia.txt")); }},
      // The save offered on leaving: by closing the window to a new file, by "Esci" over an existing one.
      {"salvataggio all'uscita", "uscita.txt", std::nullopt, withBlank, true, nullptr, leave("uscita.txt", true),
       quits},
      {"Esci", "archivio.txt", old, workBytes, true, nullptr, leave("archivio.txt", false), quits},
      // "Apri": the archive copied into the work copy, lines re-terminated.
      {"Apri", "archivio.txt", mixedEnds, old, false, [&] { m->nome_archivio = path("vecchio.txt"); },
       menu("mnapri", "archivio.txt"),
       [&](bool failed) {
         EXPECT_EQ(m->nome_archivio, path(failed ? "vecchio.txt" : "archivio.txt"));
         EXPECT_EQ(main().control("List1").itemCount(), failed ? 0 : static_cast<int>(work.size()));
       }},
      // "Registra": a new volunteer in its sorted place; a failed one keeps what the user typed.
      {"Registra", "", std::nullopt, workBytes, false,
       [&] {
         m->ReloadList();
         main().click("mnins");
         ed().pick("Combo2", 0);
         ed().type("Text1", "NUOVO");
         ed().type("Text2", "VOLONTARIO");
       },
       [&] { ed().click("Command2"); },
       [&](bool failed) { EXPECT_EQ(ed().control("Text1").text(), failed ? "NUOVO" : ""); }},
      // "Modifica" replaces the volunteer's line, "Elimina" leaves it out.
      {"Modifica", "", std::nullopt, workBytes, false, openRow(60, "PIAZZA NUOVA 1"), [&] { ed().click("modifica"); },
       editorStays},
      {"Elimina", "", std::nullopt, workBytes, false, openRow(3, ""), [&] { ed().click("elimina"); }, editorStays},
      // "Aggiungere un archivio": ROMA of the added file replaces the work copy's.
      {"Aggiungi", "aggiunto.txt", crlf(bigArchive(0, 30)), workBytes, false, nullptr, menu("mnaggiu", "aggiunto.txt"),
       nullptr},
      // "Verifica": the report replaced, the work copy only read.
      {"Verifica", "verifica.txt", "RAPPORTO PRECEDENTE\r\n", workBytes, false, nullptr, menu("mnverifica", ""),
       [&](bool failed) {
         HeadlessWindow* viewer = ui->find("formv");
         EXPECT_EQ(viewer != nullptr && viewer->isVisible(), !failed);
         if (viewer && !failed) viewer->close();
         ui->runPosted();
       }},
  };

  int total = 0;
  for (const auto& s : scenarios) {
    const int points = walk(s);
    std::cout << "[ fault    ] " << s.name << ": " << points << " failure points survived\n";
    total += points;
  }
  std::cout << "[ fault    ] total: " << total << " failure points injected and survived\n";
  RecordProperty("failure_points", total);
  EXPECT_GE(total, 45);
}

// The start-up writes the empty work copy; when that fails the program still
// starts, says so, and the first "Apri" brings the work copy into being.
TEST_F(HardeningFaults, AFailedStartStillOpensAnArchive) {
  fs::remove(path("volontari.wrk"));
  io::setFaultHook([](io::Op op, const std::string&) { return op == io::Op::Rename; });
  restart();
  io::setFaultHook(nullptr);
  ASSERT_EQ(ui->messages.size(), 1u);
  EXPECT_EQ(ui->messages[0].text.rfind("Impossibile", 0), 0u);
  EXPECT_FALSE(fs::exists(path("volontari.wrk")));
  EXPECT_EQ(strayTemporaries(), std::vector<std::string>{});
  const auto lines = bigArchive(1, 1);
  writeFile(path("archivio.txt"), crlf(lines));
  ui->chooseFile(path("archivio.txt"));
  main().click("mnapri");
  EXPECT_EQ(readFile(m->percorso_wrk()), crlf(lines));
  EXPECT_EQ(main().control("List1").itemCount(), 2);
}

}  // namespace
}  // namespace krt::test
