// archivio-cli run as a program: verifica, unisci and seleziona give byte for
// byte what the windows give; esporta and riepilogo write their tables (CSV
// bytes exact, workbooks read back by another reader); errors exit 2
// touching no file.
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <tuple>

#include "records/codes.h"
#include "support.h"
#include "xlsx_dump.h"

namespace krt::test {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

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
// An archive as a provincial keeper sends it: sorted by key, one empty line,
// and the line ends the reading accepts (CR LF, a lone CR, none at the end).
const std::string kArchive = kMilanoNeri + "\r\n" + kMilanoVerdi + "\r" + "\r\n" + kRomaBianchi + "\r\n" +
    kRomaRossi + "\r\n" + kTorinoGialli;
// The added archive of a merge: ROMA anew, and a province of its own.
const std::string kAdded = crlf({volunteer({{"provincia", "NAPOLI"}, {"associazione", "RADIO NAPOLI"},
    {"cognome", "ESPOSITO"}, {"nome", "GINO"}}), "", volunteer({{"provincia", "ROMA"},
    {"associazione", "RADIO CLUB ROMA"}, {"cognome", "NUOVO"}, {"nome", "ALDO"}})});
// clang-format on

class CliTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    // run() empties the locale: the program compares with the same "C" conventions.
    m->numberFormat = NumberFormat{};
    writeFile(path("archivio.txt"), kArchive);
    writeFile(path("aggiunto.txt"), kAdded);
  }

  // The tool run in the test folder with no locale set (plus `env`): status,
  // standard output (sent to `stdoutPath` when given) and standard error.
  std::tuple<int, std::string, std::string> run(const Names& args, const std::map<std::string, std::string>& env = {},
                                                const std::string& stdoutPath = {}) {
    std::string command = "cd " + shellQuoted(folder()) + " && env -u LC_ALL -u LC_NUMERIC -u LANG";
    for (const auto& [name, value] : env) command += " " + name + "=" + shellQuoted(value);
    command += " " + shellQuoted(KRT_BINARY_DIR "/archivio-cli");
    for (const auto& word : args) command += " " + shellQuoted(word);
    const std::string outPath = stdoutPath.empty() ? path("cli.out") : stdoutPath;
    command += " >" + shellQuoted(outPath) + " 2>" + shellQuoted(path("cli.err"));
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, stdoutPath.empty() ? readFile(outPath) : "",
            readFile(path("cli.err"))};
  }
};

TEST_F(CliTest, VerificaUnisciAndSelezionaGiveWhatTheWindowsGive) {
  openArchive(kArchive);
  main().click("mnverifica");
  const std::string programReport = readFile(m->percorso_verifica());
  const std::string title = win("formv").control("List1").item(0);
  // The selection window on the same work copy, with no criterion and then a licence.
  main().click("mnsel");
  std::string programAll, programLicence;
  for (std::string* list : {&programAll, &programLicence}) {
    win("Form3").click("cmdcerca");
    for (const auto& key : items("Form3", "List1")) *list += key + "\n";
    win("Form3").type("Combo4", "b ");
  }
  ui.chooseFile(path("aggiunto.txt"));
  main().click("mnaggiu");
  const std::string programWorkCopy = workCopy();
  ASSERT_NE(programReport, "");
  ASSERT_NE(programWorkCopy.find("NUOVO"), std::string::npos);

  EXPECT_EQ(run({"verifica", "archivio.txt", "--report", "rapporto.txt"}), (std::tuple{1, title + "\n", ""}));
  fs::remove(path("verifica.txt"));  // without --report: verifica.txt in the current folder
  EXPECT_EQ(std::get<0>(run({"verifica", "archivio.txt"})), 1);
  EXPECT_EQ(std::pair(readFile(path("rapporto.txt")), readFile(path("verifica.txt"))),
            std::pair(programReport, programReport));

  EXPECT_EQ(run({"unisci", "archivio.txt", "aggiunto.txt", "--out", "unito.txt"}),
            (std::tuple{0, "", ui.messages.back().text + "\n"}));
  EXPECT_EQ(readFile(path("unito.txt")), programWorkCopy);
  EXPECT_EQ(run({"seleziona", "archivio.txt"}), (std::tuple{0, programAll, ""}));
  EXPECT_EQ(run({"seleziona", "archivio.txt", "--patente", "b"}), (std::tuple{0, programLicence, ""}));
  EXPECT_EQ(std::pair(readFile(path("archivio.txt")), readFile(path("aggiunto.txt"))), std::pair(kArchive, kAdded));
}

