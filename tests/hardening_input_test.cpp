// Hostile files through every command of the program and of the batch tool:
// binary data, NUL bytes, lines of megabytes, files of only CR or only LF,
// mixed line ends, the code page's undefined bytes, lines of "FFFF", lookup
// lists without line ends, empty files. Nothing may crash or hang, and the
// bytes of every line come back as the line rules say.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <random>
#include <thread>

#include "editor/form4.h"
#include "fuzz/fuzz_support.h"
#include "mainwin/merge.h"
#include "records/file_io.h"
#include "select/form3.h"
#include "support.h"
#include "verify/verification.h"

extern char** environ;

namespace krt::test {
namespace {

namespace fs = std::filesystem;
using headless::HeadlessPlatform;
using Lines = std::vector<std::string>;

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

using Corpus = std::vector<std::pair<std::string, std::string>>;

// The hostile archives: generated here, plus the small files kept in
// tests/data/hostile.
Corpus hostileArchives() {
  Corpus c;
  std::mt19937 random(20261206);
  std::string binary(150000, '\0');
  for (auto& b : binary) b = static_cast<char>(random() & 0xFF);
  c.emplace_back("binario", binary);
  std::string everyByte;
  for (int i = 0; i < 256; ++i) everyByte += static_cast<char>(i);
  c.emplace_back("ogni-byte", everyByte + everyByte);
  std::string nul = volunteer("ROMA", "AB") + "\r\n" + volunteer("ROMA", "CD") + "\r\n";
  nul[70] = '\0';    // in the surname
  nul[811] = '\0';   // the first byte of the second line
  nul[1500] = '\0';  // deep in the second line
  c.emplace_back("nul", nul + std::string(3, '\0'));
  c.emplace_back("riga-enorme", volunteer("MILANO", "PRIMA") + "\r\n" + std::string(5 << 20, 'M') + "\r\n" +
                                    volunteer("ROMA", "DOPO"));
  c.emplace_back("solo-cr", std::string(20000, '\r'));
  c.emplace_back("solo-lf", std::string(20000, '\n'));
  c.emplace_back("crlf-vuote", std::string(3000, '\r') + std::string(3000, '\n'));
  c.emplace_back("fine-miste", volunteer("MILANO", "A") + "\r\n" + volunteer("MILANO", "B") + "\r" +
                                   volunteer("ROMA", "C") + "\n" + volunteer("ROMA", "D") + "\n\r" +
                                   volunteer("ROMA", "E") + "\r\r\n\n" + volunteer("ROMA", "F"));
  std::string undefinedBytes = volunteer("ROMA", "X\x81\x8D\x8F\x90\x9DY");
  undefinedBytes[0] = '\x81';
  undefinedBytes[700] = '\x9D';
  c.emplace_back("cp1252-indefiniti", undefinedBytes + "\r\n\x81\x8D\x8F\x90\x9D\r\n");
  c.emplace_back("ffff", "FFFF\r\nFFFF\r\nFFFF");
  c.emplace_back("ffff-lf", "FFFF\nFFFF\n");
  c.emplace_back("vuoto", "");
  c.emplace_back("corte", "A\r\n" + std::string(109, 'B') + "\r\n" + std::string(110, 'C') + "\r\n" +
                              std::string(111, 'D') + "\r\n" + std::string(808, 'E') + "\r\n" + std::string(810, 'F') +
                              "\r\n");
  c.emplace_back("spazi", "   \r\n\r\n" + std::string(809, ' ') + "\r\n \r\n");
  c.emplace_back("utf8-bom", "\xEF\xBB\xBFROMA   \xC3\xA0\xC3\xA8\r\n");
  if (fs::is_directory(kCommitted)) {
    for (const auto& e : fs::directory_iterator(kCommitted)) {
      if (e.path().extension() == ".txt") c.emplace_back("file-" + e.path().stem().string(), readFile(e.path()));
    }
  }
  return c;
}

// Hostile lookup lists (province.dat, associazioni.dat).
Corpus hostileLookups() {
  Corpus c;
  c.emplace_back("senza-fine-riga", "ROMA                RM  MILANO              MI  ");
  c.emplace_back("un-solo-elemento-senza-fine", "ROMA                RM  ");
  c.emplace_back("solo-cr", std::string(500, '\r'));
  c.emplace_back("solo-lf", std::string(500, '\n'));
  c.emplace_back("vuoto", "");
  c.emplace_back("nul", std::string("RO\0A                RM  \r\n", 27) + std::string(50, '\0'));
  c.emplace_back("indefiniti",
                 "\x81\x8D\x8F\x90\x9D               RM  \r\n" + fixedWidth("\x81\x8D ASSOC", 40) + "RM  \r\n");
  c.emplace_back("corte", "R\r\nROMA\r\n" + std::string(21, 'X') + "\r\n");
  c.emplace_back("enorme", std::string(3 << 20, 'P') + "\r\nROMA                RM  \r\n");
  c.emplace_back("ffff", "FFFF\r\nFFFF");
  return c;
}

// Stops a hung test: the whole run fails rather than waiting for ever.
struct Watchdog {
  explicit Watchdog(unsigned seconds) { ::alarm(seconds); }
  ~Watchdog() { ::alarm(0); }
};

// Runs the batch tool with a time limit; the status, or -signal.
int runTool(const std::vector<std::string>& args, int seconds = 120) {
  std::vector<char*> argv;
  std::string tool = kTool;
  argv.push_back(tool.data());
  std::vector<std::string> copy = args;
  for (auto& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1000;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return -10000;  // hung
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
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
  Lines workLines() { return splitLines(readFile(m->percorso_wrk())); }
  std::string workCopy() { return readFile(m->percorso_wrk()); }

  // Every command of the program on one hostile archive; returns how many
  // commands it went through.
  int throughTheProgram(const std::string& bytes);
  int throughTheTool(const std::string& name, const std::string& bytes);

  std::unique_ptr<HeadlessPlatform> ui;
  std::unique_ptr<Modulo1> m;
};

int HardeningInput::throughTheProgram(const std::string& bytes) {
  int commands = 0;
  const Lines lines = splitLines(bytes);
  const std::string reterminated = crlf(lines);
  const std::string hostile = path("ostile.txt");
  writeFile(hostile, bytes);

  // "Apri": the lines, each ended by CR LF; the list shows their keys.
  restart();
  ui->chooseFile(hostile);
  main().click("mnapri");
  ++commands;
  EXPECT_EQ(workCopy(), reterminated);
  EXPECT_EQ(readFile(hostile), bytes);
  Lines keys;
  for (const auto& l : lines) keys.emplace_back(recordKey(l));
  EXPECT_EQ(main().control("List1").items(), keys);
  EXPECT_TRUE(ui->messages.empty());

  // The three saves.
  m->nome_archivio = path("salva.txt");
  main().click("mnsalva");
  Lines notBlank;
  for (const auto& l : lines) {
    if (!isBlank(l)) notBlank.push_back(l);
  }
  EXPECT_EQ(readFile(path("salva.txt")), crlf(notBlank));
  ui->chooseFile(path("salva-con-nome.txt"));
  main().click("mnscn");
  EXPECT_EQ(readFile(path("salva-con-nome.txt")), reterminated);
  m->modificato = "1";
  ui->answer(ui::Answer::Yes);
  ui->chooseFile(path("uscita.txt"));
  EXPECT_TRUE(main().close());
  EXPECT_EQ(readFile(path("uscita.txt")), reterminated);
  commands += 3;
  EXPECT_EQ(workCopy(), reterminated);

  // The main list's search, then every "Cerca successivo".
  for (const char* wanted : {"A", "\x81", "FFFF", ""}) {
    ui->messages.clear();
    main().type("tcerca", wanted);
    main().click("cmdcerca");
    for (int i = 0; i < 5 && ui->messages.empty(); ++i) main().click("cmdprossimo");
    commands += 2;
  }
  EXPECT_FALSE(ui->busy);

  // Opening a volunteer; "Modifica" and "Elimina" keep every other line.
  ui->messages.clear();
  if (!lines.empty()) {
    main().pick("List1", 0);
    ++commands;
    EXPECT_TRUE(ed().isVisible());
    ed().click("modifica");
    ++commands;
    Lines after = workLines();
    EXPECT_EQ(after.size(), lines.size());
    ed().click("elimina");
    ++commands;
    after = workLines();
    EXPECT_LE(after.size(), lines.size());
    ed().click("Command1");
  }
  // "Registra": one new line, every old line kept byte for byte in order.
  const Lines before = workLines();
  ui->messages.clear();
  m->modo = "i";
  m->form4().show();
  ed().pick("Combo2", 0);
  ed().type("Text1", "ZZ OSPITE");
  ed().type("Text2", "NUOVO");
  ui->answer(ui::Answer::Yes);  // in case a line has the very same key
  ed().click("Command2");
  ++commands;
  const Lines withNew = workLines();
  EXPECT_EQ(withNew.size(), before.size() + 1);
  Lines withoutNew;
  for (const auto& l : withNew) {
    if (l.find("ZZ OSPITE") == std::string::npos) withoutNew.push_back(l);
  }
  EXPECT_EQ(withoutNew, before);
  ed().click("Command1");

  // "Verifica" and its viewer.
  ui->messages.clear();
  writeFile(m->percorso_wrk(), bytes);
  main().click("mnverifica");
  ++commands;
  headless::HeadlessWindow* viewer = ui->find("formv");
  EXPECT_TRUE(viewer && viewer->isVisible());
  if (viewer) {
    const Lines report = splitLines(readFile(m->percorso_verifica()));
    const auto shown = static_cast<std::size_t>(viewer->control("List1").itemCount());
    EXPECT_EQ(shown, std::min<std::size_t>(report.size() + 2, 32001));
    viewer->close();
    ui->runPosted();
  }

  // The selection, with criteria of every group, and a result opened.
  ui->messages.clear();
  main().click("mnsel");
  auto& sel = ui->window("Form3");
  sel.click("cmdcerca");
  std::size_t all = static_cast<std::size_t>(sel.control("List1").itemCount());
  EXPECT_TRUE(all == lines.size() || (lines.empty() && all == 1));
  sel.click("Lv27");
  sel.click("L1pp");
  sel.type("Tapp", "\x81");
  sel.pick("Combo4", 2);
  sel.pick("cbprov", 0);
  sel.click("cmdcerca");
  commands += 2;
  EXPECT_LE(static_cast<std::size_t>(sel.control("List1").itemCount()), std::max<std::size_t>(lines.size(), 1));
  if (sel.control("List1").itemCount() > 0 && all == lines.size() && !lines.empty()) {
    sel.pick("List1", 0);
    ++commands;
  }
  sel.click("cmbchiudi");

  // The merge, with the hostile file added and as the work copy.
  const std::string plain = crlf({volunteer("MILANO", "M1"), volunteer("ROMA", "R1"), volunteer("TORINO", "T1")});
  writeFile(path("normale.txt"), plain);
  const Lines plainLines = splitLines(plain);
  for (int asWorkCopy = 0; asWorkCopy < 2; ++asWorkCopy) {
    ui->messages.clear();
    writeFile(m->percorso_wrk(), asWorkCopy ? bytes : plain);
    ui->chooseFile(asWorkCopy ? path("normale.txt") : hostile);
    main().click("mnaggiu");
    ++commands;
    EXPECT_TRUE(ui->messages.empty());
    // Every line out comes from one of the two inputs, whole.
    const Lines merged = workLines();
    for (const auto& l : merged) {
      const bool known = std::find(lines.begin(), lines.end(), l) != lines.end() ||
                         std::find(plainLines.begin(), plainLines.end(), l) != plainLines.end();
      EXPECT_TRUE(known) << "a merged line of " << l.size() << " bytes is in neither input";
      if (!known) break;
    }
  }
  EXPECT_EQ(readFile(hostile), bytes);
  EXPECT_FALSE(ui->busy);
  return commands;
}

int HardeningInput::throughTheTool(const std::string& name, const std::string& bytes) {
  const std::string hostile = path("ostile.txt");
  const std::string plain = path("normale.txt");
  writeFile(hostile, bytes);
  writeFile(plain, crlf({volunteer("MILANO", "M1"), volunteer("ROMA", "R1")}));
  int commands = 0;
  const auto ran = [&](const std::vector<std::string>& args, std::initializer_list<int> allowed) {
    const int status = runTool(args);
    ++commands;
    EXPECT_NE(std::find(allowed.begin(), allowed.end(), status), allowed.end())
        << name << ": archivio-cli " << args[0] << " ended with " << status;
  };
  // The report is the one the program's own verification writes.
  ran({"verifica", hostile, "--report", path("rapporto.txt")}, {0, 1});
  VolunteerRecord r;
  verifyArchive(hostile, path("rapporto-atteso.txt"), NumberFormat::fromEnvironment(), r);
  EXPECT_EQ(readFile(path("rapporto.txt")), readFile(path("rapporto-atteso.txt"))) << name;
  // The merge either way round gives what mergeLines gives.
  for (int hostileFirst = 0; hostileFirst < 2; ++hostileFirst) {
    const std::string& first = hostileFirst ? hostile : plain;
    const std::string& second = hostileFirst ? plain : hostile;
    ran({"unisci", first, second, "--out", path("unito.txt")}, {0});
    {
      LineReader a(first), b(second);
      FileWriter out(path("unito-atteso.txt"), FileWriter::Mode::Replacing);
      mergeLines(a, b, out);
      out.commit();
    }
    EXPECT_EQ(readFile(path("unito.txt")), readFile(path("unito-atteso.txt"))) << name;
  }
  ran({"seleziona", hostile}, {0, 1});
  ran({"seleziona", hostile, "--provincia", "\x81", "--dotazione", "v27", "--disponibilita", "1g", "--patente", "B",
       "--apparecchiatura", "FFFF"},
      {0, 1});
  EXPECT_EQ(readFile(hostile), bytes);
  return commands;
}

TEST_F(HardeningInput, HostileArchivesThroughEveryCommand) {
  Watchdog watchdog(300);
  int tried = 0;
  int commands = 0;
  for (const auto& [name, bytes] : hostileArchives()) {
    SCOPED_TRACE(name);
    commands += throughTheProgram(bytes);
    ++tried;
    if (HasFatalFailure()) return;
  }
  std::cout << "[ hostile  ] " << tried << " hostile archives through " << commands << " commands of the program\n";
  RecordProperty("hostile_archives", tried);
  EXPECT_GE(tried, 15);
}

TEST_F(HardeningInput, HostileArchivesThroughTheBatchTool) {
  if (!fs::exists(kTool)) GTEST_SKIP() << "archivio-cli is not built";
  Watchdog watchdog(300);
  int tried = 0;
  int commands = 0;
  for (const auto& [name, bytes] : hostileArchives()) {
    SCOPED_TRACE(name);
    commands += throughTheTool(name, bytes);
    ++tried;
  }
  std::cout << "[ hostile  ] " << tried << " hostile archives through " << commands << " runs of archivio-cli\n";
}

TEST_F(HardeningInput, HostileLookupLists) {
  Watchdog watchdog(120);
  int tried = 0;
  for (const auto& [name, bytes] : hostileLookups()) {
    SCOPED_TRACE(name);
    writeFile(path("province.dat"), bytes);
    writeFile(path("associazioni.dat"), bytes);
    restart();
    Lines provinces;
    for (const auto& l : splitLines(bytes)) provinces.emplace_back(columns(l, 1, 24));
    // The editor fills its choices at load and at every activation.
    m->modo = "i";
    m->form4().show();
    EXPECT_EQ(ed().control("Combo2").items(), provinces);
    if (!provinces.empty()) ed().pick("Combo2", 0);
    Lines associations;
    const std::string sigla(siglaOf(ed().control("Combo2").text()));
    for (const auto& l : splitLines(bytes)) {
      if (columns(l, 41, 4) == sigla) associations.emplace_back(columns(l, 1, 44));
    }
    EXPECT_EQ(ed().control("Combo3").items(), associations);
    ed().click("Command1");
    // The selection window does the same through LoadProvinces.
    main().click("mnsel");
    EXPECT_EQ(ui->window("Form3").control("cbprov").items(), provinces);
    ui->window("Form3").focus("cbprov");
    ui->window("Form3").focus("cmdcerca");
    EXPECT_TRUE(ui->messages.empty());
    ++tried;
  }
  // A lookup list that is a folder, or missing: told, not fatal.
  fs::remove(path("province.dat"));
  fs::create_directory(path("province.dat"));
  fs::remove(path("associazioni.dat"));
  restart();
  m->modo = "i";
  m->form4().show();
  EXPECT_GE(ui->messages.size(), 2u);
  EXPECT_EQ(ed().control("Combo2").itemCount(), 0);
  std::cout << "[ hostile  ] " << tried + 1 << " hostile lookup lists\n";
}

}  // namespace
}  // namespace krt::test
