// "Verifica": the rules, the report file and the run around them.
#include <atomic>
#include <filesystem>

#include "records/file_io.h"
#include "support.h"
#include "verify/verification.h"

namespace krt::test {
namespace {

const std::string kErrorsTitle = "                     ELENCO ERRORI RISCONTRATI";
const std::string kCleanTitle = "              NON CI SONO ERRORI RISCONTRATI";

using Changes = std::vector<std::pair<std::string, std::string>>;

// A volunteer that breaks no rule, with some fields changed.
std::string volunteer(const Changes& changes = {}) {
  VolunteerRecord r;
  r.clear();
  const Changes valid = {{"provincia", "ROMA"},    {"associazione", "RADIO CLUB ROMA"},
                         {"cognome", "ROSSI"},     {"nome", "MARIO"},
                         {"via", "VIA APPIA 1"},   {"cap", "00100"},
                         {"citta", "ROMA"},        {"prov_residenza", "RM"},
                         {"anno_nascita", "1970"}, {"qualifica", "O"},
                         {"livello", "COM"},       {"recapito", "06 1234567"},
                         {"ore_1g", "2"},          {"disp_1g", "P"}};
  for (const auto& [name, value] : valid) setField(r, *findField(name), value);
  for (const auto& [name, value] : changes) setField(r, *findField(name), value);
  return r.toLine();
}

// The identification line of a record line: columns 21-110.
std::string ident(const std::string& l) { return std::string(columns(l, 21, 90)); }

class VerifyTest : public AppTest {
 protected:
  void TearDown() override {
    io::setFaultHook(nullptr);
    AppTest::TearDown();
  }

  // Runs "Verifica" on a work copy of these lines; the report's bytes.
  std::string verify(const std::vector<std::string>& lines) {
    setWorkCopy(crlf(lines));
    main().click("mnverifica");
    return report();
  }
  std::string report() { return readFile(m->percorso_verifica()); }

