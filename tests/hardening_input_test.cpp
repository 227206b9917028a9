// Hostile files through every command of the program and of the batch tool:
// binary data, NUL bytes, lines of megabytes, files of only CR or only LF,
// mixed line ends, the code page's undefined bytes, lines of "FFFF", lookup
// lists without line ends, empty files. Nothing may crash or hang, and the
// bytes of every line come back as the line rules say.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>

#include "fuzz/fuzz_support.h"
#include "mainwin/merge.h"
#include "records/file_io.h"
#include "support.h"
#include "verify/verification.h"

namespace krt::test {
namespace {

namespace fs = std::filesystem;
using headless::HeadlessPlatform;
using Lines = std::vector<std::string>;
using Corpus = std::vector<std::pair<std::string, std::string>>;

const std::string kTool = KRT_BINARY_DIR "/archivio-cli";
const std::string kCommitted = KRT_SOURCE_DIR "/tests/data/hostile";

// The line rules, written out independently of the reader (shared with the
// fuzz targets).
using fuzz::splitLines;

std::string volunteer(const std::string& provincia, const std::string& cognome) {
  return line({{"provincia", provincia},
               {"associazione", provincia == "ROMA" ? "RADIO CLUB ROMA" : "RADIO MILANO"},
               {"cognome", cognome},
               {"nome", "NOME"}});
}

// The hostile archives: generated here, plus the small files kept in
// tests/data/hostile.
Corpus hostileArchives() {
  std::mt19937 random(20261206);
  std::string binary(150000, '\0');
  for (auto& b : binary) b = static_cast<char>(random() & 0xFF);
  std::string everyByte;
  for (int i = 0; i < 512; ++i) everyByte += static_cast<char>(i & 0xFF);
  std::string nul = volunteer("ROMA", "AB") + "\r\n" + volunteer("ROMA", "CD") + "\r\n" + std::string(3, '\0');
  nul[70] = nul[811] = nul[1500] = '\0';  // in the surname, first in the second line, deep in it
  std::string undefinedBytes = volunteer("ROMA", "X\x81\x8D\x8F\x90\x9DY");
  undefinedBytes[0] = '\x81';
  undefinedBytes[700] = '\x9D';
  Corpus c = {
      {"binario", binary},
      {"ogni-byte", everyByte},
      {"nul", nul},
      {"riga-enorme",
       volunteer("MILANO", "PRIMA") + "\r\n" + std::string(5 << 20, 'M') + "\r\n" + volunteer("ROMA", "DOPO")},
      {"solo-cr", std::string(20000, '\r')},
      {"solo-lf", std::string(20000, '\n')},
      {"crlf-vuote", std::string(3000, '\r') + std::string(3000, '\n')},
      {"fine-miste", volunteer("MILANO", "A") + "\r\n" + volunteer("MILANO", "B") + "\r" + volunteer("ROMA", "C") +
                         "\n" + volunteer("ROMA", "D") + "\n\r" + volunteer("ROMA", "E") + "\r\r\n\n" +
                         volunteer("ROMA", "F")},
      {"cp1252-indefiniti", undefinedBytes + "\r\n\x81\x8D\x8F\x90\x9D\r\n"},
      {"ffff", "FFFF\r\nFFFF\r\nFFFF"},
      {"ffff-lf", "FFFF\nFFFF\n"},
      {"vuoto", ""},
      {"corte", crlf({"A", std::string(109, 'B'), std::string(110, 'C'), std::string(111, 'D'), std::string(808, 'E'),
                      std::string(810, 'F')})},
      {"spazi", "   \r\n\r\n" + std::string(809, ' ') + "\r\n \r\n"},
      {"utf8-bom", "\xEF\xBB\xBFROMA   \xC3\xA0\xC3\xA8\r\n"},
  };
  for (const auto& e : fs::directory_iterator(kCommitted)) {
    if (e.path().extension() == ".txt") c.emplace_back("file-" + e.path().stem().string(), readFile(e.path()));
  }
  return c;
}

// Stops a hung test: the whole run fails rather than waiting for ever.
struct Watchdog {
  explicit Watchdog(unsigned seconds) { ::alarm(seconds); }
  ~Watchdog() { ::alarm(0); }
};

// Runs the batch tool, its output thrown away, for two minutes at most; its
// exit status (124 when it hung, above 128 when a signal ended it).
int runTool(const std::vector<std::string>& args) {
  std::string command = "timeout 120 " + shellQuoted(kTool);
  for (const auto& a : args) command += " " + shellQuoted(a);
  const int status = std::system((command + " >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class HardeningInput : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    writeFile(path("province.dat"), kTestProvinces);
    writeFile(path("associazioni.dat"), testAssociations());
  }
  void TearDown() override {
    m.reset();
    ui.reset();
    TempDirTest::TearDown();
  }
  void restart() {
    m.reset();
    ui = std::make_unique<HeadlessPlatform>();
    m = std::make_unique<Modulo1>(*ui, folder(), folder());
    m->form1().show();
  }
  headless::HeadlessWindow& main() { return ui->window("Form1"); }
  headless::HeadlessWindow& ed() { return ui->window("Form4"); }
  std::string workCopy() { return readFile(m->percorso_wrk()); }
  Lines workLines() { return splitLines(workCopy()); }

  void throughTheProgram(const std::string& bytes);
  void throughTheTool(const std::string& bytes);

  std::unique_ptr<HeadlessPlatform> ui;
  std::unique_ptr<Modulo1> m;
};

// Every command of the program on one hostile archive.
void HardeningInput::throughTheProgram(const std::string& bytes) {
  const Lines lines = splitLines(bytes);
  const std::string reterminated = crlf(lines);
  const std::string hostile = path("ostile.txt");
  writeFile(hostile, bytes);

  // "Apri": the lines, each ended by CR LF; the list shows their keys.
  restart();
  ui->chooseFile(hostile);
  main().click("mnapri");
  EXPECT_EQ(workCopy(), reterminated);
  Lines keys;
  for (const auto& l : lines) keys.emplace_back(recordKey(l));
  EXPECT_EQ(main().control("List1").items(), keys);
  EXPECT_TRUE(ui->messages.empty());

  // The three saves: "Salva" leaves the blank lines out.
  m->nome_archivio = path("salva.txt");
  main().click("mnsalva");
  Lines notBlank;
  std::copy_if(lines.begin(), lines.end(), std::back_inserter(notBlank), [](const auto& l) { return !isBlank(l); });
  EXPECT_EQ(readFile(path("salva.txt")), crlf(notBlank));
  ui->chooseFile(path("salva-con-nome.txt"));
  main().click("mnscn");
  EXPECT_EQ(readFile(path("salva-con-nome.txt")), reterminated);
  m->modificato = "1";
  ui->answer(ui::Answer::Yes);
  ui->chooseFile(path("uscita.txt"));
  EXPECT_TRUE(main().close());
  EXPECT_EQ(readFile(path("uscita.txt")), reterminated);
  EXPECT_EQ(workCopy(), reterminated);

  // The main list's search, then every "Cerca successivo".
  for (const char* wanted : {"A", "\x81", "FFFF", ""}) {
    ui->messages.clear();
    main().type("tcerca", wanted);
    main().click("cmdcerca");
    for (int i = 0; i < 5 && ui->messages.empty(); ++i) main().click("cmdprossimo");
  }
  EXPECT_FALSE(ui->busy);

  // Opening a volunteer; "Modifica" and "Elimina" keep every other line.
  if (!lines.empty()) {
    main().pick("List1", 0);
    EXPECT_TRUE(ed().isVisible());
    ed().click("modifica");
    EXPECT_EQ(workLines().size(), lines.size());
    ed().click("elimina");
    EXPECT_LE(workLines().size(), lines.size());
    ed().click("Command1");
  }
  // "Registra": one new line, every old line kept byte for byte in order.
  const Lines before = workLines();
  main().click("mnins");
  ed().pick("Combo2", 0);
  ed().type("Text1", "ZZ OSPITE");
  ed().type("Text2", "NUOVO");
  ui->answer(ui::Answer::Yes);  // in case a line has the very same key
  ed().click("Command2");
  Lines withoutNew = workLines();
  EXPECT_EQ(withoutNew.size(), before.size() + 1);
  std::erase_if(withoutNew, [](const auto& l) { return l.find("ZZ OSPITE") != std::string::npos; });
  EXPECT_EQ(withoutNew, before);
  ed().click("Command1");

  // "Verifica" and its viewer.
  writeFile(m->percorso_wrk(), bytes);
  main().click("mnverifica");
  headless::HeadlessWindow* viewer = ui->find("formv");
  EXPECT_TRUE(viewer && viewer->isVisible());
  if (viewer) {
    const Lines report = splitLines(readFile(m->percorso_verifica()));
    EXPECT_EQ(static_cast<std::size_t>(viewer->control("List1").itemCount()),
              std::min<std::size_t>(report.size() + 2, 32001));
    viewer->close();
    ui->runPosted();
  }

  // The selection, with criteria of every group, and a result opened.
  main().click("mnsel");
  auto& sel = ui->window("Form3");
  sel.click("cmdcerca");
  const auto found = [&] { return static_cast<std::size_t>(sel.control("List1").itemCount()); };
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

  // The merge, with the hostile file added and as the work copy: every line
  // out comes from one of the two inputs, whole.
  const std::string plain = crlf({volunteer("MILANO", "M1"), volunteer("ROMA", "R1"), volunteer("TORINO", "T1")});
  writeFile(path("normale.txt"), plain);
  const Lines plainLines = splitLines(plain);
  for (const bool hostileWorkCopy : {false, true}) {
    ui->messages.clear();
    writeFile(m->percorso_wrk(), hostileWorkCopy ? bytes : plain);
    ui->chooseFile(hostileWorkCopy ? path("normale.txt") : hostile);
    main().click("mnaggiu");
    EXPECT_TRUE(ui->messages.empty());
    const Lines merged = workLines();
    const auto unknown = std::find_if(merged.begin(), merged.end(), [&](const auto& l) {
      return std::ranges::find(lines, l) == lines.end() && std::ranges::find(plainLines, l) == plainLines.end();
    });
    EXPECT_TRUE(unknown == merged.end()) << "a merged line of " << unknown->size() << " bytes is in neither input";
  }
  EXPECT_EQ(readFile(hostile), bytes);
  EXPECT_FALSE(ui->busy);
}

// The batch tool on one hostile archive: its report and its merges are the
// ones the program's own code gives, and every run ends by itself.
void HardeningInput::throughTheTool(const std::string& bytes) {
  const std::string hostile = path("ostile.txt");
  const std::string plain = path("normale.txt");
  writeFile(hostile, bytes);
  writeFile(plain, crlf({volunteer("MILANO", "M1"), volunteer("ROMA", "R1")}));
  const auto ran = [&](const std::vector<std::string>& args, int most) {
    const int status = runTool(args);
    EXPECT_TRUE(status >= 0 && status <= most) << "archivio-cli " << args[0] << " ended with " << status;
  };
  ran({"verifica", hostile, "--report", path("rapporto.txt")}, 1);
  VolunteerRecord r;
  verifyArchive(hostile, path("rapporto-atteso.txt"), NumberFormat::fromEnvironment(), r);
  EXPECT_EQ(readFile(path("rapporto.txt")), readFile(path("rapporto-atteso.txt")));
  for (const bool hostileFirst : {false, true}) {
    const std::string& first = hostileFirst ? hostile : plain;
    const std::string& second = hostileFirst ? plain : hostile;
    ran({"unisci", first, second, "--out", path("unito.txt")}, 0);
    {
      LineReader a(first), b(second);
      FileWriter out(path("unito-atteso.txt"), FileWriter::Mode::Replacing);
      mergeLines(a, b, out);
      out.commit();
    }
    EXPECT_EQ(readFile(path("unito.txt")), readFile(path("unito-atteso.txt")));
  }
  ran({"seleziona", hostile}, 1);
  ran({"seleziona", hostile, "--provincia", "\x81", "--dotazione", "v27", "--disponibilita", "1g", "--patente", "B",
       "--apparecchiatura", "FFFF"},
      1);
  EXPECT_EQ(readFile(hostile), bytes);
}

TEST_F(HardeningInput, HostileArchivesThroughEveryCommand) {
  Watchdog watchdog(300);
  const Corpus corpus = hostileArchives();
  for (const auto& [name, bytes] : corpus) {
    SCOPED_TRACE(name);
    throughTheProgram(bytes);
  }
  std::cout << "[ hostile  ] " << corpus.size() << " hostile archives through every command of the program\n";
  RecordProperty("hostile_archives", static_cast<int>(corpus.size()));
  EXPECT_GE(corpus.size(), 20u);
}

TEST_F(HardeningInput, HostileArchivesThroughTheBatchTool) {
  if (!fs::exists(kTool)) GTEST_SKIP() << "archivio-cli is not built";
  Watchdog watchdog(300);
  for (const auto& [name, bytes] : hostileArchives()) {
    SCOPED_TRACE(name);
    throughTheTool(bytes);
  }
}

// Hostile lookup lists (province.dat, associazioni.dat): the editor fills
// its choices with their items at load and at every activation, the
// selection window through LoadProvinces; a list that is a folder, or
// missing, is told, not fatal.
TEST_F(HardeningInput, HostileLookupLists) {
  Watchdog watchdog(120);
  const Corpus corpus = {
      {"senza-fine-riga", "ROMA                RM  MILANO              MI  "},
      {"un-solo-elemento-senza-fine", "ROMA                RM  "},
      {"solo-cr", std::string(500, '\r')},
      {"solo-lf", std::string(500, '\n')},
      {"vuoto", ""},
      {"nul", std::string("RO\0A                RM  \r\n", 27) + std::string(50, '\0')},
      {"indefiniti", "\x81\x8D\x8F\x90\x9D               RM  \r\n" + fixedWidth("\x81\x8D ASSOC", 40) + "RM  \r\n"},
      {"corte", "R\r\nROMA\r\n" + std::string(21, 'X') + "\r\n"},
      {"enorme", std::string(3 << 20, 'P') + "\r\nROMA                RM  \r\n"},
      {"ffff", "FFFF\r\nFFFF"},
  };
  for (const auto& [name, bytes] : corpus) {
    SCOPED_TRACE(name);
    writeFile(path("province.dat"), bytes);
    writeFile(path("associazioni.dat"), bytes);
    restart();
    Lines provinces;
    for (const auto& l : splitLines(bytes)) provinces.emplace_back(columns(l, 1, 24));
    main().click("mnins");
    EXPECT_EQ(ed().control("Combo2").items(), provinces);
    if (!provinces.empty()) ed().pick("Combo2", 0);
    Lines associations;
    const std::string sigla(siglaOf(ed().control("Combo2").text()));
    for (const auto& l : splitLines(bytes)) {
      if (columns(l, 41, 4) == sigla) associations.emplace_back(columns(l, 1, 44));
    }
    EXPECT_EQ(ed().control("Combo3").items(), associations);
    ed().click("Command1");
    main().click("mnsel");
    EXPECT_EQ(ui->window("Form3").control("cbprov").items(), provinces);
    ui->window("Form3").focus("cbprov");
    ui->window("Form3").focus("cmdcerca");
    EXPECT_TRUE(ui->messages.empty());
  }
  fs::remove(path("province.dat"));
  fs::create_directory(path("province.dat"));
  fs::remove(path("associazioni.dat"));
  restart();
  main().click("mnins");
  EXPECT_GE(ui->messages.size(), 2u);
  EXPECT_EQ(ed().control("Combo2").itemCount(), 0);
}

}  // namespace
}  // namespace krt::test