// Each option of seleziona reaches its criterion (padded, upper-cased, from
// UTF-8); the keys come out one a line in file order with status 0, or the
// window's "nothing found" line with status 1.
TEST_F(CliTest, SelezionaHandsEachOptionToTheSelection) {
  const std::string N = kMilanoNeri.substr(0, 110), V = kMilanoVerdi.substr(0, 110), B = kRomaBianchi.substr(0, 110),
                    R = kRomaRossi.substr(0, 110), G = kTorinoGialli.substr(0, 110);
  // clang-format off
  const std::pair<Names, Names> cases[] = {
      {{"--livello", "or"}, {N, B, R, G}}, {{"--passaporto"}, {G}},
      {{"--provincia", "MILANO", "--associazione", "radio milano"}, {N, V}},
      {{"--dotazione", "auto", "--dotazione", "gancio", "--dotazione", "phf"}, {V, B, R}},
      {{"--professione", "città"}, {B}}, {{"--disponibilita", "1g", "--disponibilita", "3gf"}, {N, V, R}},
      {{"--patente", "B", "--dotazione", "letti", "--dotazione", "auto", "--provincia", "milano",
        "--disponibilita", "3gf"}, {N}},
      {{"--disponibilita", "3g", "--disponibilita", "1sf"}, {}}};
  // clang-format on
  for (const auto& [options, found] : cases) {
    Names args{"seleziona", "archivio.txt"};
    args.insert(args.end(), options.begin(), options.end());
    SCOPED_TRACE(::testing::PrintToString(options));
    std::string expected = found.empty() ? "Nessun volontario trovato\n" : "";
    for (const auto& key : found) expected += key + "\n";
    EXPECT_EQ(run(args), (std::tuple{found.empty() ? 1 : 0, expected, ""}));
  }
}

constexpr const char* kHeadings =
    "provincia;associazione;cognome;nome;via;cap;citta;prov_residenza;tessera_krt;anno_krt;tessera_tov;anno_tov;"
    "anno_nascita;qualifica;livello;segreteria;krt_mare;recapito;spec_associazione;spec_professionale;patente;"
    "patente_rilasciata_da;patente_data;patente_scadenza;passaporto;passaporto_rilasciato_da;passaporto_data;"
    "passaporto_scadenza;ditta;ditta_via;ditta_cap;ditta_citta;ditta_provincia;ditta_recapito;disp_1g;ore_1g;disp_3g;"
    "ore_3g;disp_3g_fuori;ore_3g_fuori;disp_1s_fuori;ore_1s_fuori;ore_2s_fuori;veicolare_27;palmare_27;veicolare_43;"
    "palmare_43;veicolare_vhf;palmare_vhf;altro_1;altro_2;attrezzature;packet;packet_incluso;stazione_campale;"
    "giorni_corso;autovettura;targa;gancio;posti_letto;targa_camper;note_provinciale;note_nazionale";

// 63 cells, these ones set (by field number, from 0) and the others `empty`,
// joined as `sep` joins them.
std::string cells(std::map<int, std::string> set, char sep, const std::string& empty = "") {
  std::string out;
  for (int i = 0; i < 63; ++i) out += (i ? std::string(1, sep) : "") + (set.contains(i) ? set[i] : empty);
  return out;
}

