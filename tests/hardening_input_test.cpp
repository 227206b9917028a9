// Hostile archives and lookup lists through every command of the program and
// of the batch tool: nothing crashes or hangs, and the bytes of every line
// come back as the line rules say.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "fuzz/fuzz_support.h"
#include "mainwin/merge.h"
#include "records/file_io.h"
#include "support.h"
#include "verify/verification.h"

namespace krt::test {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using Corpus = std::vector<std::pair<std::string, std::string>>;
using fuzz::splitLines;  // the line rules, written out apart from the reader

// Generated hostile archives, then the files kept in tests/data/hostile (NUL
// bytes, undefined cp1252 bytes, mixed line ends, "FFFF", only CR).
Corpus hostileArchives() {
  std::mt19937 random(20261206);
  std::string binary(150000, '\0'), everyByte;
  for (auto& b : binary) b = static_cast<char>(random() & 0xFF);
  for (int i = 0; i < 512; ++i) everyByte += static_cast<char>(i & 0xFF);
  Corpus c = {
      {"binario", binary},
      {"ogni-byte", everyByte},
      {"riga-enorme",
       volunteers(1, 0, "PRIMA")[0] + "\r\n" + std::string(5 << 20, 'M') + "\r\n" + volunteers(0, 1, "DOPO")[0]},
      {"solo-lf", std::string(20000, '\n')},
      {"crlf-vuote", std::string(3000, '\r') + std::string(3000, '\n')},
      {"vuoto", ""},
      {"corte", crlf({"A", std::string(109, 'B'), std::string(110, 'C'), std::string(111, 'D'), std::string(808, 'E'),
                      std::string(810, 'F')})},
      {"spazi", "   \r\n\r\n" + std::string(809, ' ') + "\r\n \r\n"},
      {"utf8-bom", "\xEF\xBB\xBFROMA   \xC3\xA0\xC3\xA8\r\n"},
      {"senza-fine-riga", "ROMA                RM  MILANO              MI  "},
  };
  for (const auto& e : fs::directory_iterator(KRT_SOURCE_DIR "/tests/data/hostile"))
    if (e.path().extension() == ".txt") c.emplace_back(e.path().filename().string(), readFile(e.path()));
  return c;
}

class HardeningInput : public ProgramTest {
 protected:
  void throughTheProgram(const std::string& bytes) {
    const Lines lines = splitLines(bytes);
    const std::string reterminated = crlf(lines), hostile = path("ostile.txt");
    writeFile(hostile, bytes);
    restart();
    auto& ui = p->ui;
    const auto workLines = [&] { return splitLines(p->workCopy()); };
    // "Apri": the lines, each ended by CR LF; the list shows their keys.
    p->menu("mnapri", hostile);
    EXPECT_EQ(p->workCopy(), reterminated);
    Lines keys, notBlank;
    for (const auto& l : lines) keys.emplace_back(recordKey(l));
    std::ranges::copy_if(lines, std::back_inserter(notBlank), [](const auto& l) { return !isBlank(l); });
    EXPECT_EQ(p->main().control("List1").items(), keys);
    EXPECT_TRUE(ui.messages.empty());
    // The three saves: "Salva" leaves the blank lines out.
    p->m->nome_archivio = path("salva.txt");
    p->main().click("mnsalva");
    EXPECT_EQ(readFile(path("salva.txt")), crlf(notBlank));
    p->menu("mnscn", path("salva-con-nome.txt"));
    EXPECT_EQ(readFile(path("salva-con-nome.txt")), reterminated);
    p->m->modificato = "1";
    ui.answer(ui::Answer::Yes);
    ui.chooseFile(path("uscita.txt"));
    EXPECT_TRUE(p->main().close());
    EXPECT_EQ(readFile(path("uscita.txt")), reterminated);
    EXPECT_EQ(p->workCopy(), reterminated);
    // The main list's search, then "Cerca successivo".
    for (const char* wanted : {"A", "\x81", "FFFF", ""}) {
      ui.messages.clear();
      p->main().type("tcerca", wanted);
      p->main().click("cmdcerca");
      for (int i = 0; i < 5 && ui.messages.empty(); ++i) p->main().click("cmdprossimo");
    }
    // A volunteer opened; "Modifica" and "Elimina" keep every other line.
    if (!lines.empty()) {
      p->main().pick("List1", 0);
      EXPECT_TRUE(p->ed().isVisible());
      p->ed().click("modifica");
      EXPECT_EQ(workLines().size(), lines.size());
      p->ed().click("elimina");
      EXPECT_LE(workLines().size(), lines.size());
      p->ed().click("Command1");
    }
    // "Registra": one new line, every old line kept byte for byte in order.
    const Lines before = workLines();
    ui.answer(ui::Answer::Yes);  // in case a line has the very same key
    p->enroll("ZZ OSPITE");
    Lines withoutNew = workLines();
    EXPECT_EQ(withoutNew.size(), before.size() + 1);
    std::erase_if(withoutNew, [](const auto& l) { return l.find("ZZ OSPITE") != std::string::npos; });
    EXPECT_EQ(withoutNew, before);
    p->ed().click("Command1");
    // "Verifica" of the hostile bytes, and its viewer.
    writeFile(p->m->percorso_wrk(), bytes);
    p->main().click("mnverifica");
    headless::HeadlessWindow* viewer = ui.find("formv");
    ASSERT_TRUE(viewer && viewer->isVisible());
    EXPECT_EQ(static_cast<std::size_t>(viewer->control("List1").itemCount()),
              std::min<std::size_t>(splitLines(readFile(p->m->percorso_verifica())).size() + 2, 32001));
    viewer->close();
    ui.runPosted();
    // The selection, with criteria of every group, and a result opened.
    p->main().click("mnsel");
    auto& sel = ui.window("Form3");
    const auto found = [&] { return static_cast<std::size_t>(sel.control("List1").itemCount()); };
    sel.click("cmdcerca");
    const std::size_t all = found();
    EXPECT_TRUE(all == lines.size() || (lines.empty() && all == 1));
    sel.click("Lv27");
    sel.click("L1pp");
    sel.type("Tapp", "\x81");
    sel.pick("Combo4", 2);
    sel.pick("cbprov", 0);
    sel.click("cmdcerca");
    EXPECT_LE(found(), std::max<std::size_t>(lines.size(), 1));
    if (found() > 0 && all == lines.size() && !lines.empty()) sel.pick("List1", 0);
    sel.click("cmbchiudi");
    // The merge, the hostile file added and then as the work copy: every line
    // out comes whole from one of the two inputs.
    const Lines plain = volunteers(2, 2, "NORMALE");
    writeFile(path("normale.txt"), crlf(plain));
    for (const bool hostileWorkCopy : {false, true}) {
      ui.messages.clear();
      writeFile(p->m->percorso_wrk(), hostileWorkCopy ? bytes : crlf(plain));
      p->menu("mnaggiu", hostileWorkCopy ? path("normale.txt") : hostile);
      EXPECT_TRUE(ui.messages.empty());
      for (const auto& l : workLines())
        EXPECT_TRUE(std::ranges::count(lines, l) + std::ranges::count(plain, l) > 0) << l.size() << " bytes";
    }
    EXPECT_EQ(readFile(hostile), bytes);
    EXPECT_FALSE(ui.busy);
  }

