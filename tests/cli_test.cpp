// The batch tool archivio-cli, run as a separate program: verifica and unisci
// must write byte for byte what the program's windows write for the same
// archive, seleziona must hand each option to the window's selection, and
// every usage error and every failure must exit with status 2 without
// touching the files it was given.
#include <locale.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <tuple>

#include "support.h"

namespace krt::test {
namespace {

namespace fs = std::filesystem;

const std::string kTool = KRT_BINARY_DIR "/archivio-cli";

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
  auto all() const { return std::tuple{status, out, err}; }
};

// ---- the volunteers -------------------------------------------------------------------

// A volunteer the verification accepts; the fields given override it.
std::string volunteer(std::initializer_list<std::pair<const char*, std::string>> fields) {
  VolunteerRecord r;
  // clang-format off
  r.fromLine(line({{"via", "VIA ROMA 1"}, {"cap", "00100"}, {"citta", "ROMA"}, {"prov_residenza", "RM"},
                   {"anno_nascita", "1970"}, {"qualifica", "O"}, {"livello", "OR"}, {"recapito", "06 1234567"},
                   {"ore_1g", "2"}, {"disp_1g", "P"}}));
  // clang-format on
  for (const auto& [name, value] : fields) setField(r, *findField(name), value);
  return r.toLine();
}

// clang-format off
const std::string kMilanoNeri = volunteer({{"provincia", "MILANO"}, {"associazione", "RADIO MILANO"},
    {"cognome", "NERI"}, {"nome", "PAOLO"}, {"posti_letto", "4"}, {"patente", "B"}, {"ore_1g", "NO"},
    {"ore_3g_fuori", "12"}});
const std::string kMilanoVerdi = volunteer({{"provincia", "MILANO"}, {"associazione", "RADIO MILANO"},
    {"cognome", "VERDI"}, {"nome", "ANNA"}, {"livello", "COM"}, {"krt_mare", "SI"}, {"patente", "A"},
    {"palmare_vhf", "2"}, {"attrezzature", "GENERATORE"}, {"cap", "2O100"}});  // a letter O: a violation
const std::string kRomaBianchi = volunteer({{"provincia", "ROMA"}, {"associazione", "CB ROMA NORD"},
    {"cognome", "BIANCHI"}, {"nome", "LUCA"}, {"patente", "NO"}, {"ore_1g", "NO"}, {"ore_2s_fuori", "24"},
    {"spec_professionale", W("TECNICO DI CITTÀ")}, {"altro_1", "YAESU FT-817"}, {"gancio", "SI"}});
const std::string kRomaRossi = volunteer({{"provincia", "ROMA"}, {"associazione", "RADIO CLUB ROMA"},
    {"cognome", "ROSSI"}, {"nome", W("NICCOLÒ")}, {"segreteria", "SI"}, {"patente", "B"}, {"veicolare_27", "0"},
    {"autovettura", "SI"}, {"passaporto", "si"}});  // lower case: a violation, and no passport for the selection
const std::string kTorinoGialli = volunteer({{"provincia", "TORINO"}, {"associazione", "RADIO TORINO"},
    {"cognome", "GIALLI"}, {"nome", "ELSA"}, {"krt_mare", "SI"}, {"passaporto", "SI"},
    {"ore_1g", "  "}, {"disp_1g", " "}});  // no availability: a violation
// clang-format on

// An archive as a provincial keeper sends it: sorted by key, one empty line,
// and line ends of every kind the reading rules accept (CR LF, a lone CR, no
// end on the last line).
std::string archiveBytes() {
  return kMilanoNeri + "\r\n" + kMilanoVerdi + "\r" + "\r\n" + kRomaBianchi + "\r\n" + kRomaRossi + "\r\n" +
         kTorinoGialli;
}

// The added archive of a merge: ROMA anew, and a province of its own.
std::string addedBytes() {
  // clang-format off
  return crlf({volunteer({{"provincia", "NAPOLI"}, {"associazione", "RADIO NAPOLI"}, {"cognome", "ESPOSITO"},
                          {"nome", "GINO"}}), "",
               volunteer({{"provincia", "ROMA"}, {"associazione", "RADIO CLUB ROMA"}, {"cognome", "NUOVO"},
                          {"nome", "ALDO"}})});
  // clang-format on
}

// ---- the fixture: the program on the headless platform, and the tool ----------------------

class CliTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    // The tool reads the separators from its environment, which run() empties:
    // the program compares with the same "C" conventions.
    m->numberFormat = NumberFormat{};
    writeFile(path("archivio.txt"), archiveBytes());
    writeFile(path("aggiunto.txt"), addedBytes());
  }

  // Runs the tool in the test folder with no locale set (plus `env`);
  // standard output goes to `stdoutPath` when given.
  ToolRun run(const std::vector<std::string>& args, const std::map<std::string, std::string>& env = {},
              const std::string& stdoutPath = {}) {
    const auto quoted = shellQuoted;
    std::string command = "cd " + quoted(folder()) + " && env -u LC_ALL -u LC_NUMERIC -u LANG";
    for (const auto& [name, value] : env) command += " " + name + "=" + quoted(value);
    command += " " + quoted(kTool);
    for (const auto& word : args) command += " " + quoted(word);
    const std::string outPath = stdoutPath.empty() ? path("cli.out") : stdoutPath;
    command += " >" + quoted(outPath) + " 2>" + quoted(path("cli.err"));
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, stdoutPath.empty() ? readFile(outPath) : "",
            readFile(path("cli.err"))};
  }

  // Opens the archive in the program with "Apri".
  void openInProgram() {
    ui.chooseFile(path("archivio.txt"));
    main().click("mnapri");
  }
};

