// The profile sheet printed by the editor's "Stampa", as the recording
// printer sees it.
#include "editor/form4.h"
#include "support.h"

namespace krt::test {
namespace {

using headless::HeadlessWindow;
using ui::Answer;
using Names = std::vector<std::string>;

std::string F(const char* value, std::size_t width) { return fixedWidth(value, width); }

// A record line from "field=value;" pairs; every other field blank.
std::string recordOf(std::string_view pairs) {
  VolunteerRecord r;
  r.clear();
  while (!pairs.empty()) {
    const std::size_t eq = pairs.find('='), end = pairs.find(';');
    setField(r, *findField(pairs.substr(0, eq)), pairs.substr(eq + 1, end - eq - 1));
    pairs.remove_prefix(end + 1);
  }
  return r.toLine();
}

const std::string kFull = recordOf(
    "provincia=ROMA;associazione=RADIO CLUB ROMA;cognome=ROSSI;nome=MARIO;via=VIA APPIA 10;cap=00100;"
    "citta=ROMA;prov_residenza=RM;tessera_krt=00123;anno_krt=1990;tessera_tov=00456;anno_tov=1985;"
    "anno_nascita=1960;qualifica=O;livello=OR;segreteria=SI;krt_mare=NO;recapito=06 1234567;"
    "spec_associazione=PONTI RADIO;spec_professionale=MEDICO;patente=B;patente_rilasciata_da=MCTC ROMA;"
    "patente_data=01/02/1980;patente_scadenza=01/02/2030;passaporto=SI;"
    "passaporto_rilasciato_da=QUESTURA ROMA;passaporto_data=03/04/2015;passaporto_scadenza=03/04/2025;"
    "ditta=ACME SPA;ditta_via=VIA TUSCOLANA 5;ditta_cap=00181;ditta_citta=ROMA;ditta_provincia=RM;"
    "ditta_recapito=06 7654321;disp_1g=P;ore_1g=2;disp_3g=R;ore_3g=6;disp_3g_fuori=P;ore_3g_fuori=12;"
    "disp_1s_fuori=R;ore_1s_fuori=24;ore_2s_fuori=NO;veicolare_27=1;palmare_27=2;veicolare_43=3;palmare_43=4;"
    "veicolare_vhf=5;palmare_vhf=6;altro_1=YAESU FT-817;altro_2=ICOM IC-706;attrezzature=GENERATORE;"
    "packet=SI;packet_incluso=NO;stazione_campale=SI;giorni_corso=10;autovettura=SI;targa=AB123CD;gancio=NO;"
    "posti_letto=4;targa_camper=CD456EF;note_provinciale=OTTIMO;note_nazionale=NESSUNA;");

class ProfileTest : public AppTest {
 protected:
  HeadlessWindow& ed() { return win("Form4"); }