// esporta: the header, then the found volunteers in file order, lines of
// blanks left out; values cut of their trailing blanks, in UTF-8, guarded
// against formulas and quoted in the CSV; text cells in the workbook.
TEST_F(CliTest, EsportaWritesTheFoundVolunteersAsCsvAndAsAWorkbookOfTextCells) {
  // clang-format off
  const std::string roma = line({{"provincia", "ROMA"}, {"associazione", "RADIO; CLUB"}, {"cognome", "D\"ANGELO"},
      {"nome", W("NICCOLÒ")}, {"via", "  VIA ROMA 1"}, {"cap", "00184"}, {"recapito", "+39 06 123"}, {"patente", "B"},
      {"altro_1", "@radio"}, {"attrezzature", "A\nB"}, {"note_provinciale", "=1+1"}, {"note_nazionale", "-5;x"}});
  // clang-format on
  const std::string milano = line({{"provincia", "MILANO"}, {"cognome", "VERDI"}, {"patente", "NO"}});
  writeFile(path("e.txt"), crlf({roma, "", std::string(809, ' '), milano}));
  const std::string romaCsv = cells({{0, "ROMA"}, {1, "\"RADIO; CLUB\""}, {2, "\"D\"\"ANGELO\""}, {3, "NICCOLÒ"},
                                     {4, "  VIA ROMA 1"}, {5, "00184"}, {17, "'+39 06 123"}, {20, "B"}, {49, "'@radio"},
                                     {51, "\"A\nB\""}, {61, "'=1+1"}, {62, "\"'-5;x\""}},
                                    ';');
  const std::string milanoCsv = cells({{0, "MILANO"}, {2, "VERDI"}, {20, "NO"}}, ';');
  const std::string bom = "\xEF\xBB\xBF", head = bom + kHeadings + "\r\n";

  EXPECT_EQ(run({"esporta", "e.txt", "--out", "tutti.CSV"}), (std::tuple{0, "", ""}));
  EXPECT_EQ(readFile(path("tutti.CSV")), head + romaCsv + "\r\n" + milanoCsv + "\r\n");
  EXPECT_EQ(run({"esporta", "e.txt", "--patente", "no", "--out", "no.csv"}), (std::tuple{0, "", ""}));
  EXPECT_EQ(readFile(path("no.csv")), head + milanoCsv + "\r\n");
  EXPECT_EQ(run({"esporta", "e.txt", "--patente", "C", "--out", "nessuno.csv"}), (std::tuple{1, "", ""}));
  EXPECT_EQ(readFile(path("nessuno.csv")), head);

  EXPECT_EQ(run({"esporta", "e.txt", "--out", "tutti.xlsx"}), (std::tuple{0, "", ""}));
  std::string headRow = std::string("s:") + kHeadings;
  for (std::size_t at = 0; (at = headRow.find(';', at)) != std::string::npos;) headRow.replace(at, 1, "|s:");
  const std::string romaRow = cells({{0, "s:ROMA"}, {1, "s:RADIO; CLUB"}, {2, "s:D\"ANGELO"}, {3, "s:NICCOLÒ"},
                                     {4, "s:  VIA ROMA 1"}, {5, "s:00184"}, {17, "s:+39 06 123"}, {20, "s:B"},
                                     {49, "s:@radio"}, {51, "s:A\\nB"}, {61, "s:=1+1"}, {62, "s:-5;x"}},
                                    '|', "-");
  const std::string milanoRow = cells({{0, "s:MILANO"}, {2, "s:VERDI"}, {20, "s:NO"}}, '|', "-");
  EXPECT_EQ(xlsxDump(path("tutti.xlsx")),
            "1 Volontari A2 A1:BK3 True\n"
            "21 40 26 26 40 6 40 15 12 9 12 9 13 10 8 11 9 36 31 31 8 31 13 17 11 31 16 20 40 40 10 40 16 36 8 7 8 7 14 "
            "13 14 13 13 13 11 13 11 14 12 15 15 40 7 15 17 13 12 9 7 12 13 40 40\n" +
                headRow + "\n" + romaRow + "\n" + milanoRow + "\n");
  EXPECT_EQ(readFile(path("e.txt")), crlf({roma, "", std::string(809, ' '), milano}));
}