// ---- verifica and unisci: the files the program writes, byte for byte ------------------------

TEST_F(CliTest, VerificaAndUnisciWriteTheFilesOfTheProgram) {
  openInProgram();
  main().click("mnverifica");
  const std::string programReport = readFile(m->percorso_verifica());
  const std::string title = win("formv").control("List1").item(0);
  ui.chooseFile(path("aggiunto.txt"));
  main().click("mnaggiu");
  const std::string programWorkCopy = workCopy();
  ASSERT_NE(programReport, "");
  // The ROMA volunteers of the archive gave way to the added one.
  ASSERT_EQ(programWorkCopy.find(kRomaRossi), std::string::npos);
  ASSERT_NE(programWorkCopy.find("NUOVO"), std::string::npos);

  const ToolRun r = run({"verifica", "archivio.txt", "--report", "rapporto.txt"});
  EXPECT_EQ(r.all(), (std::tuple{1, title + "\n", ""}));
  EXPECT_EQ(title, "                     ELENCO ERRORI RISCONTRATI");
  EXPECT_EQ(readFile(path("rapporto.txt")), programReport);
  // Without --report the report is verifica.txt in the current folder
  // (the program's own, which the tool writes the same).
  fs::remove(path("verifica.txt"));
  EXPECT_EQ(run({"verifica", "archivio.txt"}).status, 1);
  EXPECT_EQ(readFile(path("verifica.txt")), programReport);

  const ToolRun u = run({"unisci", "archivio.txt", "aggiunto.txt", "--out", "unito.txt"});
  EXPECT_EQ(u.all(), (std::tuple{0, "", ""}));
  EXPECT_EQ(readFile(path("unito.txt")), programWorkCopy);
  // The inputs are only read.
  EXPECT_EQ(readFile(path("archivio.txt")), archiveBytes());
  EXPECT_EQ(readFile(path("aggiunto.txt")), addedBytes());

  // A clean archive: status 0, and an empty report replaces the old one.
  writeFile(path("pulito.txt"), crlf({kMilanoNeri}));
  EXPECT_EQ(run({"verifica", "--report", "rapporto.txt", "pulito.txt"}).all(),
            (std::tuple{0, "              NON CI SONO ERRORI RISCONTRATI\n", ""}));
  EXPECT_EQ(readFile(path("rapporto.txt")), "");
}

// ---- seleziona: the options reach the selection of the window -------------------------------

// The search itself is proven through the selection window; here each
// option must reach its criterion (padded, upper-cased, from UTF-8) and the
// keys come out one a line, in file order, with status 0, or the window's
// "nothing found" line with status 1.
TEST_F(CliTest, SelezionaListsTheKeysOfTheSelectedVolunteers) {
  const std::string N = kMilanoNeri.substr(0, 110), V = kMilanoVerdi.substr(0, 110), B = kRomaBianchi.substr(0, 110),
                    R = kRomaRossi.substr(0, 110), G = kTorinoGialli.substr(0, 110), empty(110, ' ');
  // clang-format off
  const struct { std::vector<std::string> options, found; } cases[] = {
      {{}, {N, V, empty, B, R, G}},
      {{"--patente", "b"}, {N, R}},
      {{"--livello", "or"}, {N, B, R, G}},
      {{"--passaporto"}, {G}},
      {{"--segreteria", "si"}, {R}},
      {{"--mare", "--segreteria", "NO"}, {}},
      {{"--provincia", "roma"}, {B, R}},
      {{"--provincia", "MILANO", "--associazione", "radio milano"}, {N, V}},
      {{"--dotazione", "auto", "--dotazione", "gancio", "--dotazione", "letti"}, {N, B, R}},
      {{"--dotazione", "v27", "--dotazione", "phf"}, {V, R}},
      {{"--apparecchiatura", "ft-8"}, {B}},
      {{"--apparecchiatura", ""}, {N, V, empty, B, R, G}},
      {{"--professione", "città"}, {B}},
      {{"--disponibilita", "1g", "--disponibilita", "3gf"}, {N, V, R}},
      {{"--patente", "B", "--dotazione", "letti", "--dotazione", "auto", "--provincia", "milano",
        "--disponibilita", "3gf"}, {N}},
      {{"--disponibilita", "3g", "--disponibilita", "1sf"}, {}},
      {{"--disponibilita", "2sf", "--mare"}, {}},
  };
  // clang-format on
  for (const auto& [options, found] : cases) {
    std::vector<std::string> args{"seleziona", "archivio.txt"};
    args.insert(args.end(), options.begin(), options.end());
    SCOPED_TRACE(::testing::PrintToString(options));
    std::string expected = found.empty() ? "Nessun volontario trovato\n" : "";
    for (const auto& key : found) expected += key + "\n";
    EXPECT_EQ(run(args).all(), (std::tuple{found.empty() ? 1 : 0, expected, ""}));
  }
}

