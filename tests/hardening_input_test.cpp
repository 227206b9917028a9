// Hostile archives and lookup lists through every command of the program and
// of the batch tool: nothing crashes or hangs, the lines come back as the line
// rules say and the tool gives what the program gives.
#include <algorithm>
#include <cstdlib>

#include "fuzz/fuzz_support.h"
#include "mainwin/merge.h"
#include "records/file_io.h"
#include "support.h"
#include "verify/verification.h"

namespace krt::test {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
// The line rules, written out apart from the reader.
Lines splitLines(std::string_view bytes) {
  const auto views = fuzz::splitLines(bytes);
  return Lines(views.begin(), views.end());
}

class HardeningInput : public ProgramTest {
 protected:
  void throughTheProgram(const std::string& bytes) {
    const Lines lines = splitLines(bytes);
    const std::string reterminated = crlf(lines), hostile = path("ostile.txt");
    writeFile(hostile, bytes);
    restart();
    auto& ui = p->ui;
    // "Apri": the lines, each ended by CR LF.
    p->menu("mnapri", hostile);
    EXPECT_EQ((std::pair{p->workCopy(), ui.messages.size()}), (std::pair{reterminated, std::size_t{0}}));
    // The saves: "Salva" leaves the blank lines out, "Salva con nome" copies
    // the work copy as it is (the save on leaving copies as "Apri" does).
    p->m->nome_archivio = path("salva.txt");
    p->main().click("mnsalva");
    Lines notBlank;
    std::ranges::copy_if(lines, std::back_inserter(notBlank), [](const auto& l) { return !isBlank(l); });
    EXPECT_EQ(readFile(path("salva.txt")), crlf(notBlank));
    p->menu("mnscn", path("salva-con-nome.txt"));
    EXPECT_EQ(readFile(path("salva-con-nome.txt")), reterminated);
    // The main list's search, then "Cerca successivo".
    for (const char* wanted : {"A", "\x81", "FFFF", ""}) {
      ui.messages.clear();
      p->main().type("tcerca", wanted);
      p->main().click("cmdcerca");
      for (int i = 0; i < 5 && ui.messages.empty(); ++i) p->main().click("cmdprossimo");
    }
    // A volunteer opened in the editor.
    if (!lines.empty()) {
      p->main().pick("List1", 0);
      EXPECT_TRUE(p->ed().isVisible());
      p->ed().click("Command1");
    }
    // "Verifica" of the hostile bytes shows its report.
    writeFile(p->m->percorso_wrk(), bytes);
    p->main().click("mnverifica");
    headless::HeadlessWindow* viewer = ui.find("formv");
    ASSERT_TRUE(viewer && viewer->isVisible());
    viewer->close();
    ui.runPosted();
    // The selection's search, with criteria of every group; without any it
    // finds every line.
    p->main().click("mnsel");
    auto& sel = ui.window("Form3");
    sel.click("cmdcerca");
    const auto found = static_cast<std::size_t>(sel.control("List1").itemCount());
    EXPECT_TRUE(found == lines.size() || (lines.empty() && found == 1));
    sel.click("Lv27");
    sel.type("Tapp", "\x81");
    sel.pick("Combo4", 2);
    sel.click("cmdcerca");
    sel.click("cmbchiudi");
    // The merge of the hostile file: every line out comes whole from one of
    // the two inputs.
    const Lines plain = volunteers(2, 2, "NORMALE");
    writeFile(p->m->percorso_wrk(), crlf(plain));
    ui.messages.clear();
    p->menu("mnaggiu", hostile);
    // No failure told: the summary alone, whose count is the new work copy's.
    const Lines merged = splitLines(p->workCopy());
    ASSERT_EQ(ui.messages.size(), 1u);
    const std::string& summary = ui.messages[0].text;
    EXPECT_TRUE(summary == "Nessun volontario aggiunto." ||
                summary.ends_with("\nVolontari nell'archivio: " + std::to_string(merged.size())))
        << summary;
    for (const auto& l : merged)
      EXPECT_TRUE(std::ranges::count(lines, l) + std::ranges::count(plain, l) > 0) << l.size() << " bytes";
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
    ran({"unisci", hostile, plain, "--out", path("unito.txt")}, 0);
    LineReader a(hostile), b(plain);
    FileWriter out(path("unito-atteso.txt"), FileWriter::Mode::Replacing);
    mergeLines(a, b, out);
    out.commit();
    EXPECT_EQ(readFile(path("unito.txt")), readFile(path("unito-atteso.txt")));
    ran({"scadenze", hostile, "--entro", "3650"}, 1);
    ran({"seleziona", hostile, "--provincia", "\x81", "--dotazione", "v27", "--disponibilita", "1g", "--patente", "B",
         "--apparecchiatura", "FFFF"},
        1);
  }

  // The editor's and the selection's provinces hold the items of hostile
  // lookup lists as the line rules say.
  void throughTheLookupLists(const std::string& bytes) {
    for (const char* list : {"province.dat", "associazioni.dat"}) writeFile(path(list), bytes);
    restart(false);
    Lines provinces;
    for (const auto& l : splitLines(bytes)) provinces.emplace_back(columns(l, 1, 24));
    p->main().click("mnins");
    EXPECT_EQ(p->ed().control("Combo2").items(), provinces);
    if (!provinces.empty()) p->ed().pick("Combo2", 0);  // fills the associations of its province
    p->ed().click("Command1");
    p->main().click("mnsel");
    auto& sel = p->ui.window("Form3");
    EXPECT_EQ(sel.control("cbprov").items(), provinces);
    sel.focus("cbprov");
    sel.focus("cmdcerca");
    EXPECT_TRUE(p->ui.messages.empty());
  }
};

TEST_F(HardeningInput, HostileFilesThroughEveryCommand) {
  // The files kept in tests/data/hostile (NUL bytes, undefined cp1252 bytes,
  // mixed line ends, "FFFF", only CR), a multi-megabyte line and a lookup list
  // without line ends; the fuzz targets cover random bytes.
  std::vector<std::pair<std::string, std::string>> corpus = {
      {"riga-enorme",
       volunteers(1, 0, "PRIMA")[0] + "\r\n" + std::string(5 << 20, 'M') + "\r\n" + volunteers(0, 1, "DOPO")[0]},
      {"senza-fine-riga", "ROMA                RM  MILANO              MI  "}};
  for (const auto& e : fs::directory_iterator(KRT_SOURCE_DIR "/tests/data/hostile"))
    if (e.path().extension() == ".txt") corpus.emplace_back(e.path().filename().string(), readFile(e.path()));
  ::alarm(600);  // a hang fails the whole run rather than waiting for ever
  for (const auto& [name, bytes] : corpus) {
    SCOPED_TRACE(name);
    throughTheProgram(bytes);
    throughTheTool(bytes);
    throughTheLookupLists(bytes);
  }
  ::alarm(0);
}

}  // namespace
}  // namespace krt::test
