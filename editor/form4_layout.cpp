// The editor's window: the identity area, the tab control with the pages
// "Anagrafe" and "Disponibilità", and the row of buttons. Positions are
// twips; on the tab pages they are relative to the page.
#include <string>
#include <vector>

#include "editor/form4.h"

namespace krt {
namespace {

using ui::ControlDesc;
using ui::Kind;

const ui::Font kBoldFont{"MS Sans Serif", 8.25, true};
const ui::Font kRegularFont{"MS Sans Serif", 8.25, false};

constexpr int kLabelHeight = 285;
constexpr int kBoxHeight = 285;
constexpr int kComboHeight = 315;
constexpr int kGap = 60;  // between a label and its box

std::string blanks(std::size_t n) { return std::string(n, ' '); }

// Appends the controls of one area of the window.
class Builder {
 public:
  explicit Builder(std::vector<ControlDesc>& out) : out_(out) {}

  // The area the next controls go in: "" the window, "SSTab1/0" a page.
  void area(std::string container) { container_ = std::move(container); }

  // A heading: default colours, regular font.
  void heading(std::string name, std::string caption, int x, int y, int width) {
    ControlDesc c = base(Kind::Label, std::move(name), x, y, width, kLabelHeight);
    c.caption = std::move(caption);
    c.font = kRegularFont;
    out_.push_back(std::move(c));
  }

  // A field label: white bold text on blue.
  void label(std::string name, std::string caption, int x, int y, int width) {
    ControlDesc c = base(Kind::Label, std::move(name), x, y, width, kLabelHeight);
    c.caption = std::move(caption);
    c.font = kBoldFont;
    c.foreColor = ui::kWhite;
    c.backColor = ui::kBlue;
    out_.push_back(std::move(c));
  }

  // A text box or choice; a screen reader names it by its label's caption,
  // or by `accessibleName` when it has no label of its own.
  void textBox(std::string name, std::string hint, int x, int y, int width, int maxLength = 0,
               std::string labelledBy = {}, std::string accessibleName = {}) {
    ControlDesc c = base(Kind::TextBox, std::move(name), x, y, width, kBoxHeight);
    c.hint = std::move(hint);
    c.maxLength = maxLength;
    c.font = kRegularFont;
    c.labelledBy = std::move(labelledBy);
    c.accessibleName = std::move(accessibleName);
    out_.push_back(std::move(c));
  }

  void comboBox(std::string name, std::string hint, int x, int y, int width, std::string labelledBy = {}) {
    ControlDesc c = base(Kind::ComboBox, std::move(name), x, y, width, kComboHeight);
    c.hint = std::move(hint);
    c.font = kRegularFont;
    c.labelledBy = std::move(labelledBy);
    out_.push_back(std::move(c));
  }

  // A label with its text box to the right of it.
  void text(std::string label, std::string caption, std::string box, std::string hint, int x, int y, int labelWidth,
            int boxWidth, int maxLength = 0) {
    this->label(label, std::move(caption), x, y, labelWidth);
    textBox(std::move(box), std::move(hint), x + labelWidth + kGap, y, boxWidth, maxLength, std::move(label));
  }

  // A label with its choice to the right of it.
  void choice(std::string label, std::string caption, std::string box, std::string hint, int x, int y, int labelWidth,
              int boxWidth) {
    this->label(label, std::move(caption), x, y, labelWidth);
    comboBox(std::move(box), std::move(hint), x + labelWidth + kGap, y, boxWidth, std::move(label));
  }

  void line(std::string name, int x1, int y1, int x2, int y2) {
    out_.push_back(base(Kind::Line, std::move(name), x1, y1, x2 - x1, y2 - y1));
  }

  void button(std::string name, std::string caption, std::string hint, int x, int y) {
    ControlDesc c = base(Kind::Button, std::move(name), x, y, 1440, 495);
    c.caption = std::move(caption);
    c.hint = std::move(hint);
    c.font = kRegularFont;
    out_.push_back(std::move(c));
  }

  void tabControl(std::string name, std::string pages, int x, int y, int width, int height) {
    ControlDesc c = base(Kind::TabControl, std::move(name), x, y, width, height);
    c.caption = std::move(pages);
    c.font = kRegularFont;
    out_.push_back(std::move(c));
  }

 private:
  ControlDesc base(Kind kind, std::string name, int x, int y, int width, int height) const {
    ControlDesc c;
    c.kind = kind;
    c.name = std::move(name);
    c.left = x;
    c.top = y;
    c.width = width;
    c.height = height;
    c.container = container_;
    return c;
  }