TEST_F(CliTest, TheNumericTestFollowsTheLocaleOfTheEnvironment) {
  // "1,5" is a number where the comma is the decimal separator.
  writeFile(
      path("anno.txt"),
      crlf({volunteer(
          {{"provincia", "ROMA"}, {"associazione", "A"}, {"cognome", "B"}, {"nome", "C"}, {"anno_nascita", "1,5"}})}));
  EXPECT_EQ(run({"verifica", "anno.txt", "--report", "c.txt"}).status, 1);
  EXPECT_NE(readFile(path("c.txt")).find("Anno nascita errato"), std::string::npos);

  // The Italian locale, from the system or compiled for this test alone
  // (glibc's localedef into a private LOCPATH: no system change).
  std::map<std::string, std::string> italianEnv{{"LC_ALL", "it_IT.UTF-8"}};
  locale_t italian = ::newlocale(LC_NUMERIC_MASK, "it_IT.UTF-8", static_cast<locale_t>(nullptr));
  if (italian != static_cast<locale_t>(nullptr)) {
    ::freelocale(italian);
  } else {
    const std::string dir = path("locales");
    fs::create_directories(dir);
    const std::string cmd = "localedef -i it_IT -f UTF-8 '" + dir + "/it_IT.UTF-8' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0 && !fs::exists(dir + "/it_IT.UTF-8/LC_NUMERIC"))
      GTEST_SKIP() << "it_IT.UTF-8 is neither installed nor buildable with localedef";
    italianEnv["LOCPATH"] = dir;
  }
  EXPECT_EQ(run({"verifica", "anno.txt", "--report", "it.txt"}, italianEnv).status, 0);
  EXPECT_EQ(readFile(path("it.txt")), "");
  // LC_NUMERIC alone decides too, when LC_ALL is not set.
  italianEnv["LC_NUMERIC"] = italianEnv["LC_ALL"];
  italianEnv.erase("LC_ALL");
  EXPECT_EQ(run({"verifica", "anno.txt", "--report", "n.txt"}, italianEnv).status, 0);
}

// ---- help, version, usage errors and failures --------------------------------------------------