// riepilogo: one row per province in ordinal order of the stored field, then
// TOTALE; counts by the rules of each column, on standard output for
// scripts, or in a CSV file or a workbook of number cells.
TEST_F(CliTest, RiepilogoCountsEachProvinceInOrdinalOrderThenTheTotal) {
  // clang-format off
  writeFile(path("r.txt"), crlf({
      line({{"provincia", "ROMA"}, {"qualifica", "C"}, {"posti_letto", " 3"}, {"veicolare_vhf", "1O"},
            {"palmare_27", "12"}, {"packet", "SI"}, {"stazione_campale", "SI"}, {"ore_1s_fuori", "0"}, {"ore_1g", "NO"}}),
      line({{"provincia", "aosta"}, {"qualifica", "O"}, {"ore_1g", "2"}, {"ore_3g", "4"}, {"autovettura", "SI"},
            {"gancio", "si"}, {"posti_letto", "2 "}}),
      line({{"provincia", "ROMA"}, {"qualifica", "O"}, {"veicolare_27", "2"}, {"palmare_43", "1"},
            {"veicolare_43", "3"}, {"palmare_vhf", "5"}, {"ore_3g_fuori", "12"}}),
      line({{"provincia", W("FORLÌ")}, {"qualifica", "C"}}), "   "}));
  // clang-format on
  const std::string columns =
      "provincia;volontari;operatori;collaboratori;pronti_1g;pronti_3g;pronti_3g_fuori;pronti_1s_fuori;"
      "pronti_2s_fuori;autovetture;ganci;posti_letto;veicolari_27;palmari_27;veicolari_43;palmari_43;veicolari_vhf;"
      "palmari_vhf;packet;stazioni_campali";
  const std::string forli = "FORLÌ;1;0;1;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0";
  const std::string roma = "ROMA;2;1;1;0;0;1;1;0;0;0;3;2;12;3;1;0;5;1;1";
  const std::string aosta = "aosta;1;1;0;1;1;0;0;0;1;0;2;0;0;0;0;0;0;0;0";
  const std::string total = "TOTALE;4;2;2;1;1;1;1;0;1;0;5;2;12;3;1;0;5;1;1";
  EXPECT_EQ(run({"riepilogo", "r.txt"}),
            (std::tuple{0, columns + "\n" + forli + "\n" + roma + "\n" + aosta + "\n" + total + "\n", ""}));
  EXPECT_EQ(run({"riepilogo", "r.txt", "--provincia", "roma"}),
            (std::tuple{0, columns + "\n" + roma + "\n" + "TOTALE" + roma.substr(4) + "\n", ""}));
  EXPECT_EQ(run({"riepilogo", "r.txt", "--mare"}),
            (std::tuple{1, columns + "\nTOTALE;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0\n", ""}));
  EXPECT_EQ(run({"riepilogo", "r.txt", "--provincia", "aosta", "--out", "r.csv"}), (std::tuple{1, "", ""}));
  EXPECT_EQ(readFile(path("r.csv")), "\xEF\xBB\xBF" + columns + "\r\n" + "TOTALE;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0\r\n");
  EXPECT_EQ(run({"riepilogo", "r.txt", "--dotazione", "packet", "--out", "r.xlsx"}), (std::tuple{0, "", ""}));
  std::string numbers = "s:ROMA";
  for (const char* n : {"1", "0", "1", "0", "0", "0", "1", "0", "0", "0", "3", "0", "12", "0", "0", "0", "0", "1", "1"})
    numbers += std::string("|n:") + n;
  const std::string dump = xlsxDump(path("r.xlsx"));
  EXPECT_EQ(dump.substr(0, dump.find('\n') + 1), "1 Riepilogo A2 A1:T3 True\n");
  EXPECT_NE(dump.find("\n" + numbers + "\ns:TOTALE|n:1|n:0|n:1|"), std::string::npos) << dump;
}

