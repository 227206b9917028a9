// The profile sheet printed by the editor's "Stampa", as the recording printer sees it.
#include "editor/form4.h"
#include "support.h"

namespace krt::test {
namespace {

using Names = std::vector<std::string>;

std::string F(const char* value, std::size_t width) { return fixedWidth(value, width); }

// clang-format off
const std::string kFull = line({
    {"provincia", "ROMA"}, {"associazione", "RADIO CLUB ROMA"}, {"cognome", "ROSSI"}, {"nome", "MARIO"},
    {"via", "VIA APPIA 10"}, {"cap", "00100"}, {"citta", "ROMA"}, {"prov_residenza", "RM"}, {"tessera_krt", "00123"},
    {"anno_krt", "1990"}, {"tessera_tov", "00456"}, {"anno_tov", "1985"}, {"anno_nascita", "1960"},
    {"qualifica", "O"}, {"livello", "OR"}, {"segreteria", "SI"}, {"krt_mare", "NO"}, {"recapito", "06 1234567"},
    {"spec_associazione", "PONTI RADIO"}, {"spec_professionale", "MEDICO"}, {"patente", "B"},
    {"patente_rilasciata_da", "MCTC ROMA"}, {"patente_data", "01/02/1980"}, {"patente_scadenza", "01/02/2030"},
    {"passaporto", "SI"}, {"passaporto_rilasciato_da", "QUESTURA ROMA"}, {"passaporto_data", "03/04/2015"},
    {"passaporto_scadenza", "03/04/2025"}, {"ditta", "ACME SPA"}, {"ditta_via", "VIA TUSCOLANA 5"},
    {"ditta_cap", "00181"}, {"ditta_citta", "ROMA"}, {"ditta_provincia", "RM"}, {"ditta_recapito", "06 7654321"},
    {"disp_1g", "P"}, {"ore_1g", "2"}, {"disp_3g", "R"}, {"ore_3g", "6"}, {"disp_3g_fuori", "P"},
    {"ore_3g_fuori", "12"}, {"disp_1s_fuori", "R"}, {"ore_1s_fuori", "24"}, {"ore_2s_fuori", "NO"},
    {"veicolare_27", "1"}, {"palmare_27", "2"}, {"veicolare_43", "3"}, {"palmare_43", "4"}, {"veicolare_vhf", "5"},
    {"palmare_vhf", "6"}, {"altro_1", "YAESU FT-817"}, {"altro_2", "ICOM IC-706"}, {"attrezzature", "GENERATORE"},
    {"packet", "SI"}, {"packet_incluso", "NO"}, {"stazione_campale", "SI"}, {"giorni_corso", "10"},
    {"autovettura", "SI"}, {"targa", "AB123CD"}, {"gancio", "NO"}, {"posti_letto", "4"}, {"targa_camper", "CD456EF"},
    {"note_provinciale", "OTTIMO"}, {"note_nazionale", "NESSUNA"}});
// clang-format on

class ProfileTest : public AppTest {
 protected:
  // Prints the sheet from the editor and returns the recorded calls.
  const Names& print() {
    const std::size_t before = ui.printed.size();
    win("Form4").click("cmdstampa");
    EXPECT_EQ(ui.printed.size(), before + 1);
    return ui.printed.back().calls;
  }
  static Names starting(const Names& calls, const std::string& prefix) {
    Names out;
    for (const auto& c : calls)
      if (c.rfind(prefix, 0) == 0) out.push_back(c.substr(prefix.size()));
    return out;
  }
  // The text of the one line printed at that position.
  static std::string lineAt(const Names& calls, int x, int y) {
    const Names found = starting(calls, "text " + std::to_string(x) + " " + std::to_string(y) + " ");
    EXPECT_EQ(found.size(), 1u) << x << " " << y;
    return found.empty() ? std::string() : found[0];
  }
};

// A full record prints every line in its place; the all-blank record the
// same frames with the collaborator and region wordings and blank fields.
TEST_F(ProfileTest, FullAndBlankRecordsPrintOnTheSameGrid) {
  openArchive(crlf({kFull}));
  main().pick("List1", 0);
  win("Form4").type("Text5", "777");    // typed, not registered: printed as typed
  win("Form4").type("Text1", "VERDI");  // not taken into the record by "Stampa"
  const auto& calls = print();
  ASSERT_GE(calls.size(), 62u);
  EXPECT_EQ(Names(calls.begin(), calls.begin() + 6),
            (Names{"size 10", "bold on", "font courier new", "linewidth 3", "text 0 0 ", "text 0 226 "}));
  EXPECT_EQ(calls.back(), "end");
  const Names rects = starting(calls, "rect "), texts = starting(calls, "text ");
  // The lines below the heading, one every 300 twips from y 1060, all at x 470.
  // clang-format off
  const Names expected{
      "Nome " + F("MARIO", 25) + "             Cognome " + F("ROSSI", 25),
      "OPERATORE RADIO specializz. in " + F("PONTI RADIO", 30) + "Livello OR ",
      "Nome associazione " + F("RADIO CLUB ROMA", 40), "Struttura provinciale di " + F("ROMA", 20),
      "Iscr. TOV dal 1985   Iscr. KRT dal 1990   Anno di nascita 1960 Segreteria SI",
      "Iscr. KRT Mare  NO   Recapito urgenze " + F("06 1234567", 35),
      "Domicilio del volontario", F("VIA APPIA 10", 40),
      "CAP   00100          Citt\xE0 " + F("ROMA", 40) + "Provincia RM  ",
      "Passaporto", "Ril. da " + F("QUESTURA ROMA", 30) + "       il  03/04/2015    scade il 03/04/2025",
      "Patente di guida", "Cat. B   Ril. da " + F("MCTC ROMA", 30) + "il  01/02/1980  Scade il 01/02/2030",
      "Indirizzo del datore di lavoro ai fini D.P.R. 194/01.",
      "Ditta " + F("ACME SPA", 35) + " Recapito urgenze " + F("06 7654321", 35), F("VIA TUSCOLANA 5", 40),
      "CAP   00181          Citt\xE0 " + F("ROMA", 40) + "Provincia RM  ",
      "Reale disponibilit\xE0 di assentarsi dal posto di lavoro e tempo per essere pronto.",
      "Un giorno nella propria  PROVINCIA   ore  2 ", "Tre giorni nella propria REGIONE     ore  6 ",
      "Tre giorni fuori         PROVINCIA   ore  12", "Una settimana fuori      REGIONE     ore  24",
      "Due o pi\xF9 settimane fuori REGIONE   ore  NO", "Attrezzature di propriet\xE0 del volontario e numero apparati.",
      "Veicolare 27 MHz  N. 1    Veicolare VHF/UHF N. 5   Altro " + F("YAESU FT-817", 14),
      "Palmare   27 MHz  N. 2    Palmare   VHF/UHF N. 6         " + F("ICOM IC-706", 14),
      "Veicolare 43 MHz  N. 3    Palmare   43 MHz  N. 4 ", "Packet radio incluso PC alimentato      SI",
      "Packet radio l'attrezzatura figura fra quelle sopra indicate? NO",
      "Con la propria attrezzatura pu\xF2 installare una stazione campale? SI",
      "Ulteriori attrezzature di propriet\xE0 del volontario utili in emergenza. ", F("GENERATORE", 40),
      "Autovettura SI        Gancio Autonomia di ricovero notturno",
      "Targa AB123CD           NO   totale posti 4    Se camper - targa CD456EF ",
      "Corsi di formazione di P.C. a cui a partecipato per numero giorni 10",
      "Eventuali note del Presidente Provinciale T.O.V.-N.Z.", F("OTTIMO", 40),
      "Eventuali note della T.O.V.-N.Z. nazionale", F("NESSUNA", 40)};
  // clang-format on
  ASSERT_EQ(texts.size(), 43u);
  EXPECT_EQ(texts[2], "460 460            PROFILO DEL VOLONTARIO K.R.T.          Tessera K.R.T. N Tessera T.O.V. N");
  EXPECT_EQ(texts[3], "6460 686      777            00456");
  for (std::size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(texts[i + 4], "470 " + std::to_string(1060 + 300 * i) + " " + expected[i]);

  main().click("mnins");  // the record stays; now make it all blanks
  m->record.clear();
  const auto& blank = print();
  EXPECT_EQ((std::tuple{starting(blank, "rect "), starting(blank, "text ").size()}), (std::tuple{rects, 43u}));
  EXPECT_EQ(lineAt(blank, 6460, 686), std::string(17, ' '));
  EXPECT_EQ(lineAt(blank, 470, 1360), "COLLABORATORE  specializz. in " + F("", 30) + "Livello    ");
  EXPECT_EQ(lineAt(blank, 470, 6460), "Un giorno nella propria  REGIONE     ore    ");
  m->record.qualifica = "C";  // only "O" is an operator
  EXPECT_EQ(lineAt(print(), 470, 1360), "COLLABORATORE  specializz. in " + F("", 30) + "Livello    ");

  // The frames from the top left corner down to the last row.
  ASSERT_EQ(rects.size(), 56u);
  EXPECT_EQ(rects.front() + ", " + rects.back(), "450 450 6000 600, 450 12150 10000 600");
  EXPECT_TRUE(std::ranges::count(rects, "1450 4650 4000 300") && std::ranges::count(rects, "3950 10650 6500 600"));

  m->record.ditta = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789LUNGHISSIMA SRL";
  m->record.ditta_recapito = "06 1";
  EXPECT_EQ(lineAt(print(), 470, 5260), "Ditta ABCDEFGHIJKLMNOPQRSTUVWXYZ012345678 Recapito urgenze " + F("06 1", 35));
}

// No printer, or a printer that fails: the sheet is offered as a PDF.
TEST_F(ProfileTest, WithoutAPrinterTheSheetCanGoToAPdf) {
  main().click("mnins");
  const auto stampa = [&](ui::Answer answer, const char* pdf) {
    ui.answer(answer);
    if (pdf) ui.chooseFile(path(pdf));
    win("Form4").click("cmdstampa");
  };
  ui.setPrinterInstalled(false);
  stampa(ui::Answer::No, nullptr);
  stampa(ui::Answer::Dismissed, nullptr);  // the offer closed by Escape or its frame
  EXPECT_TRUE(ui.printed.empty());
  stampa(ui::Answer::Yes, "profilo.pdf");
  ui.setPrinterInstalled(true);
  ui.setPrintFails(true);
  stampa(ui::Answer::Yes, "profilo2.pdf");
  EXPECT_EQ(ui.messages.at(0).buttons, ui::Buttons::YesNo);
  const std::string offer = "\nVuoi salvare la stampa in un file PDF?";
  const std::string none = "Non \xE8 installata nessuna stampante." + offer;
  EXPECT_EQ(ui.takeMessages(), (Names{none, none, none, "La stampa non \xE8 riuscita: La stampante non risponde." + offer}));
  Names printed;  // each document: the PDF it went to, if any, and whether it was finished
  for (const auto& d : ui.printed) printed.push_back(d.pdfPath + (d.ended ? " ended" : " dropped"));
  EXPECT_EQ(printed, (Names{path("profilo.pdf") + " ended", " dropped", path("profilo2.pdf") + " ended"}));
  EXPECT_TRUE(ui.scriptsUsed());
}

}  // namespace
}  // namespace krt::test
