// Every command that writes, failed at every write, sync, close and rename it
// makes: the archive and the work copy keep their old bytes or get the new
// ones whole, the user is told in Italian, `modificato` stays true to the
// work copy, and the same command works once the disk is well again.
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <optional>

#include "records/file_io.h"
#include "support.h"

namespace krt::test {
namespace {

using headless::HeadlessPlatform;
using headless::HeadlessWindow;
using Snapshot = std::map<std::string, std::optional<std::string>>;

constexpr io::Op kOps[] = {io::Op::Write, io::Op::Sync, io::Op::Close, io::Op::Rename};

const char* opName(io::Op op) {
  switch (op) {
    case io::Op::Read:
      return "read";
    case io::Op::Write:
      return "write";
    case io::Op::Sync:
      return "sync";
    case io::Op::Close:
      return "close";
    case io::Op::Rename:
      return "rename";
  }
  return "?";
}

// A volunteer of RADIO CLUB ROMA (or RADIO MILANO) with an address, so that
// the lines are full records.
std::string volunteer(const std::string& provincia, int n) {
  const bool roma = provincia == "ROMA";
  return line({{"provincia", provincia},
               {"associazione", roma ? "RADIO CLUB ROMA" : "RADIO MILANO"},
               {"cognome", "COGNOME" + std::to_string(1000 + n)},
               {"nome", "NOME"},
               {"via", "VIA DEI VOLONTARI " + std::to_string(n)},
               {"prov_residenza", roma ? "RM" : "MI"}});
}

// More than two buffers of lines (64 KiB each), so that a file is written by
// several write calls and each of them is a failure point of its own.
std::vector<std::string> bigArchive(int milano, int roma) {
  std::vector<std::string> lines;
  for (int i = 0; i < milano; ++i) lines.push_back(volunteer("MILANO", i));
  for (int i = 0; i < roma; ++i) lines.push_back(volunteer("ROMA", i));
  return lines;
}

// One command under test.
struct Scenario {
  std::string name;
  std::vector<std::string> watched;          // file names in the folder
  std::function<void()> prepare;             // files and state before the command
  std::function<void()> act;                 // the user's action, dialogs scripted
  std::function<void(bool failed)> check{};  // what else must hold afterwards
};

class HardeningFaults : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    writeFile(path("province.dat"), kTestProvinces);
    writeFile(path("associazioni.dat"), testAssociations());
    restart();
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
    for (const auto& n : names) {
      if (std::filesystem::is_regular_file(path(n)))
        s[n] = readFile(path(n));
      else
        s[n] = std::nullopt;
    }
    return s;
  }