// scadenze: expired documents, then expiring ones, each by date, then the
// dates that cannot be read; ties in file order; UTF-8, quoted for scripts.
TEST_F(CliTest, ScadenzeListsTheDocumentsInTheirOrder) {
  const auto who = [](const char* cognome, const std::string& nome, const char* patente, const char* patenteScade,
                      const char* passaporto, const char* passaportoScade) {
    return line({{"provincia", "ROMA"}, {"associazione", "RADIO CLUB ROMA"}, {"cognome", cognome}, {"nome", nome},
                 {"recapito", "06 \"CASA\"; UFFICIO"}, {"patente", patente}, {"patente_scadenza", patenteScade},
                 {"passaporto", passaporto}, {"passaporto_scadenza", passaportoScade}});
  };
  writeFile(path("scadenze.txt"), crlf({who("ROSSI", "ANNA", "B", "10/01/2025", "SI", "31/12/2024"), "   ",
                                        who("BIANCHI", W("NICCOLÒ"), "NO", "01/01/2000", "SI", "1/1/24"),
                                        who("VERDI", "LUCA", "B", "31-02-2025", "NO", "01/01/2020"),
                                        who("NERI", "PIA", "B", "", "SI", " 10.1.2025"),
                                        who("GIALLI", "ELSA", "B", "1/3/2025", "SI", "xx")}));
  // The header, then a row for each volunteer and document given.
  const auto listed = [](const std::vector<std::pair<std::string, std::string>>& rows) {
    std::string out = "provincia;associazione;cognome;nome;recapito;documento;scadenza;stato\n";
    for (const auto& [who, document] : rows)
      out += "ROMA;RADIO CLUB ROMA;" + who + ";\"06 \"\"CASA\"\"; UFFICIO\";" + document + "\n";
    return out;
  };
  const std::string found =
      listed({{"BIANCHI;NICCOLÒ", "passaporto;1/1/24;SCADUTO"}, {"ROSSI;ANNA", "passaporto;31/12/2024;SCADUTO"},
              {"ROSSI;ANNA", "patente;10/01/2025;IN SCADENZA"}, {"NERI;PIA", "passaporto;10.1.2025;IN SCADENZA"},
              {"VERDI;LUCA", "patente;31-02-2025;DATA NON VALIDA"}, {"GIALLI;ELSA", "passaporto;xx;DATA NON VALIDA"}});
  EXPECT_EQ(run({"scadenze", "scadenze.txt", "--oggi", "2025-01-01", "--entro", "30"}), (std::tuple{0, found, ""}));
  // From today, 90 days ahead: the documents of 2024 have expired.
  EXPECT_EQ(std::get<0>(run({"scadenze", "scadenze.txt"})), 0);
  writeFile(path("vuoto.txt"), crlf({"", who("ROSSI", "ANNA", "NO", "1/1/2020", "NO", "1/1/2020")}));
  EXPECT_EQ(run({"scadenze", "vuoto.txt", "--entro", "0"}), (std::tuple{1, listed({}), ""}));
}

// Every --dotazione value selects exactly the volunteers that have that piece
// of equipment: a count given (a zero counts) or "SI", never "NO".
TEST_F(CliTest, EveryDotazioneValueSelectsWhoHasThatEquipment) {
  struct Item { std::string_view option; const char* field; const char* value; };
  // clang-format off
  const Item items[] = {{"v27", "veicolare_27", "0"}, {"p27", "palmare_27", "1"}, {"v43", "veicolare_43", "2"},
      {"p43", "palmare_43", "0"}, {"vhf", "veicolare_vhf", "3"}, {"phf", "palmare_vhf", "4"},
      {"packet", "packet", "SI"}, {"campale", "stazione_campale", "SI"}, {"auto", "autovettura", "SI"},
      {"gancio", "gancio", "SI"}, {"letti", "posti_letto", "5"}};
  // clang-format on
  // One volunteer per item with that item alone, and one with none: "NO" in every yes/no field.
  const auto with = [&](const Item* own) {
    VolunteerRecord r;
    r.fromLine(volunteer({{"provincia", "ROMA"}, {"cognome", own ? own->field : "NESSUNO"}}));
    for (const Item& item : items)
      if (&item == own || item.value == std::string_view("SI"))
        setField(r, *findField(item.field), &item == own ? item.value : "NO");
    return r.toLine();
  };
  Names lines{with(nullptr)};
  for (const Item& item : items) lines.push_back(with(&item));
  writeFile(path("dotazioni.txt"), crlf(lines));
  for (const auto& equipment : codes::kEquipment) {
    SCOPED_TRACE(equipment.option);
    const Item* item = std::ranges::find(items, equipment.option, &Item::option);
    ASSERT_NE(item, std::end(items)) << "no case for this value";
    const std::string key = lines[static_cast<std::size_t>(item - items) + 1].substr(0, kKeyLength);
    EXPECT_EQ(run({"seleziona", "dotazioni.txt", "--dotazione", std::string(equipment.option)}),
              (std::tuple{0, key + "\n", ""}));
  }
}

