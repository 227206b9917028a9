// "Verifica": the rules, the report file and the run around them.
#include <sstream>
#include <tuple>

#include "records/file_io.h"
#include "support.h"
#include "verify/verification.h"

namespace krt::test {
namespace {

using Lines = std::vector<std::string>;

// A volunteer that breaks no rule, with some fields changed: "name=value;...".
std::string volunteer(const std::string& changes = "") {
  VolunteerRecord r;
  r.clear();
  std::istringstream fields(
      "provincia=ROMA;associazione=RADIO CLUB ROMA;cognome=ROSSI;nome=MARIO;via=VIA APPIA 1;cap=00100;citta=ROMA;"
      "prov_residenza=RM;anno_nascita=1970;qualifica=O;livello=COM;recapito=06 1234567;ore_1g=2;disp_1g=P;" +
      changes);
  for (std::string f; std::getline(fields, f, ';');)
    setField(r, *findField(f.substr(0, f.find('='))), f.substr(f.find('=') + 1));
  return r.toLine();
}

// The identification line of a record line: columns 21-110.
std::string ident(const std::string& l) { return std::string(columns(l, 21, 90)); }

class VerifyTest : public AppTest {
 protected:
  // Runs "Verifica" on a work copy of these lines; the report's bytes.
  std::string verify(const Lines& lines) {
    setWorkCopy(crlf(lines));
    main().click("mnverifica");
    return readFile(m->percorso_verifica());
  }
  // The report for one volunteer with these changes is these messages (UTF-8).
  void expectMessages(const std::string& changes, const Lines& messages) {
    const std::string l = volunteer(changes);
    Lines expected;
    if (!messages.empty()) expected = {"", ident(l)};
    for (const auto& text : messages) expected.push_back(W(text.c_str()));
    EXPECT_EQ(verify({l}), crlf(expected)) << changes;
  }
};

// Each rule fires alone with its message; lower-case values are wrong
// wherever upper case is asked for. Then one volunteer per accepted spelling:
// "OR " with its blank, every licence code, SI, NO and blank, numbers with
// blanks around them.
TEST_F(VerifyTest, EachRuleFiresAloneAndAcceptedValuesPass) {
  // clang-format off
  const std::pair<std::string, std::string> cases[] = {
      {"provincia=", "Manca provincia"}, {"associazione=", "Manca associazione"}, {"cognome=", "Manca cognome"},
      {"nome=", "Manca nome"}, {"via=", "Manca via volontario"}, {"cap=0010A", "CAP residenza volontario errato"},
      {"citta=", "Manca città volontario"}, {"prov_residenza=", "Manca provincia di residenza volontario."},
      {"tessera_krt=12A", "Numero KRT errato"}, {"anno_krt=19X0", "Anno KRT errato"},
      {"anno_nascita=MCM", "Anno nascita errato"}, {"qualifica=o", "Qualifica errata o mancante"},
      {"livello=col", "Livello errato o mancante"}, {"segreteria=si", "Esperienza segreteria errata o mancante."},
      {"krt_mare=No", "Iscritto KRTMARE errato o mancante."}, {"recapito=", "Manca recapito volontario per urgenze"},
      {"patente=G ", "Patente tipo o NO errato"}, {"passaporto=S", "Passaporto SI o NO errato"},
      {"veicolare_27=X", "Disponibilità veicolare in 27 MHz mancante o errato"},
      {"palmare_27=1a", "Disponibilità portatili in 27 MHz mancante o errato"},
      {"veicolare_43=--", "Disponibilità veicolare in 43 MHz mancante o errato"},
      {"palmare_43=NO", "Disponibilità portatili in 43 MHz mancante o errato"},
      {"veicolare_vhf=SI", "Disponibilità veicolare in VHF/UHF mancante o errato"},
      {"palmare_vhf=.", "Disponibilità portatili in VHF/UHF mancante o errato"},
      {"packet=S", "Attrezzatura packet radio SI o NO errato"},
      {"packet_incluso=no", "Attrezzatura packet radio SI o NO errato"},
      {"stazione_campale=sI", "Stazione campale SI o NO errato"}, {"autovettura=OK", "Autovettura SI o NO errato"},
      {"gancio=N", "Disponibilità gancio SI o NO errato"}, {"posti_letto=2+", "Disponibilità letti mancante o errato"},
      {"giorni_corso=1a", "Numero giorni di corso seguiti mancante o errato"}};
  // clang-format on
  for (const auto& [changes, message] : cases) expectMessages(changes, {message});
  EXPECT_EQ(verify({volunteer("livello=OR ;patente=AS;segreteria=SI;krt_mare=NO;passaporto=;packet=SI;gancio=NO"),
                    volunteer("livello=COC;patente=F"), volunteer("livello=OR;patente=DS"),
                    volunteer("livello=COL;patente=NO;packet_incluso=NO;stazione_campale=SI;autovettura="),
                    volunteer("qualifica=C;tessera_krt=123;anno_krt=1999;veicolare_27=1;palmare_vhf=6;giorni_corso=10;"
                              "cap= 0010;anno_nascita=70  ")}),
            "");
}

// Straight through verifyArchive: no windows, any paths, and its counts.
TEST_F(VerifyTest, EmptyLineWritesFourteenMessagesInOrder) {
  writeFile(path("other.txt"), crlf({volunteer(), ""}));
  VolunteerRecord current;
  const auto r = verifyArchive(path("other.txt"), path("out.txt"), NumberFormat{}, current);
  EXPECT_EQ(readFile(path("out.txt")),
            crlf({"", "", "Manca provincia", "Manca associazione", "Manca cognome", "Manca nome",
                  "Manca via volontario", "Manca CAP volontario.", "CAP residenza volontario errato",
                  W("Manca città volontario"), "Manca provincia di residenza volontario.", "Anno nascita errato",
                  "Qualifica errata o mancante", "Livello errato o mancante", "Manca recapito volontario per urgenze",
                  W("Disponibilità mancante, almeno una obbligatoria. ")}));
  EXPECT_EQ(std::tie(r.errorFound, r.volunteers, r.volunteersWithErrors, r.violations),
            std::make_tuple(true, 2u, 1u, 14u));
}

TEST_F(VerifyTest, AvailabilityGroup) {
  const std::string oneDay = "Disponibilità 1 giorno nella propria provincia/regione mancante o errato";
  const std::string threeDays = "Disponibilità 3 giorni nella propria provincia/regione mancante o errato";
  const std::pair<std::string, Lines> cases[] = {
      // Only the two weeks filled: no availability.
      {"ore_1g=;disp_1g=;ore_2s_fuori=24", {"Disponibilità mancante, almeno una obbligatoria. "}},
      // Nothing numeric: one message, and the rest of the group is skipped.
      {"ore_1g=NO;ore_3g=NO;disp_3g=X;ore_3g_fuori=NO;ore_1s_fuori=NO;ore_2s_fuori=NO",
       {"Disponibilità mancante o errata, almeno una obbligatoria. "}},
      // Blank hours: one day still tests its area code, three days do not.
      {"ore_1g=;disp_1g=X;ore_3g=24", {oneDay}},
      {"ore_3g=;disp_3g=X", {}},
      // Bad hours and a bad area code: two messages.
      {"ore_1g=1X;disp_1g=p;ore_3g=24", {oneDay, oneDay}},
      // Every duration in its order.
      {"ore_1g=A;ore_3g=B;disp_3g=X;ore_3g_fuori=3;disp_3g_fuori=Q;ore_1s_fuori=D;disp_1s_fuori=R;ore_2s_fuori=E",
       {oneDay, threeDays, threeDays, "Disponibilità 3 giorni fuori provincia/regione mancante o errato",
        "Disponibilità 1 settimana fuori provincia/regione mancante o errato",
        "Disponibilità 2 settimane fuori provincia mancante o errato"}},
  };
  for (const auto& [changes, messages] : cases) expectMessages(changes, messages);
}

// A second run gives the same report, a clean archive an empty one; the
// numeric test follows the program's number format.
TEST_F(VerifyTest, TwoRunsGiveTheSameReportAndTheNumberFormatIsFollowed) {
  const std::string a = volunteer("nome=ANNA;qualifica=X;gancio=?"), b = volunteer("nome=BRUNO"),
                    c = volunteer("nome=CARLA;livello=OR;via=");
  const std::string expected = crlf({"", ident(a), "Qualifica errata o mancante",
                                     W("Disponibilità gancio SI o NO errato"), "", ident(c), "Manca via volontario"});
  EXPECT_EQ(verify({a, b, c}), expected);
  main().click("mnverifica");
  EXPECT_EQ(readFile(m->percorso_verifica()), expected);
  EXPECT_EQ(verify({b, b}), "");
  const std::string comma = volunteer("cap=1,5"), dot = volunteer("cap=1.5");
  EXPECT_EQ(verify({comma, dot}), crlf({"", ident(comma), "CAP residenza volontario errato"}));
  m->numberFormat = NumberFormat{',', '.'};
  EXPECT_EQ(verify({comma, dot}), "");  // "1.5" is 15
}

TEST_F(VerifyTest, AReadFailureLeavesTheOldReport) {
  // Clean and faulty volunteers, empty lines, CR alone and CR LF as line ends,
  // a lone LF inside a line, and no end after the last line: over a megabyte,
  // read in many pieces.
  std::string bytes;
  for (int i = 0; i < 2000; ++i) {
    std::string l = i % 7 == 1 ? volunteer("cap=0O1;nome=") : volunteer("cognome=ROSSI" + std::to_string(i));
    if (i % 13 == 3) l.clear();
    if (i % 19 == 5 && !l.empty()) l[150] = '\n';
    bytes += l + (i % 5 == 0 ? "\r" : "\r\n");
  }
  writeFile(path("a.txt"), bytes + volunteer("via="));
  writeFile(path("out.txt"), "old\r\n");
  // Fail the n-th read until a run has no n-th.
  for (int n = 1;; ++n) {
    int reads = 0;
    io::setFaultHook([&](io::Op op, const std::string&) { return op == io::Op::Read && ++reads == n; });
    VolunteerRecord current;
    bool failed = false;
    try {
      verifyArchive(path("a.txt"), path("out.txt"), NumberFormat{}, current);
    } catch (const FileError&) {
      failed = true;
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
