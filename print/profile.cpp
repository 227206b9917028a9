#include "print/profile.h"

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "editor/form4.h"
#include "mainwin/modulo1.h"
#include "print/printing.h"

namespace krt {
namespace {

// One row of the grid: its top and height, and the left edge and width of
// each frame from left to right.
struct FrameRow {
  int top, height;
  std::vector<std::pair<int, int>> frames;
};

const std::vector<FrameRow>& profileGrid() {
  static const std::vector<FrameRow> grid = [] {
    std::vector<FrameRow> rows{
        {450, 600, {{450, 6000}, {6450, 2000}, {8450, 2000}}},
        {1050, 300, {{450, 5000}, {5450, 5000}}},
        {1350, 300, {{450, 7000}, {7450, 3000}}},
        {1650, 300, {{450, 10000}}},
        {1950, 300, {{450, 10000}}},
        {2250, 300, {{450, 2500}, {2950, 2500}, {5450, 2500}, {7950, 2500}}},
        {2550, 300, {{450, 2500}, {2950, 7500}}},
        {3150, 300, {{450, 10000}}},
        {3450, 300, {{450, 2500}, {2950, 5000}, {7950, 2500}}},
        {4050, 300, {{450, 5000}, {5450, 2500}, {7950, 2500}}},
        {4650, 300, {{450, 1000}, {1450, 4000}, {5450, 2500}, {7950, 2500}}},
        {5250, 300, {{450, 5000}, {5450, 5000}}},
        {5550, 300, {{450, 10000}}},
        {5850, 300, {{450, 2500}, {2950, 5000}, {7950, 2500}}},
    };
    for (int top : {6450, 6750, 7050, 7350, 7650}) rows.push_back({top, 300, {{450, 10000}}});
    for (int top : {8250, 8550, 8850}) rows.push_back({top, 300, {{450, 3000}, {3450, 3000}, {6450, 4000}}});
    for (int top : {9150, 9450, 9750}) rows.push_back({top, 300, {{450, 10000}}});
    rows.push_back({10050, 600, {{450, 10000}}});
    rows.push_back({10650, 600, {{450, 2500}, {2950, 1000}, {3950, 6500}}});
    rows.push_back({11250, 300, {{450, 10000}}});
    rows.push_back({11550, 600, {{450, 10000}}});
    rows.push_back({12150, 600, {{450, 10000}}});
    return rows;
  }();
  return grid;
}

std::string cat(std::initializer_list<std::string_view> parts) {
  std::string out;
  for (const auto part : parts) out.append(part);
  return out;
}

// The wording of an availability line: the own province for "P", the
// region for any other code.
std::string_view area(std::string_view code, std::string_view province, std::string_view region) {
  return code == "P" ? province : region;
}

class ProfileSheet {
 public:
  ProfileSheet(ui::Printer& printer, const VolunteerRecord& r) : p_(printer), r_(r) {}

  void print(std::string_view krtCard, std::string_view tovCard) {
    p_.setFontSize(10);
    p_.setFontBold(true);
    p_.setFontName("courier new");
    p_.setLineWidth(3);
    // Two empty lines open the page; everything after is placed absolutely.
    p_.printLine("");
    p_.printLine("");
    for (const FrameRow& row : profileGrid()) {
      for (const auto& [left, width] : row.frames) p_.drawRect(left, row.top, width, row.height);
    }
    identity(krtCard, tovCard);
    homeAndDocuments();
    employer();
    availability();
    equipment();
    p_.endDoc();
  }

 private:
  void at(int x, int y, const std::string& text) {
    p_.setCurrentX(x);
    p_.setCurrentY(y);
    p_.printLine(text);
  }

  void identity(std::string_view krtCard, std::string_view tovCard) {
    at(460, 460, "           PROFILO DEL VOLONTARIO K.R.T.          Tessera K.R.T. N Tessera T.O.V. N");
    // The card numbers go on the line below the title, under their headings.
    p_.setCurrentX(6460);
    p_.printLine(cat({"     ", krtCard, "            ", tovCard}));
    at(470, 1060, cat({"Nome ", r_.nome, "             Cognome ", r_.cognome}));
    at(470, 1360,
       cat({r_.qualifica == "O" ? "OPERATORE RADIO specializz. in " : "COLLABORATORE  specializz. in ",
            r_.spec_associazione, "Livello ", r_.livello}));
    at(470, 1660, cat({"Nome associazione ", r_.associazione}));
    at(470, 1960, cat({"Struttura provinciale di ", r_.provincia}));
    at(470, 2260,
       cat({"Iscr. TOV dal ", r_.anno_tov, "   Iscr. KRT dal ", r_.anno_krt, "   Anno di nascita ", r_.anno_nascita,
            " Segreteria ", r_.segreteria}));
    at(470, 2560, cat({"Iscr. KRT Mare  ", r_.krt_mare, "   Recapito urgenze ", r_.recapito}));
  }