// "1,5" is a number where the comma is the decimal separator: the Italian
// locale, compiled for this test alone into a private LOCPATH.
TEST_F(CliTest, TheNumericTestFollowsTheLocaleOfTheEnvironment) {
  writeFile(path("anno.txt"), crlf({volunteer({{"provincia", "ROMA"}, {"associazione", "A"}, {"cognome", "B"},
                                               {"nome", "C"}, {"anno_nascita", "1,5"}})}));
  EXPECT_EQ(std::get<0>(run({"verifica", "anno.txt", "--report", "c.txt"})), 1);
  EXPECT_NE(readFile(path("c.txt")).find("Anno nascita errato"), std::string::npos);
  const std::string dir = path("locales");
  fs::create_directories(dir);
  const std::string build = "localedef -i it_IT -f UTF-8 " + shellQuoted(dir + "/it_IT.UTF-8") + " >/dev/null 2>&1";
  if (std::system(build.c_str()) != 0 && !fs::exists(dir + "/it_IT.UTF-8/LC_NUMERIC"))
    GTEST_SKIP() << "it_IT.UTF-8 cannot be built with localedef";
  EXPECT_EQ(run({"verifica", "anno.txt", "--report", "it.txt"}, {{"LC_ALL", "it_IT.UTF-8"}, {"LOCPATH", dir}}),
            (std::tuple{0, "              NON CI SONO ERRORI RISCONTRATI\n", ""}));
}