  // The batch tool's report and merges are the ones the program's own code
  // gives, and every run ends by itself (124: hung; above 128: a signal).
  void throughTheTool(const std::string& bytes) {
    const std::string hostile = path("ostile.txt"), plain = path("normale.txt");
    writeFile(hostile, bytes);
    writeFile(plain, crlf(volunteers(1, 1, "NORMALE")));
    const auto ran = [&](const std::vector<std::string>& args, int most) {
      std::string command = "timeout 120 " + shellQuoted(KRT_BINARY_DIR "/archivio-cli");
      for (const auto& a : args) command += " " + shellQuoted(a);
      const int status = std::system((command + " >/dev/null 2>&1").c_str());
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) <= most) << args[0] << " ended with " << status;
    };
    ran({"verifica", hostile, "--report", path("rapporto.txt")}, 1);
    VolunteerRecord r;
    verifyArchive(hostile, path("rapporto-atteso.txt"), NumberFormat::fromEnvironment(), r);
    EXPECT_EQ(readFile(path("rapporto.txt")), readFile(path("rapporto-atteso.txt")));
    for (const bool hostileFirst : {false, true}) {
      const std::string &first = hostileFirst ? hostile : plain, &second = hostileFirst ? plain : hostile;
      ran({"unisci", first, second, "--out", path("unito.txt")}, 0);
      LineReader a(first), b(second);
      FileWriter out(path("unito-atteso.txt"), FileWriter::Mode::Replacing);
      mergeLines(a, b, out);
      out.commit();
      EXPECT_EQ(readFile(path("unito.txt")), readFile(path("unito-atteso.txt")));
    }
    ran({"seleziona", hostile}, 1);
    ran({"seleziona", hostile, "--provincia", "\x81", "--dotazione", "v27", "--disponibilita", "1g", "--patente", "B",
         "--apparecchiatura", "FFFF"},
        1);
    EXPECT_EQ(readFile(hostile), bytes);
  }

  // The editor's choices and the selection's provinces hold the items of
  // hostile lookup lists as the line rules say.
  void throughTheLookupLists(const std::string& bytes) {
    writeFile(path("province.dat"), bytes);
    writeFile(path("associazioni.dat"), bytes);
    restart(false);
    Lines provinces, associations;
    for (const auto& l : splitLines(bytes)) provinces.emplace_back(columns(l, 1, 24));
    p->main().click("mnins");
    EXPECT_EQ(p->ed().control("Combo2").items(), provinces);
    if (!provinces.empty()) p->ed().pick("Combo2", 0);
    const std::string sigla(siglaOf(p->ed().control("Combo2").text()));
    for (const auto& l : splitLines(bytes))
      if (columns(l, 41, 4) == sigla) associations.emplace_back(columns(l, 1, 44));
    EXPECT_EQ(p->ed().control("Combo3").items(), associations);
    p->ed().click("Command1");
    p->main().click("mnsel");
    EXPECT_EQ(p->ui.window("Form3").control("cbprov").items(), provinces);
    p->ui.window("Form3").focus("cbprov");
    p->ui.window("Form3").focus("cmdcerca");
    EXPECT_TRUE(p->ui.messages.empty());
  }
};

TEST_F(HardeningInput, HostileFilesThroughEveryCommand) {
  ::alarm(600);  // a hang fails the whole run rather than waiting for ever
  for (const auto& [name, bytes] : hostileArchives()) {
    SCOPED_TRACE(name);
    throughTheProgram(bytes);
    throughTheTool(bytes);
    throughTheLookupLists(bytes);
  }
  ::alarm(0);
}

}  // namespace
}  // namespace krt::test