TEST_F(CliTest, HelpAndVersion) {
  const ToolRun help = run({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* command : {"verifica ARCHIVIO", "unisci ARCHIVIO AGGIUNTO --out FILE", "seleziona ARCHIVIO",
                              "--dotazione", "--disponibilita"})
    EXPECT_NE(help.out.find(command), std::string::npos) << command;
  EXPECT_EQ(run({"--version"}).all(), (std::tuple{0, "archivio-cli 1.0.0\n", ""}));
}

// Every usage error and every failure exits with 2, writes nothing on
// standard output and leaves every file as it was; a failure names its file
// in one line on standard error.
TEST_F(CliTest, ErrorsExitTwoAndLeaveEveryFileAsItWas) {
  writeFile(path("rapporto.txt"), "previous\r\n");
  writeFile(path("unito.txt"), "previous\r\n");
  fs::create_directory(path("cartella"));
  fs::create_directory(path("sub"));
  fs::create_symlink(path("archivio.txt"), path("collegamento.txt"));
  fs::create_hard_link(path("aggiunto.txt"), path("stesso.txt"));
  ASSERT_EQ(::mkfifo(path("tubo").c_str(), 0644), 0);
  const auto unisciTo = [](const std::string& out) {
    return std::vector<std::string>{"unisci", "archivio.txt", "aggiunto.txt", "--out", out};
  };
  const std::vector<std::pair<std::vector<std::string>, std::string>> errors{
      // clang-format off
      // Usage errors.
      {{}, ""}, {{"controlla", "archivio.txt"}, ""}, {{"verifica"}, ""},
      {{"verifica", "archivio.txt", "aggiunto.txt"}, ""}, {{"verifica", "archivio.txt", "--report"}, ""},
      {{"verifica", "archivio.txt", "--report", ""}, ""}, {{"verifica", "archivio.txt", "--out", "x.txt"}, ""},
      {{"unisci", "archivio.txt", "aggiunto.txt"}, ""}, {{"unisci", "archivio.txt", "--out", "x.txt"}, ""},
      {{"unisci", "archivio.txt", "aggiunto.txt", "--out"}, ""},
      {{"unisci", "archivio.txt", "aggiunto.txt", "terzo.txt", "--out", "x.txt"}, ""},
      {{"unisci", "archivio.txt", "aggiunto.txt", "--out", "x.txt", "--patente", "B"}, ""},
      {{"seleziona"}, ""}, {{"seleziona", "archivio.txt", "aggiunto.txt"}, ""},
      {{"seleziona", "archivio.txt", "--colore", "rosso"}, ""},
      {{"seleziona", "archivio.txt", "--dotazione", "elicottero"}, ""},
      {{"seleziona", "archivio.txt", "--dotazione", "V27"}, ""},
      {{"seleziona", "archivio.txt", "--disponibilita", "1m"}, ""},
      {{"seleziona", "archivio.txt", "--patente"}, ""}, {{"seleziona", "archivio.txt", "--provincia"}, ""},
      // An output that is one of the inputs, under any name.
      {unisciTo("archivio.txt"), ""}, {unisciTo("./sub/../archivio.txt"), ""}, {unisciTo(path("archivio.txt")), ""},
      {unisciTo("collegamento.txt"), ""}, {unisciTo("aggiunto.txt"), ""}, {unisciTo("stesso.txt"), ""},
      {{"verifica", "archivio.txt", "--report", "./archivio.txt"}, ""},
      // An output that is not a plain file: replacing it by renaming would
      // turn the pipe into a file.
      {unisciTo("tubo"), "tubo"}, {{"verifica", "archivio.txt", "--report", "tubo"}, "tubo"},
      // An input that cannot be read, or an output in a missing folder.
      {{"verifica", "manca.txt", "--report", "rapporto.txt"}, "manca.txt"},
      {{"verifica", "cartella", "--report", "rapporto.txt"}, "cartella"},
      {{"verifica", "manca.txt"}, "manca.txt"},
      {{"verifica", "archivio.txt", "--report", "manca/rapporto.txt"}, "manca/rapporto.txt"},
      {{"unisci", "manca.txt", "aggiunto.txt", "--out", "unito.txt"}, "manca.txt"},
      {{"unisci", "archivio.txt", "manca.txt", "--out", "unito.txt"}, "manca.txt"},
      {{"unisci", "archivio.txt", "manca.txt", "--out", "nuovo.txt"}, "manca.txt"},
      {unisciTo("cartella"), "cartella"}, {unisciTo("manca/unito.txt"), "manca/unito.txt"},
      {{"seleziona", "manca.txt", "--mare"}, "manca.txt"}, {{"seleziona", "cartella"}, "cartella"},
      // clang-format on
  };
  for (const auto& [args, name] : errors) {
    SCOPED_TRACE(::testing::PrintToString(args));
    const ToolRun r = run(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err, "");
    if (name.empty()) continue;
    EXPECT_NE(r.err.find(name), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  }
  // A full disk under standard output: the list would be cut short.
  const ToolRun full = run({"seleziona", "archivio.txt"}, {}, "/dev/full");
  EXPECT_EQ(full.status, 2);
  EXPECT_NE(full.err, "");

  EXPECT_EQ(readFile(path("archivio.txt")), archiveBytes());
  EXPECT_EQ(readFile(path("aggiunto.txt")), addedBytes());
  EXPECT_EQ(readFile(path("rapporto.txt")), "previous\r\n");
  EXPECT_EQ(readFile(path("unito.txt")), "previous\r\n");
  for (const char* absent : {"x.txt", "nuovo.txt", "verifica.txt", "manca"})
    EXPECT_FALSE(fs::exists(path(absent))) << absent;
  EXPECT_TRUE(fs::is_symlink(path("collegamento.txt")));
  EXPECT_TRUE(fs::is_fifo(path("tubo")));
  // No temporary file was left beside the targets either.
  for (const auto& entry : fs::directory_iterator(dir_))
    EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
}

}  // namespace
}  // namespace krt::test