  // Prints the sheet from the editor and returns the recorded calls.
  const std::vector<std::string>& print() {
    const std::size_t before = ui.printed.size();
    ed().click("cmdstampa");
    EXPECT_EQ(ui.printed.size(), before + 1);
    return ui.printed.back().calls;
  }
  static Names starting(const std::vector<std::string>& calls, const std::string& prefix) {
    Names out;
    for (const auto& c : calls) {
      if (c.rfind(prefix, 0) == 0) out.push_back(c.substr(prefix.size()));
    }
    return out;
  }
  // The text of the line printed at that position.
  static std::string lineAt(const std::vector<std::string>& calls, int x, int y) {
    const std::string prefix = "text " + std::to_string(x) + " " + std::to_string(y) + " ";
    const Names found = starting(calls, prefix);
    EXPECT_EQ(found.size(), 1u) << prefix;
    return found.empty() ? std::string() : found[0];
  }
};

TEST_F(ProfileTest, FullRecordPrintsEveryLineInItsPlace) {
  openArchive(crlf({kFull}));
  main().pick("List1", 0);
  ed().type("Text5", "777");    // typed, not registered: printed as typed
  ed().type("Text1", "VERDI");  // not taken into the record by "Stampa"
  const auto& calls = print();

  ASSERT_GE(calls.size(), 62u);
  EXPECT_EQ(Names(calls.begin(), calls.begin() + 6),
            (Names{"size 10", "bold on", "font courier new", "linewidth 3", "text 0 0 ", "text 0 226 "}));
  EXPECT_EQ(calls.back(), "end");

  const Names expected{
      "460 460            PROFILO DEL VOLONTARIO K.R.T.          Tessera K.R.T. N Tessera T.O.V. N",
      "6460 686      777            00456",
      "470 1060 Nome " + F("MARIO", 25) + "             Cognome " + F("ROSSI", 25),
      "470 1360 OPERATORE RADIO specializz. in " + F("PONTI RADIO", 30) + "Livello OR ",
      "470 1660 Nome associazione " + F("RADIO CLUB ROMA", 40),
      "470 1960 Struttura provinciale di " + F("ROMA", 20),
      "470 2260 Iscr. TOV dal 1985   Iscr. KRT dal 1990   Anno di nascita 1960 Segreteria SI",
      "470 2560 Iscr. KRT Mare  NO   Recapito urgenze " + F("06 1234567", 35),
      "470 2860 Domicilio del volontario",
      "470 3160 " + F("VIA APPIA 10", 40),
      "470 3460 CAP   00100          Citt\xE0 " + F("ROMA", 40) + "Provincia RM  ",
      "470 3760 Passaporto",
      "470 4060 Ril. da " + F("QUESTURA ROMA", 30) + "       il  03/04/2015    scade il 03/04/2025",
      "470 4360 Patente di guida",
      "470 4660 Cat. B   Ril. da " + F("MCTC ROMA", 30) + "il  01/02/1980  Scade il 01/02/2030",
      "470 4960 Indirizzo del datore di lavoro ai fini D.P.R. 194/01.",
      "470 5260 Ditta " + F("ACME SPA", 35) + " Recapito urgenze " + F("06 7654321", 35),
      "470 5560 " + F("VIA TUSCOLANA 5", 40),
      "470 5860 CAP   00181          Citt\xE0 " + F("ROMA", 40) + "Provincia RM  ",
      "470 6160 Reale disponibilit\xE0 di assentarsi dal posto di lavoro e tempo per essere pronto.",
      "470 6460 Un giorno nella propria  PROVINCIA   ore  2 ",
      "470 6760 Tre giorni nella propria REGIONE     ore  6 ",
      "470 7060 Tre giorni fuori         PROVINCIA   ore  12",
      "470 7360 Una settimana fuori      REGIONE     ore  24",
      "470 7660 Due o pi\xF9 settimane fuori REGIONE   ore  NO",
      "470 7960 Attrezzature di propriet\xE0 del volontario e numero apparati.",
      "470 8260 Veicolare 27 MHz  N. 1    Veicolare VHF/UHF N. 5   Altro " + F("YAESU FT-817", 14),
      "470 8560 Palmare   27 MHz  N. 2    Palmare   VHF/UHF N. 6         " + F("ICOM IC-706", 14),
      "470 8860 Veicolare 43 MHz  N. 3    Palmare   43 MHz  N. 4 ",
      "470 9160 Packet radio incluso PC alimentato      SI",
      "470 9460 Packet radio l'attrezzatura figura fra quelle sopra indicate? NO",
      "470 9760 Con la propria attrezzatura pu\xF2 installare una stazione campale? SI",
      "470 10060 Ulteriori attrezzature di propriet\xE0 del volontario utili in emergenza. ",
      "470 10360 " + F("GENERATORE", 40),
      "470 10660 Autovettura SI        Gancio Autonomia di ricovero notturno",
      "470 10960 Targa AB123CD           NO   totale posti 4    Se camper - targa CD456EF ",
      "470 11260 Corsi di formazione di P.C. a cui a partecipato per numero giorni 10",
      "470 11560 Eventuali note del Presidente Provinciale T.O.V.-N.Z.",
      "470 11860 " + F("OTTIMO", 40),
      "470 12160 Eventuali note della T.O.V.-N.Z. nazionale",
      "470 12460 " + F("NESSUNA", 40),
  };
  Names texts = starting(calls, "text ");
  ASSERT_EQ(texts.size(), 43u);
  texts.erase(texts.begin(), texts.begin() + 2);  // the two opening empty lines
  EXPECT_EQ(texts, expected);
  // All 56 frames come first, then the texts.
  EXPECT_EQ(starting(Names(calls.begin() + 6, calls.begin() + 62), "rect ").size(), 56u);
}

TEST_F(ProfileTest, BlankRecordPrintsTheFixedTextsOnTheSameGrid) {
  openArchive(crlf({kFull}));
  main().pick("List1", 0);
  const Names fullRects = starting(print(), "rect ");
  main().click("mnins");  // the record stays; now make it all blanks
  m->record.clear();
  const auto& calls = print();
  const Names rects = starting(calls, "rect ");
  EXPECT_EQ(rects, fullRects);
  EXPECT_EQ(starting(calls, "text ").size(), 43u);
  EXPECT_EQ(lineAt(calls, 6460, 686), std::string(17, ' '));
  EXPECT_EQ(lineAt(calls, 470, 1060), "Nome " + F("", 25) + "             Cognome " + F("", 25));
  EXPECT_EQ(lineAt(calls, 470, 1360), "COLLABORATORE  specializz. in " + F("", 30) + "Livello    ");
  EXPECT_EQ(lineAt(calls, 470, 6460), "Un giorno nella propria  REGIONE     ore    ");
  EXPECT_EQ(lineAt(calls, 470, 7360), "Una settimana fuori      REGIONE     ore    ");
  EXPECT_EQ(lineAt(calls, 470, 10960),
            "Targa " + F("", 8) + "          " + "  " + "   totale posti " + "  " + "   Se camper - targa " + F("", 8));
  EXPECT_EQ(lineAt(calls, 470, 12460), F("", 40));
  EXPECT_EQ(calls.back(), "end");

  // The grid: rows in order from the top, each filled with frames that
  // follow each other from x 450 to 10450 with no gap.
  ASSERT_EQ(rects.size(), 56u);
  EXPECT_EQ(rects.front(), "450 450 6000 600");
  EXPECT_EQ(rects.back(), "450 12150 10000 600");
  int rowTop = -1, rowRight = 10450;
  for (const auto& r : rects) {
    int left = 0, top = 0, width = 0, height = 0;
    ASSERT_EQ(std::sscanf(r.c_str(), "%d %d %d %d", &left, &top, &width, &height), 4) << r;
    if (top != rowTop) {  // a new row: the one before ended at the right edge
      EXPECT_EQ(rowRight, 10450) << "row at " << rowTop;
      EXPECT_GT(top, rowTop);
      rowTop = top;
      rowRight = 450;
    }
    EXPECT_EQ(left, rowRight) << r;
    rowRight = left + width;
    EXPECT_TRUE(height == 300 || height == 600) << r;
  }
  EXPECT_EQ(rowRight, 10450);
  for (const char* r : {"1450 4650 4000 300", "3450 8850 3000 300", "2950 10650 1000 600", "3950 10650 6500 600"})
    EXPECT_NE(std::find(rects.begin(), rects.end(), r), rects.end()) << r;

  // The employer is cut to 35 characters.
  m->record.ditta = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789LUNGHISSIMA SRL";
  m->record.ditta_recapito = "06 1";
  EXPECT_EQ(lineAt(print(), 470, 5260), "Ditta ABCDEFGHIJKLMNOPQRSTUVWXYZ012345678 Recapito urgenze " + F("06 1", 35));
}

TEST_F(ProfileTest, OnlyOAndPSelectOperatorAndProvinceWordings) {
  main().click("mnins");
  const std::tuple<const char*, const char*, bool> codes[] = {
      {"O", "P", true}, {"C", "R", false}, {" ", " ", false}, {"o", "p", false}};
  for (const auto& [qualifica, area, chosen] : codes) {
    SCOPED_TRACE(testing::Message() << "qualifica '" << qualifica << "', disponibilita '" << area << "'");
    auto& r = m->record;
    r.qualifica = qualifica;
    for (auto* disp : {&r.disp_1g, &r.disp_3g, &r.disp_3g_fuori, &r.disp_1s_fuori}) *disp = area;
    const auto& calls = print();
    EXPECT_EQ(lineAt(calls, 470, 1360).substr(0, 30),
              chosen ? "OPERATORE RADIO specializz. in" : "COLLABORATORE  specializz. in ");
    for (int y : {6460, 6760, 7060, 7360})
      EXPECT_EQ(lineAt(calls, 470, y).substr(25, 9), chosen ? "PROVINCIA" : "REGIONE  ") << y;
    EXPECT_EQ(lineAt(calls, 470, 7660).substr(0, 33), "Due o pi\xF9 settimane fuori REGIONE");
  }
}

TEST_F(ProfileTest, WithoutAPrinterTheSheetCanGoToAPdf) {
  main().click("mnins");
  ui.setPrinterInstalled(false);
  ui.answer(Answer::No);
  ed().click("cmdstampa");
  EXPECT_TRUE(ui.printed.empty());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].text.find("Non \xE8 installata nessuna stampante."), std::string::npos);
  EXPECT_EQ(ui.messages[0].buttons, ui::Buttons::YesNo);

  ui.answer(Answer::Yes);
  ui.chooseFile(path("profilo.pdf"));
  ed().click("cmdstampa");
  ui.setPrinterInstalled(true);  // a printer that fails: the same offer
  ui.setPrintFails(true);
  ui.answer(Answer::Yes);
  ui.chooseFile(path("profilo2.pdf"));
  ed().click("cmdstampa");
  ASSERT_EQ(ui.printed.size(), 3u);
  EXPECT_EQ(ui.printed[0].pdfPath, path("profilo.pdf"));
  EXPECT_EQ(starting(ui.printed[0].calls, "rect ").size(), 56u);
  EXPECT_FALSE(ui.printed[1].ended);
  EXPECT_EQ(ui.printed[2].pdfPath, path("profilo2.pdf"));
  EXPECT_TRUE(ui.printed[0].ended && ui.printed[2].ended);
  EXPECT_TRUE(ui.scriptsUsed());
}

}  // namespace
}  // namespace krt::test