  // The report for one volunteer with these changes and these messages.
  void expectMessages(const Changes& changes, const std::vector<std::string>& messages) {
    const std::string l = volunteer(changes);
    std::vector<std::string> expected;
    if (!messages.empty()) expected = {"", ident(l)};
    expected.insert(expected.end(), messages.begin(), messages.end());
    std::string what;
    for (const auto& [name, value] : changes) what += name + "='" + value + "' ";
    EXPECT_EQ(verify({l}), crlf(expected)) << what;
  }
};

TEST_F(VerifyTest, CleanArchiveGivesEmptyReportAndTheCleanTitle) {
  writeFile(m->percorso_verifica(), "old report\r\n");
  EXPECT_EQ(verify({volunteer(), volunteer({{"nome", "LUIGI"}})}), "");
  EXPECT_TRUE(std::filesystem::exists(m->percorso_verifica()));
  EXPECT_EQ(items("formv", "List1"), (std::vector<std::string>{kCleanTitle, ""}));
  EXPECT_FALSE(ui.busy);
  EXPECT_GE(ui.busyCalls, 1);
}

TEST_F(VerifyTest, EmptyWorkCopyGivesZeroBytesAndTheCleanTitle) {
  writeFile(m->percorso_verifica(), "\r\nold\r\n");
  EXPECT_EQ(verify({}), "");
  EXPECT_EQ(items("formv", "List1"), (std::vector<std::string>{kCleanTitle, ""}));
}

TEST_F(VerifyTest, EachRuleFiresAloneWithItsMessage) {
  const std::vector<std::pair<Changes, std::string>> cases = {
      {{{"provincia", ""}}, "Manca provincia"},
      {{{"associazione", ""}}, "Manca associazione"},
      {{{"cognome", ""}}, "Manca cognome"},
      {{{"nome", ""}}, "Manca nome"},
      {{{"via", ""}}, "Manca via volontario"},
      {{{"cap", "0010A"}}, "CAP residenza volontario errato"},
      {{{"citta", ""}}, W("Manca città volontario")},
      {{{"prov_residenza", ""}}, "Manca provincia di residenza volontario."},
      {{{"tessera_krt", "12A"}}, "Numero KRT errato"},
      {{{"anno_krt", "19X0"}}, "Anno KRT errato"},
      {{{"anno_nascita", ""}}, "Anno nascita errato"},
      {{{"anno_nascita", "MCM"}}, "Anno nascita errato"},
      {{{"qualifica", "o"}}, "Qualifica errata o mancante"},
      {{{"qualifica", ""}}, "Qualifica errata o mancante"},
      {{{"livello", "ORX"}}, "Livello errato o mancante"},
      {{{"livello", "col"}}, "Livello errato o mancante"},
      {{{"livello", ""}}, "Livello errato o mancante"},
      {{{"segreteria", "si"}}, "Esperienza segreteria errata o mancante."},
      {{{"krt_mare", "No"}}, "Iscritto KRTMARE errato o mancante."},
      {{{"recapito", ""}}, "Manca recapito volontario per urgenze"},
      {{{"patente", "G "}}, "Patente tipo o NO errato"},
      {{{"patente", " A"}}, "Patente tipo o NO errato"},
      {{{"passaporto", "S"}}, "Passaporto SI o NO errato"},
      {{{"veicolare_27", "X"}}, W("Disponibilità veicolare in 27 MHz mancante o errato")},
      {{{"palmare_27", "1a"}}, W("Disponibilità portatili in 27 MHz mancante o errato")},
      {{{"veicolare_43", "--"}}, W("Disponibilità veicolare in 43 MHz mancante o errato")},
      {{{"palmare_43", "NO"}}, W("Disponibilità portatili in 43 MHz mancante o errato")},
      {{{"veicolare_vhf", "SI"}}, W("Disponibilità veicolare in VHF/UHF mancante o errato")},
      {{{"palmare_vhf", "."}}, W("Disponibilità portatili in VHF/UHF mancante o errato")},
      {{{"packet", "S"}}, "Attrezzatura packet radio SI o NO errato"},
      {{{"packet_incluso", "no"}}, "Attrezzatura packet radio SI o NO errato"},
      {{{"stazione_campale", "sI"}}, "Stazione campale SI o NO errato"},
      {{{"autovettura", "OK"}}, "Autovettura SI o NO errato"},
      {{{"gancio", "N"}}, W("Disponibilità gancio SI o NO errato")},
      {{{"posti_letto", "2+"}}, W("Disponibilità letti mancante o errato")},
      {{{"giorni_corso", "1a"}}, "Numero giorni di corso seguiti mancante o errato"},
  };
  for (const auto& [changes, message] : cases) expectMessages(changes, {message});
}

TEST_F(VerifyTest, BlankCapBreaksTwoRulesAndTwoViolationsGiveFourLines) {
  const std::string l = volunteer({{"cap", ""}});
  EXPECT_EQ(verify({l}), crlf({"", ident(l), "Manca CAP volontario.", "CAP residenza volontario errato"}));
  expectMessages({{"cognome", ""}, {"gancio", "X"}}, {"Manca cognome", W("Disponibilità gancio SI o NO errato")});
}

TEST_F(VerifyTest, AcceptedValuesPass) {
  std::vector<std::string> lines;
  for (const char* v : {"SI", "NO", ""}) {
    for (const char* f : {"segreteria", "krt_mare", "passaporto", "packet", "packet_incluso", "stazione_campale",
                          "autovettura", "gancio"})
      lines.push_back(volunteer({{f, v}}));
  }
  for (const char* v : {"COL", "COM", "OR", "OR ", "COC"}) lines.push_back(volunteer({{"livello", v}}));
  for (const char* v : {"A", "AS", "B", "BS", "C", "CS", "D", "DS", "E", "F", "NO", ""})
    lines.push_back(volunteer({{"patente", v}}));
  lines.push_back(volunteer({{"qualifica", "C"}}));
  lines.push_back(volunteer({{"tessera_krt", "123"},
                             {"anno_krt", "1999"},
                             {"veicolare_27", "1"},
                             {"palmare_27", "2"},
                             {"veicolare_43", "3"},
                             {"palmare_43", "4"},
                             {"veicolare_vhf", "5"},
                             {"palmare_vhf", "6"},
                             {"posti_letto", "7"},
                             {"giorni_corso", "10"}}));
  lines.push_back(volunteer({{"cap", " 0010"}, {"anno_nascita", "70  "}}));
  EXPECT_EQ(verify(lines), "");
}

TEST_F(VerifyTest, EmptyLineWritesFourteenMessagesInOrder) {
  EXPECT_EQ(verify({""}),
            crlf({"", "", "Manca provincia", "Manca associazione", "Manca cognome", "Manca nome",
                  "Manca via volontario", "Manca CAP volontario.", "CAP residenza volontario errato",
                  W("Manca città volontario"), "Manca provincia di residenza volontario.", "Anno nascita errato",
                  "Qualifica errata o mancante", "Livello errato o mancante", "Manca recapito volontario per urgenze",
                  W("Disponibilità mancante, almeno una obbligatoria. ")}));
}

TEST_F(VerifyTest, ShortLineIsIdentifiedByWhatItHas) {
  const std::string l = volunteer().substr(0, 70);  // associazione and 10 characters of cognome
  const std::string r = verify({l, "ROMA"});
  const std::string head = "\r\n" + l.substr(20) + "\r\nManca nome\r\n";
  EXPECT_EQ(r.substr(0, head.size()), head);
  // A line that ends before column 21 has an empty identification line.
  EXPECT_NE(r.find("\r\n\r\n\r\nManca associazione\r\n"), std::string::npos);
}

TEST_F(VerifyTest, AvailabilityGroup) {
  const std::string noHours = W("Disponibilità mancante, almeno una obbligatoria. ");
  const std::string noneNumeric = W("Disponibilità mancante o errata, almeno una obbligatoria. ");
  const std::string oneDay = W("Disponibilità 1 giorno nella propria provincia/regione mancante o errato");
  const std::string threeDays = W("Disponibilità 3 giorni nella propria provincia/regione mancante o errato");
  const std::string threeOut = W("Disponibilità 3 giorni fuori provincia/regione mancante o errato");
  const std::string weekOut = W("Disponibilità 1 settimana fuori provincia/regione mancante o errato");
  const std::string twoWeeks = W("Disponibilità 2 settimane fuori provincia mancante o errato");

  // Only the two weeks given: they do not count as an availability.
  expectMessages({{"ore_1g", ""}, {"disp_1g", ""}, {"ore_2s_fuori", "24"}}, {noHours});
  // Nothing numeric: one message, and the rest of the group is skipped.
  expectMessages({{"ore_1g", "NO"},
                  {"ore_3g", "NO"},
                  {"disp_3g", "X"},
                  {"ore_3g_fuori", "NO"},
                  {"ore_1s_fuori", "NO"},
                  {"ore_2s_fuori", "NO"}},
                 {noneNumeric});
  expectMessages({{"ore_1g", "AB"}}, {noneNumeric});
  // The two weeks do count as the numeric availability.
  expectMessages({{"ore_1g", "NO"}, {"disp_1g", "X"}, {"ore_2s_fuori", "24"}}, {});
  // One day: a blank number of hours still has its area code tested.
  expectMessages({{"ore_1g", ""}, {"disp_1g", "X"}, {"ore_3g", "24"}}, {oneDay});
  expectMessages({{"ore_1g", "1X"}, {"disp_1g", "p"}, {"ore_3g", "24"}}, {oneDay, oneDay});
  // Three days: a blank number of hours silences both tests.
  expectMessages({{"ore_3g", ""}, {"disp_3g", "X"}}, {});
  expectMessages({{"ore_3g", "AB"}, {"disp_3g", "X"}}, {threeDays, threeDays});
  expectMessages({{"ore_3g", "12"}, {"disp_3g", "R"}, {"ore_3g_fuori", "NO"}, {"disp_3g_fuori", "X"}}, {});
  // Every duration in its order.
  expectMessages({{"ore_1g", "A"},
                  {"ore_3g", "B"},
                  {"ore_3g_fuori", "3"},
                  {"disp_3g_fuori", "Q"},
                  {"ore_1s_fuori", "D"},
                  {"disp_1s_fuori", "R"},
                  {"ore_2s_fuori", "E"}},
                 {oneDay, threeDays, threeOut, weekOut, twoWeeks});
}

TEST_F(VerifyTest, NumericTestFollowsTheNumberFormat) {
  m->numberFormat = NumberFormat{',', '.'};
  const std::vector<std::string> pass = {" 5", "5 ", "12", "00100", "1.234", "1,5", "-3", "+7", "1E3", "2e-1", ",5"};
  const std::vector<std::string> fail = {"1,2,3", "5a", "NO", "E5", "1E", "-", ",", "1 2", "$5", "5%"};
  std::vector<std::string> lines;
  std::string expected;
  for (const auto& v : pass) lines.push_back(volunteer({{"nome", "PASS " + v}, {"cap", v}}));
  for (const auto& v : fail) {
    lines.push_back(volunteer({{"nome", "FAIL " + v}, {"cap", v}}));
    expected += crlf({"", ident(lines.back()), "CAP residenza volontario errato"});
  }
  EXPECT_EQ(verify(lines), expected);

  // With '.' as the decimal separator, "1,5" is no number.
  m->numberFormat = NumberFormat{};
  const std::string comma = volunteer({{"cap", "1,5"}});
  EXPECT_EQ(verify({comma, volunteer({{"cap", "1.5"}})}), crlf({"", ident(comma), "CAP residenza volontario errato"}));
}

TEST_F(VerifyTest, TwoRunsGiveTheSameReportAndTheLastLineIsTheCurrentRecord) {
  const std::string a = volunteer({{"nome", "ANNA"}, {"qualifica", "X"}, {"gancio", "?"}});
  const std::string b = volunteer({{"nome", "BRUNO"}});
  const std::string c = volunteer({{"nome", "CARLA"}, {"livello", "OR"}, {"via", ""}});
  const std::string expected = crlf({"", ident(a), "Qualifica errata o mancante",
                                     W("Disponibilità gancio SI o NO errato"), "", ident(c), "Manca via volontario"});
  EXPECT_EQ(verify({a, b, c}), expected);
  EXPECT_EQ(m->record.bytes(), c);
  main().click("mnverifica");
  EXPECT_EQ(report(), expected);
  EXPECT_EQ(items("formv", "List1")[0], kErrorsTitle);
  // The work copy is only read.
  EXPECT_EQ(workCopy(), crlf({a, b, c}));
}

TEST_F(VerifyTest, UnreadableWorkCopyShowsAMessageAndNoViewer) {
  writeFile(m->percorso_verifica(), "old\r\n");
  std::filesystem::remove(m->percorso_wrk());
  main().click("mnverifica");
  const auto shown = ui.takeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NE(shown[0].find("volontari.wrk"), std::string::npos) << shown[0];
  EXPECT_EQ(ui.find("formv"), nullptr);
  EXPECT_EQ(report(), "old\r\n");
  EXPECT_FALSE(ui.busy);
}

TEST_F(VerifyTest, ReportThatCannotBeWrittenLeavesTheOldOne) {
  writeFile(m->percorso_verifica(), "old\r\n");
  for (const io::Op failing : {io::Op::Write, io::Op::Rename}) {
    io::setFaultHook([&](io::Op op, const std::string&) { return op == failing; });
    verify({volunteer({{"via", ""}})});
    io::setFaultHook(nullptr);
    const auto shown = ui.takeMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("verifica.txt"), std::string::npos) << shown[0];
    EXPECT_EQ(ui.find("formv"), nullptr);
    EXPECT_EQ(report(), "old\r\n");
  }
  // No temporary file is left behind.
  for (const auto& entry : std::filesystem::directory_iterator(dir_))
    EXPECT_EQ(entry.path().filename().string().find(".verifica"), std::string::npos) << entry.path();
  // A report path that is a folder.
  std::filesystem::remove(m->percorso_verifica());
  std::filesystem::create_directory(m->percorso_verifica());
  main().click("mnverifica");
  EXPECT_EQ(ui.takeMessages().size(), 1u);
  EXPECT_EQ(ui.find("formv"), nullptr);
}

TEST_F(VerifyTest, VerifyArchiveWorksOnAnyPathsWithoutWindows) {
  const std::string bad = volunteer({{"cap", ""}, {"nome", "X"}});
  writeFile(path("other.txt"), crlf({volunteer(), bad, ""}));
  VolunteerRecord current;
  const VerificationResult r = verifyArchive(path("other.txt"), path("out.txt"), NumberFormat{}, current);
  EXPECT_TRUE(r.errorFound);
  EXPECT_EQ(r.volunteers, 3u);
  EXPECT_EQ(r.volunteersWithErrors, 2u);
  EXPECT_EQ(r.violations, 16u);
  EXPECT_EQ(readFile(path("out.txt")).substr(0, 2), "\r\n");
  EXPECT_EQ(current.bytes(), std::string(kLineLength, ' '));
  EXPECT_EQ(ui.find("formv"), nullptr);
  EXPECT_THROW(verifyArchive(path("missing.txt"), path("out.txt"), NumberFormat{}, current), FileError);
}

// An archive of every kind of line: clean and faulty volunteers, short and
// long lines, an empty one, CR alone and CR LF as line ends, a lone LF inside
// a line, and no end after the last line.
std::string mixedArchive(int lines) {
  std::string bytes;
  for (int i = 0; i < lines; ++i) {
    std::string l = volunteer({{"cognome", "ROSSI" + std::to_string(i)}});
    if (i % 7 == 1) l = volunteer({{"cap", "0O1"}, {"nome", ""}});
    if (i % 11 == 2) l = l.substr(0, 300);
    if (i % 13 == 3) l.clear();
    if (i % 17 == 4) l += std::string(500, 'X');
    if (i % 19 == 5 && l.size() > 150) l[150] = '\n';
    bytes += l + (i % 5 == 0 ? "\r" : "\r\n");
  }
  return bytes + volunteer({{"via", ""}});
}

TEST_F(VerifyTest, TwoPartsGiveTheSameReportAsOne) {
  for (const int lines : {1, 2, 3, 40, 400}) {
    writeFile(path("a.txt"), mixedArchive(lines));
    VolunteerRecord serialLast;
    const auto serial = verifyArchive(path("a.txt"), path("one.txt"), NumberFormat{}, serialLast, {UINT64_MAX, 0});
    // Two parts with the second one's memory from none at all (all checked
    // here after the first part) to plenty.
    for (const std::size_t memory : {std::size_t{0}, std::size_t{1}, std::size_t{2000}, std::size_t{1} << 30}) {
      SCOPED_TRACE(std::to_string(lines) + " lines, memory " + std::to_string(memory));
      VolunteerRecord last;
      const auto shared = verifyArchive(path("a.txt"), path("two.txt"), NumberFormat{}, last, {0, memory});
      EXPECT_EQ(readFile(path("two.txt")), readFile(path("one.txt")));
      EXPECT_EQ(shared.errorFound, serial.errorFound);
      EXPECT_EQ(shared.volunteers, serial.volunteers);
      EXPECT_EQ(shared.volunteersWithErrors, serial.volunteersWithErrors);
      EXPECT_EQ(shared.violations, serial.violations);
      EXPECT_EQ(last.bytes(), serialLast.bytes());
    }
  }
}

TEST_F(VerifyTest, AReadFailureInEitherPartLeavesTheOldReport) {
  writeFile(path("a.txt"), mixedArchive(2000));  // over a megabyte: two parts by default
  writeFile(path("out.txt"), "old\r\n");
  // Fail the n-th read, whichever thread makes it, until a run has no n-th.
  for (int n = 1;; ++n) {
    std::atomic<int> reads{0};
    io::setFaultHook([&](io::Op op, const std::string&) { return op == io::Op::Read && ++reads == n; });
    VolunteerRecord current;
    bool failed = false;
    try {
      verifyArchive(path("a.txt"), path("out.txt"), NumberFormat{}, current);
    } catch (const FileError& e) {
      failed = true;
      EXPECT_EQ(e.action(), FileError::Action::Read);
    }
    io::setFaultHook(nullptr);
    if (!failed) {
      EXPECT_GT(n, 4) << "the archive was read in too few pieces for the walk to mean anything";
      break;
    }
    EXPECT_EQ(readFile(path("out.txt")), "old\r\n") << "read #" << n;
  }
}

}  // namespace
}  // namespace krt::test