// Errors exit 2 with nothing on standard output and every file as it was: a
// usage error points to --help, a failure names its file in one line.
TEST_F(CliTest, HelpVersionAndErrorsThatExitTwoLeavingEveryFileAsItWas) {
  for (const char* f : {"unito.txt", "protetto.txt"}) writeFile(path(f), "previous\r\n");
  fs::permissions(path("protetto.txt"), fs::perms(0444));
  writeFile(path("vecchio.xlsx"), "previous");
  for (const char* d : {"cartella", "cartella.csv"}) fs::create_directory(path(d));
  for (const char* l : {"stesso.txt", "stesso.csv"}) fs::create_hard_link(path("aggiunto.txt"), path(l));
  ASSERT_EQ(::mkfifo(path("tubo").c_str(), 0644), 0);
  const auto unisciTo = [](std::string out) { return Names{"unisci", "archivio.txt", "aggiunto.txt", "--out", out}; };
  // clang-format off
  const std::pair<Names, std::string> errors[] = {
      {{}, ""}, {{"controlla", "archivio.txt"}, ""}, {{"verifica"}, ""},
      {{"verifica", "archivio.txt", "aggiunto.txt"}, ""}, {{"verifica", "archivio.txt", "--report"}, ""},
      {{"verifica", "archivio.txt", "--report", ""}, ""}, {{"verifica", "archivio.txt", "--out", "x.txt"}, ""},
      {{"unisci", "archivio.txt", "aggiunto.txt"}, ""}, {{"seleziona", "archivio.txt", "--colore", "rosso"}, ""},
      {{"seleziona", "archivio.txt", "--dotazione", "V27"}, ""}, {{"seleziona", "archivio.txt", "--patente", "G"}, ""},
      {{"seleziona", "archivio.txt", "--livello", "CO"}, ""},
      {{"seleziona", "archivio.txt", "--disponibilita", "1m"}, ""}, {{"seleziona", "archivio.txt", "--out", "s.csv"}, ""},
      {{"esporta", "archivio.txt"}, ""}, {{"esporta", "archivio.txt", "--out"}, ""},
      {{"esporta", "archivio.txt", "--out", "x.txt"}, ""}, {{"riepilogo", "archivio.txt", "--out", "x.ods"}, ""},
      {{"esporta", "archivio.txt", "aggiunto.txt", "--out", "x.csv"}, ""},
      {{"scadenze"}, ""}, {{"scadenze", "archivio.txt", "--entro", "3651"}, ""},
      {{"scadenze", "archivio.txt", "--entro", "-1"}, ""}, {{"scadenze", "archivio.txt", "--entro", "1.5"}, ""},
      {{"scadenze", "archivio.txt", "--oggi", "2025-02-29"}, ""}, {{"scadenze", "archivio.txt", "--oggi"}, ""},
      {{"scadenze", "manca.txt"}, "manca.txt"},
      // An output that is one of the inputs under another name.
      {unisciTo("stesso.txt"), ""}, {{"esporta", "stesso.csv", "--out", "./stesso.csv"}, ""},
      {{"riepilogo", "aggiunto.txt", "--out", "stesso.csv"}, ""},
      // Failures: an output that is not a plain file (renaming over the pipe
      // would turn it into one) or is write-protected, an unreadable input, a
      // missing folder.
      {unisciTo("tubo"), "tubo"}, {unisciTo("protetto.txt"), "protetto.txt"}, {{"verifica", "cartella"}, "cartella"},
      {{"unisci", "archivio.txt", "manca.txt", "--out", "unito.txt"}, "manca.txt"},
      {unisciTo("manca/unito.txt"), "cartella manca "}, {{"esporta", "manca.txt", "--out", "vecchio.xlsx"}, "manca.txt"},
      {{"riepilogo", "cartella", "--out", "vecchio.xlsx"}, "cartella"},
      {{"esporta", "archivio.txt", "--out", "manca/e.xlsx"}, "cartella manca "},
      {{"riepilogo", "archivio.txt", "--out", "cartella.csv"}, "cartella.csv"}};
  // clang-format on
  for (const auto& [args, name] : errors) {
    SCOPED_TRACE(::testing::PrintToString(args));
    const auto [status, out, err] = run(args);
    EXPECT_EQ(std::tuple(status, out), std::tuple(2, ""));
    EXPECT_EQ(err.find("archivio-cli --help") != std::string::npos, name.empty()) << err;
    EXPECT_TRUE(name.empty() || (err.find(name) != std::string::npos && err.find('\n') == err.size() - 1)) << err;
  }
  // Help and version; a full disk under standard output, which would cut the list short.
  const auto [status, help, err] = run({"--help"});
  EXPECT_TRUE(status == 0 && help.find("unisci ARCHIVIO AGGIUNTO --out FILE") != std::string::npos) << help;
  EXPECT_EQ(run({"--version"}), (std::tuple{0, "archivio-cli 1.0.0\n", ""}));
  EXPECT_EQ(std::get<0>(run({"seleziona", "archivio.txt"}, {}, "/dev/full")), 2);

  EXPECT_EQ(std::tuple(readFile(path("archivio.txt")), readFile(path("aggiunto.txt")), readFile(path("unito.txt")),
                       readFile(path("protetto.txt")), readFile(path("vecchio.xlsx"))),
            std::tuple(kArchive, kAdded, "previous\r\n", "previous\r\n", "previous"));
  for (const char* absent : {"x.txt", "verifica.txt", "manca", "x.csv", "s.csv"})
    EXPECT_FALSE(fs::exists(path(absent))) << absent;
  EXPECT_TRUE(fs::is_fifo(path("tubo")));
  // No temporary file was left beside the targets either.
  for (const auto& entry : fs::directory_iterator(dir_))
    EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
}

}  // namespace
}  // namespace krt::test
