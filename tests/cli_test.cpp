// The batch tool archivio-cli, run as a separate program: each command must
// give byte for byte what the program's windows give for the same work copy,
// and every usage error and every failure must exit with status 2 without
// touching the files it was given.
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>

#include "select/form3.h"
#include "support.h"

namespace krt::test {
namespace {

namespace fs = std::filesystem;
using headless::HeadlessWindow;

const std::string kTool = KRT_BINARY_DIR "/archivio-cli";

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

// ---- the volunteers -------------------------------------------------------------------

std::string volunteer(std::initializer_list<std::pair<const char*, std::string>> fields) {
  VolunteerRecord r;
  r.clear();
  // A volunteer the verification accepts; the fields given override it.
  for (const auto& [name, value] :
       std::initializer_list<std::pair<const char*, std::string>>{{"via", "VIA ROMA 1"},
                                                                  {"cap", "00100"},
                                                                  {"citta", "ROMA"},
                                                                  {"prov_residenza", "RM"},
                                                                  {"anno_nascita", "1970"},
                                                                  {"qualifica", "O"},
                                                                  {"livello", "OR"},
                                                                  {"recapito", "06 1234567"},
                                                                  {"ore_1g", "2"},
                                                                  {"disp_1g", "P"}})
    setField(r, *findField(name), value);
  for (const auto& [name, value] : fields) setField(r, *findField(name), value);
  return r.toLine();
}

const std::string kMilanoNeri = volunteer({{"provincia", "MILANO"},
                                           {"associazione", "RADIO MILANO"},
                                           {"cognome", "NERI"},
                                           {"nome", "PAOLO"},
                                           {"posti_letto", "4"},
                                           {"patente", "B"},
                                           {"ore_1g", "NO"},
                                           {"ore_3g_fuori", "12"}});
const std::string kMilanoVerdi = volunteer({{"provincia", "MILANO"},
                                            {"associazione", "RADIO MILANO"},
                                            {"cognome", "VERDI"},
                                            {"nome", "ANNA"},
                                            {"livello", "COM"},
                                            {"krt_mare", "SI"},
                                            {"patente", "A"},
                                            {"palmare_vhf", "2"},
                                            {"attrezzature", "GENERATORE"},
                                            {"cap", "2O100"}});  // a letter O: a violation
const std::string kRomaBianchi = volunteer({{"provincia", "ROMA"},
                                            {"associazione", "CB ROMA NORD"},
                                            {"cognome", "BIANCHI"},
                                            {"nome", "LUCA"},
                                            {"patente", "NO"},
                                            {"ore_1g", "NO"},
                                            {"ore_2s_fuori", "24"},
                                            {"spec_professionale", W("TECNICO DI CITTÀ")},
                                            {"altro_1", "YAESU FT-817"},
                                            {"gancio", "SI"}});
const std::string kRomaRossi = volunteer({{"provincia", "ROMA"},
                                          {"associazione", "RADIO CLUB ROMA"},
                                          {"cognome", "ROSSI"},
                                          {"nome", W("NICCOLÒ")},
                                          {"segreteria", "SI"},
                                          {"patente", "B"},
                                          {"passaporto", "SI"},
                                          {"veicolare_27", "0"},
                                          {"autovettura", "SI"},
                                          {"passaporto", "si"}});  // lower case: a violation
const std::string kTorinoGialli = volunteer({{"provincia", "TORINO"},
                                             {"associazione", "RADIO TORINO"},
                                             {"cognome", "GIALLI"},
                                             {"nome", "ELSA"},
                                             {"krt_mare", "SI"},
                                             {"passaporto", "SI"},
                                             {"ore_1g", "  "},
                                             {"disp_1g", " "}});  // no availability: a violation

// An archive as a provincial keeper sends it: sorted by key, one empty line,
// and line ends of every kind the reading rules accept (CR LF, a lone CR, no
// end on the last line).
std::string archiveBytes() {
  return kMilanoNeri + "\r\n" + kMilanoVerdi + "\r" + "\r\n" + kRomaBianchi + "\r\n" + kRomaRossi + "\r\n" +
         kTorinoGialli;
}

// The added archive of a merge: ROMA anew, and a province of its own.
std::string addedBytes() {
  const std::string nuovo =
      volunteer({{"provincia", "ROMA"}, {"associazione", "RADIO CLUB ROMA"}, {"cognome", "NUOVO"}, {"nome", "ALDO"}});
  const std::string napoli =
      volunteer({{"provincia", "NAPOLI"}, {"associazione", "RADIO NAPOLI"}, {"cognome", "ESPOSITO"}, {"nome", "GINO"}});
  return crlf({napoli, "", nuovo});
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
    const std::string outPath = stdoutPath.empty() ? path("cli.out") : stdoutPath;
    const std::string errPath = path("cli.err");
    const pid_t pid = ::fork();
    if (pid == 0) {
      if (::chdir(folder().c_str()) != 0) ::_exit(127);
      const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (out < 0 || err < 0) ::_exit(127);
      ::dup2(out, 1);
      ::dup2(err, 2);
      for (const char* name : {"LC_ALL", "LC_NUMERIC", "LANG"}) ::unsetenv(name);
      for (const auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
      std::vector<char*> argv{const_cast<char*>(kTool.c_str())};
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      ::execv(kTool.c_str(), argv.data());
      ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ToolRun r;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = stdoutPath.empty() ? readFile(outPath) : std::string();
    r.err = readFile(errPath);
    return r;
  }

  // Opens the archive in the program with "Apri".
  void openInProgram() {
    ui.chooseFile(path("archivio.txt"));
    main().click("mnapri");
  }

  // A failed run: status 2, one line on standard error naming `name`,
  // nothing on standard output.
  static void expectFailure(const ToolRun& r, const std::string& name) {
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(name), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  }
};

// ---- one engine, two front ends -------------------------------------------------------------

TEST_F(CliTest, VerificaWritesTheReportOfTheVerificaCommand) {
  openInProgram();
  main().click("mnverifica");
  const std::string programReport = readFile(m->percorso_verifica());
  const std::string title = win("formv").control("List1").item(0);
  ASSERT_NE(programReport, "");

  const ToolRun r = run({"verifica", "archivio.txt", "--report", "rapporto.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, title + "\n");
  EXPECT_EQ(r.out, "                     ELENCO ERRORI RISCONTRATI\n");
  EXPECT_EQ(readFile(path("rapporto.txt")), programReport);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(readFile(path("archivio.txt")), archiveBytes());

  // Without --report the report is verifica.txt in the current folder
  // (the program's own, which the tool writes the same).
  fs::remove(path("verifica.txt"));
  EXPECT_EQ(run({"verifica", "archivio.txt"}).status, 1);
  EXPECT_EQ(readFile(path("verifica.txt")), programReport);
}

TEST_F(CliTest, VerificaOfACleanArchiveExitsZeroWithAnEmptyReport) {
  writeFile(path("pulito.txt"), crlf({kMilanoNeri}));
  writeFile(path("rapporto.txt"), "old report\r\n");
  const ToolRun r = run({"verifica", "--report", "rapporto.txt", "pulito.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "              NON CI SONO ERRORI RISCONTRATI\n");
  EXPECT_EQ(readFile(path("rapporto.txt")), "");
}

TEST_F(CliTest, UnisciWritesTheWorkCopyOfAggiungereUnArchivio) {
  openInProgram();
  ui.chooseFile(path("aggiunto.txt"));
  main().click("mnaggiu");
  const std::string programWorkCopy = workCopy();

  const ToolRun r = run({"unisci", "archivio.txt", "aggiunto.txt", "--out", "unito.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(readFile(path("unito.txt")), programWorkCopy);
  // The two inputs are only read.
  EXPECT_EQ(readFile(path("archivio.txt")), archiveBytes());
  EXPECT_EQ(readFile(path("aggiunto.txt")), addedBytes());
  // The ROMA volunteers of the archive gave way to the added one.
  EXPECT_EQ(programWorkCopy.find(kRomaRossi), std::string::npos);
  EXPECT_NE(programWorkCopy.find("NUOVO"), std::string::npos);
}

// One selection, as options of the tool and as what the user does in the
// selection window.
struct Selection {
  const char* what;
  std::vector<std::string> options;
  std::function<void(HeadlessWindow&)> choose;
};

TEST_F(CliTest, SelezionaListsWhatCercaLists) {
  const auto pickItem = [](HeadlessWindow& w, const char* combo, const std::string& item) {
    const auto& items = w.control(combo).items();
    const auto it = std::find(items.begin(), items.end(), item);
    ASSERT_NE(it, items.end()) << item;
    w.pick(combo, static_cast<int>(it - items.begin()));
  };
  const std::vector<Selection> selections{
      {"nothing chosen", {}, [](HeadlessWindow&) {}},
      {"licence B", {"--patente", "b"}, [&](HeadlessWindow& w) { pickItem(w, "Combo4", "B "); }},
      {"level and passport",
       {"--livello", "or", "--passaporto"},
       [&](HeadlessWindow& w) {
         pickItem(w, "cbliv", "OR ");
         w.click("Lpass");
       }},
      {"KRT mare, secretarial NO",
       {"--mare", "--segreteria", "NO"},
       [&](HeadlessWindow& w) {
         w.click("lmare");
         pickItem(w, "cbseg", "NO");
       }},
      {"province typed in lower case",
       {"--provincia", "roma"},
       [&](HeadlessWindow& w) { pickItem(w, "cbprov", fixedWidth("ROMA", 20) + "RM  "); }},
      {"province and association",
       {"--provincia", "MILANO", "--associazione", "radio milano"},
       [&](HeadlessWindow& w) {
         w.type("cbprov", fixedWidth("MILANO", 20));
         w.type("cbass", fixedWidth("RADIO MILANO", 40));
       }},
      {"car or tow hook or beds",
       {"--dotazione", "auto", "--dotazione", "gancio", "--dotazione", "letti"},
       [](HeadlessWindow& w) {
         w.click("Lauto");
         w.click("Lgancio");
         w.click("Lletti");
       }},
      {"radios",
       {"--dotazione", "v27", "--dotazione", "phf"},
       [](HeadlessWindow& w) {
         w.click("Lv27");
         w.click("Lphf");
       }},
      {"other equipment", {"--apparecchiatura", "ft-8"}, [](HeadlessWindow& w) { w.type("Tapp", "ft-8"); }},
      {"empty equipment filter",
       {"--apparecchiatura", ""},
       [](HeadlessWindow& w) {
         w.type("Tapp", "x");
         w.type("Tapp", "");
       }},
      {"experience with an accented letter (UTF-8)",
       {"--professione", "città"},
       [](HeadlessWindow& w) { w.type("Tprof", W("città")); }},
      {"availability",
       {"--disponibilita", "1g", "--disponibilita", "3gf"},
       [](HeadlessWindow& w) {
         w.click("L1pp");
         w.click("L3fp");
       }},
      {"five criteria",
       {"--patente", "B", "--dotazione", "letti", "--dotazione", "auto", "--provincia", "milano", "--disponibilita",
        "3gf"},
       [&](HeadlessWindow& w) {
         pickItem(w, "Combo4", "B ");
         w.click("Lletti");
         w.click("Lauto");
         pickItem(w, "cbprov", fixedWidth("MILANO", 20) + "MI  ");
         w.click("L3fp");
       }},
      {"nobody",
       {"--disponibilita", "2sf", "--mare"},
       [](HeadlessWindow& w) {
         w.click("L2sfp");
         w.click("lmare");
       }},
  };
  openInProgram();
  main().click("mnsel");
  HeadlessWindow& sel = win("Form3");
  for (const Selection& s : selections) {
    sel.click("cmbsel");
    s.choose(sel);
    sel.click("cmdcerca");
    std::string expected;
    for (const auto& item : sel.control("List1").items()) expected += item + "\n";

    std::vector<std::string> args{"seleziona", "archivio.txt"};
    args.insert(args.end(), s.options.begin(), s.options.end());
    const ToolRun r = run(args);
    EXPECT_EQ(r.out, expected) << s.what;
    EXPECT_EQ(r.status, expected == "Nessun volontario trovato\n" ? 1 : 0) << s.what;
    EXPECT_EQ(r.err, "") << s.what;
  }
  // The cases above do tell the volunteers apart.
  EXPECT_EQ(run({"seleziona", "archivio.txt", "--professione", "città"}).out, kRomaBianchi.substr(0, 110) + "\n");
  EXPECT_EQ(run({"seleziona", "archivio.txt", "--disponibilita", "2sf", "--mare"}).status, 1);
}

TEST_F(CliTest, TheNumericTestFollowsTheLocaleOfTheEnvironment) {
  // "1,5" is a number where the comma is the decimal separator.
  writeFile(
      path("anno.txt"),
      crlf({volunteer(
          {{"provincia", "ROMA"}, {"associazione", "A"}, {"cognome", "B"}, {"nome", "C"}, {"anno_nascita", "1,5"}})}));
  const ToolRun c = run({"verifica", "anno.txt", "--report", "c.txt"});
  EXPECT_EQ(c.status, 1);
  EXPECT_NE(readFile(path("c.txt")).find("Anno nascita errato"), std::string::npos);

  // The Italian locale, from the system or compiled for this test alone
  // (glibc's localedef into a private LOCPATH: no system change).
  std::map<std::string, std::string> italianEnv{{"LC_ALL", "it_IT.UTF-8"}};
  locale_t italian = ::newlocale(LC_NUMERIC_MASK, "it_IT.UTF-8", static_cast<locale_t>(nullptr));
  if (italian != static_cast<locale_t>(nullptr)) {
    ::freelocale(italian);
  } else {
    const std::string dir = path("locales");
    std::filesystem::create_directories(dir);
    const std::string cmd = "localedef -i it_IT -f UTF-8 '" + dir + "/it_IT.UTF-8' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0 && !std::filesystem::exists(dir + "/it_IT.UTF-8/LC_NUMERIC"))
      GTEST_SKIP() << "it_IT.UTF-8 is neither installed nor buildable with localedef";
    italianEnv["LOCPATH"] = dir;
  }
  const ToolRun it = run({"verifica", "anno.txt", "--report", "it.txt"}, italianEnv);
  EXPECT_EQ(it.status, 0);
  EXPECT_EQ(readFile(path("it.txt")), "");
  // LC_NUMERIC alone decides too, when LC_ALL is not set.
  auto numericOnly = italianEnv;
  numericOnly.erase("LC_ALL");
  numericOnly["LC_NUMERIC"] = "it_IT.UTF-8";
  EXPECT_EQ(run({"verifica", "anno.txt", "--report", "n.txt"}, numericOnly).status, 0);
}

// ---- help, version, usage errors ---------------------------------------------------------------

TEST_F(CliTest, HelpAndVersion) {
  const ToolRun help = run({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* command : {"verifica ARCHIVIO", "unisci ARCHIVIO AGGIUNTO --out FILE", "seleziona ARCHIVIO",
                              "--dotazione", "--disponibilita"})
    EXPECT_NE(help.out.find(command), std::string::npos) << command;
  const ToolRun version = run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "archivio-cli 1.0.0\n");
}

TEST_F(CliTest, EveryUsageErrorExitsTwoWithAMessage) {
  const std::vector<std::vector<std::string>> errors{
      {},
      {"controlla", "archivio.txt"},
      {"verifica"},
      {"verifica", "archivio.txt", "aggiunto.txt"},
      {"verifica", "archivio.txt", "--report"},
      {"verifica", "archivio.txt", "--out", "x.txt"},
      {"unisci", "archivio.txt", "aggiunto.txt"},
      {"unisci", "archivio.txt", "--out", "x.txt"},
      {"unisci", "archivio.txt", "aggiunto.txt", "--out"},
      {"unisci", "archivio.txt", "aggiunto.txt", "terzo.txt", "--out", "x.txt"},
      {"unisci", "archivio.txt", "aggiunto.txt", "--out", "x.txt", "--patente", "B"},
      {"seleziona"},
      {"seleziona", "archivio.txt", "aggiunto.txt"},
      {"seleziona", "archivio.txt", "--colore", "rosso"},
      {"seleziona", "archivio.txt", "--dotazione", "elicottero"},
      {"seleziona", "archivio.txt", "--dotazione", "V27"},
      {"seleziona", "archivio.txt", "--disponibilita", "1m"},
      {"seleziona", "archivio.txt", "--patente"},
      {"seleziona", "archivio.txt", "--provincia"},
  };
  for (const auto& args : errors) {
    std::string what;
    for (const auto& a : args) what += a + " ";
    const ToolRun r = run(args);
    EXPECT_EQ(r.status, 2) << what;
    EXPECT_EQ(r.out, "") << what;
    EXPECT_NE(r.err, "") << what;
  }
  EXPECT_FALSE(fs::exists(path("x.txt")));
  EXPECT_FALSE(fs::exists(path("verifica.txt")));
}

// ---- failures -------------------------------------------------------------------------------------

TEST_F(CliTest, AMissingOrUnreadableInputIsNamedAndNothingIsWritten) {
  writeFile(path("rapporto.txt"), "previous\r\n");
  writeFile(path("unito.txt"), "previous\r\n");
  fs::create_directory(path("cartella"));

  expectFailure(run({"verifica", "manca.txt", "--report", "rapporto.txt"}), "manca.txt");
  expectFailure(run({"verifica", "cartella", "--report", "rapporto.txt"}), "cartella");
  expectFailure(run({"verifica", "manca.txt"}), "manca.txt");
  EXPECT_FALSE(fs::exists(path("verifica.txt")));
  expectFailure(run({"unisci", "manca.txt", "aggiunto.txt", "--out", "unito.txt"}), "manca.txt");
  expectFailure(run({"unisci", "archivio.txt", "manca.txt", "--out", "unito.txt"}), "manca.txt");
  expectFailure(run({"unisci", "archivio.txt", "aggiunto.txt", "--out", "cartella"}), "cartella");
  expectFailure(run({"unisci", "archivio.txt", "manca.txt", "--out", "nuovo.txt"}), "manca.txt");
  expectFailure(run({"seleziona", "manca.txt", "--mare"}), "manca.txt");
  expectFailure(run({"seleziona", "cartella"}), "cartella");

  EXPECT_EQ(readFile(path("rapporto.txt")), "previous\r\n");
  EXPECT_EQ(readFile(path("unito.txt")), "previous\r\n");
  EXPECT_FALSE(fs::exists(path("nuovo.txt")));
  // No temporary file was left beside the targets either.
  for (const auto& entry : fs::directory_iterator(dir_))
    EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
}

TEST_F(CliTest, TheOutputMayNotBeOneOfTheInputs) {
  fs::create_directory(path("sub"));
  fs::create_symlink(path("archivio.txt"), path("collegamento.txt"));
  fs::create_hard_link(path("aggiunto.txt"), path("stesso.txt"));
  for (const std::string& out :
       {std::string("archivio.txt"), std::string("./sub/../archivio.txt"), path("archivio.txt"),
        std::string("collegamento.txt"), std::string("aggiunto.txt"), std::string("stesso.txt")}) {
    const ToolRun r = run({"unisci", "archivio.txt", "aggiunto.txt", "--out", out});
    EXPECT_EQ(r.status, 2) << out;
    EXPECT_NE(r.err, "") << out;
  }
  const ToolRun v = run({"verifica", "archivio.txt", "--report", "./archivio.txt"});
  EXPECT_EQ(v.status, 2);
  EXPECT_EQ(v.out, "");
  EXPECT_EQ(readFile(path("archivio.txt")), archiveBytes());
  EXPECT_EQ(readFile(path("aggiunto.txt")), addedBytes());
  EXPECT_TRUE(fs::is_symlink(path("collegamento.txt")));
}

TEST_F(CliTest, AnOutputThatIsNotAPlainFileIsLeftAlone) {
  // Replacing it by renaming would turn the pipe into a plain file.
  ASSERT_EQ(::mkfifo(path("tubo").c_str(), 0644), 0);
  EXPECT_EQ(run({"unisci", "archivio.txt", "aggiunto.txt", "--out", "tubo"}).status, 2);
  EXPECT_EQ(run({"verifica", "archivio.txt", "--report", "tubo"}).status, 2);
  EXPECT_TRUE(fs::is_fifo(path("tubo")));
}

TEST_F(CliTest, AMissingOutputFolderCreatesNothing) {
  expectFailure(run({"unisci", "archivio.txt", "aggiunto.txt", "--out", "manca/unito.txt"}), "manca/unito.txt");
  expectFailure(run({"verifica", "archivio.txt", "--report", "manca/rapporto.txt"}), "manca/rapporto.txt");
  EXPECT_FALSE(fs::exists(path("manca")));
}

TEST_F(CliTest, AResultThatCannotBeWrittenIsAFailure) {
  // A full disk under standard output: the list would be cut short.
  const ToolRun r = run({"seleziona", "archivio.txt"}, {}, "/dev/full");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err, "");
}

}  // namespace
}  // namespace krt::test