  void homeAndDocuments() {
    at(470, 2860, "Domicilio del volontario");
    at(470, 3160, std::string(r_.via.view()));
    at(470, 3460, cat({"CAP   ", r_.cap, "          Citt\xE0 ", r_.citta, "Provincia ", r_.prov_residenza}));
    at(470, 3760, "Passaporto");
    at(470, 4060,
       cat({"Ril. da ", r_.passaporto_rilasciato_da, "       il  ", r_.passaporto_data, "    scade il ",
            r_.passaporto_scadenza}));
    at(470, 4360, "Patente di guida");
    at(470, 4660,
       cat({"Cat. ", r_.patente, "  Ril. da ", r_.patente_rilasciata_da, "il  ", r_.patente_data, "  Scade il ",
            r_.patente_scadenza}));
  }

  void employer() {
    at(470, 4960, "Indirizzo del datore di lavoro ai fini D.P.R. 194/01.");
    at(470, 5260, cat({"Ditta ", r_.ditta.view().substr(0, 35), " Recapito urgenze ", r_.ditta_recapito}));
    at(470, 5560, std::string(r_.ditta_via.view()));
    at(470, 5860,
       cat({"CAP   ", r_.ditta_cap, "          Citt\xE0 ", r_.ditta_citta, "Provincia ", r_.ditta_provincia}));
  }

  void availability() {
    at(470, 6160, "Reale disponibilit\xE0 di assentarsi dal posto di lavoro e tempo per essere pronto.");
    at(470, 6460,
       cat({area(r_.disp_1g, "Un giorno nella propria  PROVINCIA", "Un giorno nella propria  REGIONE  "), "   ore  ",
            r_.ore_1g}));
    at(470, 6760,
       cat({area(r_.disp_3g, "Tre giorni nella propria PROVINCIA", "Tre giorni nella propria REGIONE  "), "   ore  ",
            r_.ore_3g}));
    at(470, 7060,
       cat({area(r_.disp_3g_fuori, "Tre giorni fuori         PROVINCIA", "Tre giorni fuori         REGIONE  "),
            "   ore  ", r_.ore_3g_fuori}));
    at(470, 7360,
       cat({area(r_.disp_1s_fuori, "Una settimana fuori      PROVINCIA", "Una settimana fuori      REGIONE  "),
            "   ore  ", r_.ore_1s_fuori}));
    at(470, 7660, cat({"Due o pi\xF9 settimane fuori REGIONE", "   ore  ", r_.ore_2s_fuori}));
  }

  void equipment() {
    at(470, 7960, "Attrezzature di propriet\xE0 del volontario e numero apparati.");
    at(470, 8260,
       cat({"Veicolare 27 MHz  N. ", r_.veicolare_27, "   Veicolare VHF/UHF N. ", r_.veicolare_vhf, "  Altro ",
            r_.altro_1}));
    at(470, 8560,
       cat({"Palmare   27 MHz  N. ", r_.palmare_27, "   Palmare   VHF/UHF N. ", r_.palmare_vhf, "        ",
            r_.altro_2}));
    at(470, 8860, cat({"Veicolare 43 MHz  N. ", r_.veicolare_43, "   Palmare   43 MHz  N. ", r_.palmare_43}));
    at(470, 9160, cat({"Packet radio incluso PC alimentato      ", r_.packet}));
    at(470, 9460, cat({"Packet radio l'attrezzatura figura fra quelle sopra indicate? ", r_.packet_incluso}));
    at(470, 9760, cat({"Con la propria attrezzatura pu\xF2 installare una stazione campale? ", r_.stazione_campale}));
    at(470, 10060, "Ulteriori attrezzature di propriet\xE0 del volontario utili in emergenza. ");
    at(470, 10360, std::string(r_.attrezzature.view()));
    // Car and plate, tow hook, night shelter: headings on one line, values
    // under them on the next.
    at(470, 10660, cat({"Autovettura ", r_.autovettura, "        Gancio ", "Autonomia di ricovero notturno"}));
    at(470, 10960,
       cat({"Targa ", r_.targa, "          ", r_.gancio, "   totale posti ", r_.posti_letto, "   Se camper - targa ",
            r_.targa_camper}));
    at(470, 11260, cat({"Corsi di formazione di P.C. a cui a partecipato per numero giorni ", r_.giorni_corso}));
    at(470, 11560, "Eventuali note del Presidente Provinciale T.O.V.-N.Z.");
    at(470, 11860, std::string(r_.note_provinciale.view()));
    at(470, 12160, "Eventuali note della T.O.V.-N.Z. nazionale");
    at(470, 12460, std::string(r_.note_nazionale.view()));
  }

  ui::Printer& p_;
  const VolunteerRecord& r_;
};

}  // namespace

void stampa_profilo(Modulo1& m) {
  const std::string krtCard = m.form4().control("Text5").text();
  const std::string tovCard = m.form4().control("Text50").text();
  printDocument(m, [&](ui::Printer& printer) { ProfileSheet(printer, m.record).print(krtCard, tovCard); });
}

}  // namespace krt