  // Files a failed writer left behind (its temporary ".name.XXXXXX").
  std::vector<std::string> strayTemporaries() {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir_)) {
      const std::string n = e.path().filename().string();
      if (n.size() > 7 && n[0] == '.' && n[n.size() - 7] == '.') out.push_back(n);
    }
    return out;
  }

  bool anyFileErrorShown() {
    for (const auto& msg : ui->messages) {
      if (msg.text.rfind("Impossibile", 0) == 0) return true;
    }
    return false;
  }

  // Runs the scenario clean to count its failure points, then once per
  // point with that call failing. Returns the number of points walked.
  int walk(const Scenario& s) {
    SCOPED_TRACE(s.name);
    restart();
    s.prepare();
    const Snapshot before = snapshot(s.watched);
    const std::string modBefore = m->modificato;
    std::map<io::Op, int> calls;
    io::setFaultHook([&](io::Op op, const std::string&) {
      ++calls[op];
      return false;
    });
    s.act();
    io::setFaultHook(nullptr);
    EXPECT_FALSE(anyFileErrorShown());
    const Snapshot after = snapshot(s.watched);
    const std::string modAfter = m->modificato;
    EXPECT_NE(before, after) << "the command changed nothing: the walk would prove nothing";
    if (s.check) s.check(false);
    EXPECT_GE(calls[io::Op::Write], 1);
    EXPECT_GE(calls[io::Op::Rename], 1);

    int points = 0;
    for (const io::Op op : kOps) {
      for (int n = 1; n <= calls[op]; ++n) {
        SCOPED_TRACE(std::string(opName(op)) + " #" + std::to_string(n));
        restart();
        s.prepare();
        int seen = 0;
        io::setFaultHook([&](io::Op o, const std::string&) { return o == op && ++seen == n; });
        s.act();
        io::setFaultHook(nullptr);
        EXPECT_EQ(seen, n) << "the failure point was not reached";

        // Old bytes or new bytes, never a mix, and no temporary left over.
        for (const auto& name : s.watched) {
          const auto now = snapshot({name})[name];
          EXPECT_TRUE(now == before.at(name) || now == after.at(name)) << name << " is neither old nor new";
        }
        EXPECT_EQ(strayTemporaries(), std::vector<std::string>{});
        // The user is told, in Italian, naming the cause.
        if (ui->messages.empty()) {
          ADD_FAILURE() << "the failure was not told to the user";
          continue;
        }
        const std::string& told = ui->messages.back().text;
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
        EXPECT_EQ(snapshot(s.watched), after);
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
  const auto oldArchive = bigArchive(10, 10);
  const std::string workBytes = crlf(work);
  const std::string withBlank = crlf({work[0], "   ", work[1]}) + crlf(std::vector(work.begin() + 2, work.end()));
  std::vector<Scenario> scenarios;

  // "Salva": the named archive from the work copy, blank lines left out.
  scenarios.push_back({"Salva",
                       {"archivio.txt", "volontari.wrk"},
                       [&] {
                         writeFile(path("archivio.txt"), crlf(oldArchive));
                         writeFile(m->percorso_wrk(), withBlank);
                         m->nome_archivio = path("archivio.txt");
                         m->modificato = "1";
                       },
                       [&] { main().click("mnsalva"); },
                       [&](bool failed) {
                         const bool saidSaved = !ui->messages.empty() && ui->messages.back().text == "File salvato";
                         EXPECT_EQ(saidSaved, !failed);
                       }});
  // "Salva con nome" over an existing file: a byte-for-byte copy.
  scenarios.push_back({"Salva con nome",
                       {"copia.txt", "volontari.wrk"},
                       [&] {
                         writeFile(path("copia.txt"), crlf(oldArchive));
                         writeFile(m->percorso_wrk(), withBlank + "CODA SENZA FINE");
                         m->modificato = "1";
                       },
                       [&] {
                         ui->chooseFile(path("copia.txt"));
                         main().click("mnscn");
                       },
                       [&](bool failed) { EXPECT_EQ(m->nome_archivio, failed ? "" : path("copia.txt")); }});
  // The save offered when the window closes, to a new file.
  scenarios.push_back({"salvataggio all'uscita",
                       {"uscita.txt", "volontari.wrk"},
                       [&] {
                         std::filesystem::remove(path("uscita.txt"));
                         writeFile(m->percorso_wrk(), withBlank);
                         m->modificato = "1";
                       },
                       [&] {
                         ui->answer(ui::Answer::Yes);
                         ui->chooseFile(path("uscita.txt"));
                         main().close();
                       },
                       [&](bool failed) { EXPECT_EQ(ui->quitRequested, !failed); }});
  // "Esci" from the menu, the same save over an existing file.
  scenarios.push_back({"Esci",
                       {"archivio.txt", "volontari.wrk"},
                       [&] {
                         writeFile(path("archivio.txt"), crlf(oldArchive));
                         writeFile(m->percorso_wrk(), workBytes);
                         m->modificato = "1";
                       },
                       [&] {
                         ui->answer(ui::Answer::Yes);
                         ui->chooseFile(path("archivio.txt"));
                         main().click("mnesci");
                       },
                       [&](bool failed) { EXPECT_EQ(ui->quitRequested, !failed); }});
  // "Apri": the archive copied into the work copy, lines re-terminated.
  scenarios.push_back({"Apri",
                       {"volontari.wrk", "archivio.txt"},
                       [&] {
                         std::string mixed;
                         for (std::size_t i = 0; i < work.size(); ++i) mixed += work[i] + (i % 2 ? "\r" : "\r\n");
                         writeFile(path("archivio.txt"), mixed);
                         writeFile(m->percorso_wrk(), crlf(oldArchive));
                         m->nome_archivio = path("vecchio.txt");
                       },
                       [&] {
                         ui->chooseFile(path("archivio.txt"));
                         main().click("mnapri");
                       },
                       [&](bool failed) {
                         EXPECT_EQ(m->nome_archivio, failed ? path("vecchio.txt") : path("archivio.txt"));
                         EXPECT_EQ(ui->window("Form1").control("List1").itemCount(),
                                   failed ? 0 : static_cast<int>(work.size()));
                       }});
  // "Registra": a new volunteer in its sorted place.
  scenarios.push_back({"Registra",
                       {"volontari.wrk"},
                       [&] {
                         writeFile(m->percorso_wrk(), workBytes);
                         m->ReloadList();
                         main().click("mnins");
                         ed().pick("Combo2", 0);
                         ed().type("Text1", "NUOVO");
                         ed().type("Text2", "VOLONTARIO");
                       },
                       [&] { ed().click("Command2"); },
                       [&](bool failed) {
                         // A failed registration keeps what the user typed.
                         EXPECT_EQ(ed().control("Text1").text(), failed ? "NUOVO" : "");
                       }});
  // "Modifica": the volunteer's line replaced.
  scenarios.push_back({"Modifica",
                       {"volontari.wrk"},
                       [&] {
                         writeFile(m->percorso_wrk(), workBytes);
                         m->ReloadList();
                         main().pick("List1", 60);
                         ed().type("Text12", "PIAZZA NUOVA 1");
                       },
                       [&] { ed().click("modifica"); },
                       [&](bool failed) { EXPECT_EQ(ed().isVisible(), failed); }});
  // "Elimina": the volunteer's line left out.
  scenarios.push_back({"Elimina",
                       {"volontari.wrk"},
                       [&] {
                         writeFile(m->percorso_wrk(), workBytes);
                         m->ReloadList();
                         main().pick("List1", 3);
                       },
                       [&] { ed().click("elimina"); },
                       [&](bool failed) { EXPECT_EQ(ed().isVisible(), failed); }});
  // "Aggiungere un archivio": ROMA of the added file replaces the work copy's.
  scenarios.push_back({"Aggiungi",
                       {"volontari.wrk", "aggiunto.txt"},
                       [&] {
                         writeFile(m->percorso_wrk(), workBytes);
                         writeFile(path("aggiunto.txt"), crlf(bigArchive(0, 30)));
                       },
                       [&] {
                         ui->chooseFile(path("aggiunto.txt"));
                         main().click("mnaggiu");
                       }});
  // "Verifica": the report replaced, the work copy only read.
  scenarios.push_back({"Verifica",
                       {"verifica.txt", "volontari.wrk"},
                       [&] {
                         writeFile(m->percorso_wrk(), workBytes);
                         writeFile(m->percorso_verifica(), "RAPPORTO PRECEDENTE\r\n");
                       },
                       [&] { main().click("mnverifica"); },
                       [&](bool failed) {
                         HeadlessWindow* viewer = ui->find("formv");
                         EXPECT_EQ(viewer != nullptr && viewer->isVisible(), !failed);
                         if (viewer && !failed) viewer->close();
                         ui->runPosted();
                       }});

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
  std::filesystem::remove(path("volontari.wrk"));
  io::setFaultHook([](io::Op op, const std::string&) { return op == io::Op::Rename; });
  m.reset();
  ui = std::make_unique<HeadlessPlatform>();
  m = std::make_unique<Modulo1>(*ui, folder(), folder());
  m->form1().show();
  io::setFaultHook(nullptr);
  ASSERT_EQ(ui->messages.size(), 1u);
  EXPECT_EQ(ui->messages[0].text.rfind("Impossibile", 0), 0u);
  EXPECT_FALSE(std::filesystem::exists(path("volontari.wrk")));
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