  std::vector<ControlDesc>& out_;
  std::string container_;
};

const std::string kAvailabilityHint = "Scegliere la disponibilit\xE0 in provincia o regione.";
const std::string kHoursHint =
    "Ore necessarie per la partenza dal proprio domicilio dal momento dell'attivazione oppure \"NO\".";
const std::string kIssuerHint = "Inserire l'ente che ha rilasciato il documento.";
const std::string kOtherSetHint = "Descrizione di eventuale altro apparato posseduto dal volontario.";

void identityArea(Builder& b) {
  b.area("");
  b.heading("Label49", "PROFILO DEL VOLONTARIO K.R.T" + blanks(3), 2280, 120, 4200);
  b.text("Label5", " N. K.R.T.", "Text5", "Inserire il numero KRT del volontario.", 6600, 120, 1020, 840);
  b.text("Label50", "  N. T.O.V", "Text50", "Inserire il numero TOV del volontario.", 8760, 120, 1020, 840);

  b.text("Label1", blanks(28) + "Cognome", "Text1", "Inserire il cognome del volontario.", 120, 660, 2280, 2400);
  b.text("Label2", blanks(31) + "Nome", "Text2", "Inserire il nome del volontario.", 4920, 660, 2280, 2340);
  b.choice("Label8", " Oper./Coll.", "Combo1", "Scegliere fra 'O'peratore o 'C'ollaboratore.", 9720, 660, 1140, 840);

  b.text("Label13", "Specializ. in ass.", "Text10",
         "Inserire la specializzazione in associazione o conoscenza acquisita del volontario.", 120, 1200, 1620, 3000);
  b.text("Label6", "Specializ. profess.", "Text3",
         "Inserire l'esperienza professionale o conoscenza acquisita del volontario.", 4920, 1200, 1620, 3000);
  b.choice("Label7", " Livello", "cbliv",
           "Scegliere il livello di preparazione: COM, COC, OR=operatore radio,COL=collaboratore. ", 9720, 1200, 1140,
           840);

  b.choice("Label4", "  Associazione", "Combo3", "Scegliere o digitare il nome dell'associazione.", 120, 1740, 1620,
           5400);
  b.choice("Label3", "  Provincia", "Combo2", "Scegliere la provincia o digitare la sezione", 120, 2280, 1620, 3300);
}

// A row of a residence or employer address: postcode, town, province.
void addressRow(Builder& b, const char* labels[3], const char* boxes[3], const char* hints[3], int y) {
  b.text(labels[0], "  CAP", boxes[0], hints[0], 120, y, 1260, 720);
  b.text(labels[1], " Citt\xE0", boxes[1], hints[1], 2340, y, 720, 4260);
  b.text(labels[2], "Prov.", boxes[2], hints[2], 7500, y, 600, 600);
}

// A row of a document: kind, issuer, issue date, expiry.
void documentRow(Builder& b, const char* labels[4], const char* captions[4], const char* boxes[4],
                 const std::string& choiceHint, int y) {
  b.choice(labels[0], captions[0], boxes[0], choiceHint, 120, y, 1260, 720);
  b.text(labels[1], captions[1], boxes[1], kIssuerHint, 2340, y, 1260, 3420);
  b.text(labels[2], " il", boxes[2], "Data di rilascio.", 7200, y, 360, 1200);
  b.text(labels[3], "Scade il:", boxes[3], "Data di scadenza.", 8940, y, 900, 1200);
}

void registryPage(Builder& b) {
  b.area("SSTab1/0");
  b.text("Label52", "Iscr. TOV dal", "Text52", "Inserire l'anno di prima iscrizione al TOV.", 120, 120, 1260, 600, 4);
  b.text("Label10", "Iscr. KRT dal", "Text9", "Inserire l'anno di prima iscrizione al KRT.", 2220, 120, 1260, 600, 4);
  b.text("Label60", "Anno di nascita", "Text60", "Inserire l'anno di nascita del volontario.", 4320, 120, 1500, 600);
  b.choice("Label9", "Segreteria", "cbseg", "Esperienza nella gestione di una segreteria di campo (SI/NO)", 6600, 120,
           1080, 720);

  b.choice("Label53", "KRT mare", "Cbmare", "Aderisce al KRT Mare (SI/NO).", 120, 540, 1260, 720);
  b.text("Label48", " Recapito urgenze", "recvol", "Recapito del volontario per urgenze (Tel, Fax, e-mail).", 2340, 540,
         1680, 4320);

  b.text("Label15", " Via o Piazza", "Text12", "Via di residenza del volontario.", 120, 960, 1260, 6960);
  const char* homeLabels[3] = {"Label16", "Label17", "Label18"};
  const char* homeBoxes[3] = {"Text13", "Text14", "Text15"};
  const char* homeHints[3] = {"CAP di residenza del volontario.", "Comune di residenza del volontario.",
                              "Provincia di residenza del volontario."};
  addressRow(b, homeLabels, homeBoxes, homeHints, 1380);

  const char* passportLabels[4] = {"Label14", "Label54", "Label55", "Label56"};
  const char* passportCaptions[4] = {"Passap.", " rilasciato da", " il", "Scade il:"};
  const char* passportBoxes[4] = {"Combo9", "Text54", "Text55", "Text56"};
  documentRow(b, passportLabels, passportCaptions, passportBoxes,
              "Scegliere se il volontario \xE8 in possesso di un passaporto (SI/NO).", 1800);
  const char* licenceLabels[4] = {"Label19", "Label57", "Label58", "Label59"};
  const char* licenceCaptions[4] = {"Patente", " rilasciata da", " il", "Scade il:"};
  const char* licenceBoxes[4] = {"Combo4", "Text57", "Text58", "Text59"};
  documentRow(b, licenceLabels, licenceCaptions, licenceBoxes, "Scegliere il tipo di patente automobilistica.", 2220);

  b.text("Label21", "Datore di lavoro (ai fini DPR)", "Text16",
         "Nominativo del datore di lavoro del volontario o \"LAVORATORE AUTONOMO\" o \"DISOCCUPATO\".", 120, 2640, 2520,
         4380);
  b.text("Label11", "Recapito", "reclav", "Recapito del datore di lavoro per urgenze (telefono, fax, ecc..)", 7200,
         2640, 900, 3420);
  b.text("Label22", " Via o Piazza", "Text17", "Via del datore di lavoro del volontario.", 120, 3060, 1260, 6960);
  const char* workLabels[3] = {"Label23", "Label24", "Label25"};
  const char* workBoxes[3] = {"Text18", "Text19", "Text20"};
  const char* workHints[3] = {"CAP del datore di lavoro del volontario.", "Comune del datore di lavoro del volontario.",
                              "Provincia del datore di lavoro del volontario."};
  addressRow(b, workLabels, workBoxes, workHints, 3480);
}

// The framed group of availability (left) and the framed group of equipment
// (right): two rectangles side by side sharing their middle side, which is
// both Line4 (the left group's right side) and Line8 (the right group's left
// side).
void availabilityGroups(Builder& b) {
  constexpr int kLeft = 60, kMiddle = 4380, kRight = 11640, kTop = 60, kBottom = 2400;
  b.line("Line1", kLeft, kTop, kMiddle, kTop);
  b.line("Line2", kLeft, kTop, kLeft, kBottom);
  b.line("Line3", kLeft, kBottom, kMiddle, kBottom);
  b.line("Line4", kMiddle, kTop, kMiddle, kBottom);
  b.line("Line5", kMiddle, kTop, kRight, kTop);
  b.line("Line6", kRight, kTop, kRight, kBottom);
  b.line("Line7", kMiddle, kBottom, kRight, kBottom);
  b.line("Line8", kMiddle, kTop, kMiddle, kBottom);

  b.heading("Label31", blanks(32) + "DISPONIBILITA'", 120, 120, 4200);
  struct Row {
    const char *label, *caption, *choice, *hours, *hoursName;
  };
  const Row rows[] = {
      {"Label26", "Un giorno nella propria ", "Combo5", "Text21", "Ore per un giorno"},
      {"Label27", "Tre giorni nella propria ", "Combo6", "Text22", "Ore per tre giorni"},
      {"Label28", "Tre giorni fuori ", "Combo7", "Text23", "Ore per tre giorni fuori"},
      {"Label29", "Una settimana fuori  ", "Combo8", "Text24", "Ore per una settimana fuori"},
  };
  int y = 480;
  for (const Row& row : rows) {
    b.choice(row.label, row.caption, row.choice, kAvailabilityHint, 120, y, 2340, 1260);
    // The row's label names the choice; the hours box has a name of its own.
    b.textBox(row.hours, kHoursHint, 3840, y, 420, 0, {}, row.hoursName);
    y += 390;
  }
  b.text("Label30", "Due o pi\xF9 settimane fuori dalla regione ", "Text25", kHoursHint, 120, y, 3660, 420);

  b.heading("Label45", blanks(43) + "Attrezzature di propriet\xE0 del volontario", 4440, 120, 7140);
  struct Pair {
    const char *label, *caption, *box, *hint;
    int boxWidth;
  };
  const Pair columns[3][4] = {
      {{"Label32", "Veicolare 27 MHz", "Text26", "Numero di apparati veicolari 27 MHz posseduti dal volontario.", 360},
       {"Label33", "Palmare   27 MHz", "Text27", "Numero di apparati portatili 27 MHz posseduti dal volontario.", 360},
       {"Label34", "Veicolare 43 MHz", "Text28", "Numero di apparati veicolari 43 MHz posseduti dal volontario.", 360},
       {"Label35", "Palmare   43 MHz", "Text29", "Numero di apparati portatili 43 MHz posseduti dal volontario.", 360}},
      {{"Label36", "Veicolare VHF/UHF", "Text30", "Numero di apparati veicolari VHF/UHF posseduti dal volontario.",
        360},
       {"Label37", "Palmare   VHF/UHF", "Text31", "Numero di apparati portatili VHF/UHF posseduti dal volontario.",
        360},
       {"Label38", "Altro", "Text32", kOtherSetHint.c_str(), 1200},
       {"Label39", "Altro", "Text33", kOtherSetHint.c_str(), 1200}},
      {{"Label41", "Packet radio 1", "Text35",
        "Packet radio incluso PC auto alimentato con inverter 12/120 V e batterie tampone o portatile (SI o NO)", 360},
       {"Label63", "Packet radio 1", "Text63",
        "Packet radio l'attrezzatura della radio figura tra quella sopra indicata? (SI o NO)", 360},
       {"Label40", "Stazione campale", "Text34",
        "Con la propria attrezzatura radio pu\xF2 installare una stazione campale completa, inclusa batteria "
        "tampone? (SI o NO).",
        360},
       {"Label46", "Corsi di form.", "Text39", "Totale dei giorni di formazione frequentati dal volontario.", 360}},
  };
  const int columnLeft[3] = {4440, 6600, 9600};
  const int labelWidth[3] = {1680, 1680, 1560};
  for (int col = 0; col < 3; ++col) {
    int rowY = 480;
    for (const Pair& p : columns[col]) {
      b.text(p.label, p.caption, p.box, p.hint, columnLeft[col], rowY, labelWidth[col], p.boxWidth);
      rowY += 390;
    }
  }
}

void availabilityPage(Builder& b) {
  b.area("SSTab1/1");
  availabilityGroups(b);
  b.text("Label64", "Altre attrezzature", "Text64", "", 120, 2520, 1620, 9840);
  b.text("Label43", "Autovettura", "Text37",
         "Il volontario \xE8 in possesso di un automezzo disponibile alle attivit\xE0 di PC? (SI o NO).", 120, 2910,
         1200, 420);
  b.text("Label47", "Targa", "Text47", "Inserire il numero di targa dell'automezzo.", 1920, 2910, 660, 1020);
  b.text("Label42", "Gancio traino", "Text36", "Il volontario \xE8 in possesso di un gancio di traino? (SI o NO).",
         3780, 2910, 1320, 420);
  b.text("Label44", "Posti letto disponib.", "Text38",
         "Autonomia di ricovero notturno: tenda, roulotte, camper per un numero totale di posti?", 5700, 2910, 1860,
         420);
  b.text("Label65", "Se camper targa:", "Text65",
         "Se i posti letto sono riferiti ad un camper inserire il numero di targa del camper.", 8160, 2910, 1560, 1020);
  b.text("Label66", "Note del provinciale", "Text66", "Inserire eventuali note del presidente provinciale.", 120, 3300,
         1800, 5400, 40);
  b.text("Label67", "Note del nazionale", "Text67", "Eventuali note della TOV-NZ nazionale.", 120, 3690, 1800, 5400,
         40);
}

void buttonRow(Builder& b) {
  b.area("");
  constexpr int y = 7860;
  b.button("cmdstampa", "Stampa", "", 1140, y);
  b.button("elimina", "Elimina", "Cliccare per eliminare il volontario.", 3180, y);
  b.button("modifica", "Modifica", "Cliccare per modificare i dati del volontario.", 5220, y);
  b.button("Command2", "Registra", "Cliccare per inserire il volontario.", 7260, y);
  b.button("Command1", "Esci", "Cliccare per uscire senza aggiornare i dati del volontario.", 9300, y);
}

}  // namespace

const ui::WindowDesc& form4Desc() {
  static const ui::WindowDesc desc = [] {
    ui::WindowDesc s{"Form4", "Form4", 11880, 8595};
    s.font = kBoldFont;
    Builder b(s.controls);
    identityArea(b);
    b.tabControl("SSTab1", "Anagrafe|Disponibilit\xE0", 0, 3120, 11775, 4575);
    registryPage(b);
    availabilityPage(b);
    buttonRow(b);
    return s;
  }();
  return desc;
}

}  // namespace krt
