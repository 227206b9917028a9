// The volunteer editor on the headless platform: its window, how it fills
// itself, the guards on province and association, and what "Registra",
// "Modifica", "Elimina" and "Esci" do to the work copy.
#include <array>
#include <filesystem>
#include <map>
#include <set>

#include "editor/field_map.h"
#include "editor/form4.h"
#include "records/file_io.h"
#include "support.h"

namespace krt::test {
namespace {

using headless::HeadlessWindow;
using ui::Answer;
using Names = std::vector<std::string>;

const std::string kRoma = fixedWidth("ROMA", 20) + "RM  ";
const std::string kMilano = fixedWidth("MILANO", 20) + "MI  ";
const std::string kRadioClubRoma = fixedWidth("RADIO CLUB ROMA", 40);
const std::string kRadioClubRomaItem = kRadioClubRoma + "RM  ";
const std::string kRadioMilanoItem = fixedWidth("RADIO MILANO", 40) + "MI  ";

const char* kNoSuchVolunteer = "Nessun volontario in archivio con questa associazione, cognome e nome";

// A volunteer of the association RADIO CLUB ROMA with a few more fields.
std::string member(const char* provincia, const char* cognome, const char* nome,
                   std::initializer_list<std::pair<const char*, std::string>> more = {}) {
  VolunteerRecord r;
  r.fromLine(line({{"provincia", provincia},
                   {"associazione", "RADIO CLUB ROMA"},
                   {"cognome", cognome},
                   {"nome", nome},
                   {"prov_residenza", "RM"}}));
  for (const auto& [name, value] : more) setField(r, *findField(name), value);
  return r.toLine();
}

VolunteerRecord parse(const std::string& l) {
  VolunteerRecord r;
  r.fromLine(l);
  return r;
}

// Restores the file layer after a test that makes it fail.
struct FaultGuard {
  explicit FaultGuard(io::FaultHook hook) { io::setFaultHook(std::move(hook)); }
  ~FaultGuard() { io::setFaultHook(nullptr); }
};

bool isEntryControl(const ui::ControlSpec& c) { return c.kind == ui::Kind::TextBox || c.kind == ui::Kind::ComboBox; }

class EditorTest : public AppTest {
 protected:
  HeadlessWindow& ed() { return win("Form4"); }
  std::string text(const char* control) { return ed().control(control).text(); }
  bool shown(const char* control) { return ed().control(control).visible(); }

  HeadlessWindow& openNew() {
    main().click("mnins");
    return ed();
  }
  HeadlessWindow& openStored(const std::vector<std::string>& lines, int index) {
    openArchive(crlf(lines));
    main().pick("List1", index);
    return ed();
  }
  // A new volunteer of ROMA, association RADIO CLUB ROMA (the province's
  // first association, which picking the province chooses).
  void enterNew(const char* cognome, const char* nome) {
    ed().pick("Combo2", 0);
    ed().type("Text1", cognome);
    ed().type("Text2", nome);
  }
  std::vector<std::string> workLines() {
    std::vector<std::string> lines;
    forEachLine(m->percorso_wrk(), [&](const std::string& l) { lines.push_back(l); });
    return lines;
  }
  std::vector<std::string> surnames() {
    std::vector<std::string> out;
    for (const auto& l : workLines()) out.emplace_back(trimBlanks(parse(l).cognome.view()));
    return out;
  }
  Names listKeys() { return items("Form1", "List1"); }
};

// ---- the window ------------------------------------------------------------------------

TEST(EditorLayout, EveryFieldButReservedHasExactlyOneControl) {
  const ui::WindowSpec& desc = form4Spec();
  std::set<std::string> entryControls;
  int textBoxes = 0, combos = 0;
  for (const auto& c : desc.controls) {
    if (!isEntryControl(c)) continue;
    EXPECT_TRUE(entryControls.insert(c.name).second) << c.name;
    (c.kind == ui::Kind::TextBox ? textBoxes : combos)++;
  }
  EXPECT_EQ(textBoxes, 51);
  EXPECT_EQ(combos, 12);

  std::set<std::string> mappedControls;
  std::map<std::string, int> fieldUses;
  for (const auto& link : editorFieldMap()) {
    EXPECT_TRUE(mappedControls.insert(std::string(link.control)).second) << link.control;
    ASSERT_NE(findField(link.field), nullptr) << link.field;
    ++fieldUses[std::string(link.field)];
    if (link.taken == TakenAs::FirstUpper) {
      EXPECT_EQ(link.n, findField(link.field)->width) << link.control;
    }
  }
  EXPECT_EQ(mappedControls, entryControls);
  for (const auto& f : volunteerFields())
    EXPECT_EQ(fieldUses[std::string(f.name)], f.name == "riservato" ? 0 : 1) << f.name;
}

TEST(EditorLayout, CaptionsHintsFontsAndLimits) {
  const ui::WindowSpec& desc = form4Spec();
  EXPECT_EQ(desc.caption, "Form4");
  EXPECT_EQ(desc.width, 11880);
  EXPECT_EQ(desc.height, 8595);
  std::map<std::string, ui::ControlSpec> c;
  for (const auto& control : desc.controls) c[control.name] = control;

  EXPECT_EQ(c["SSTab1"].kind, ui::Kind::TabControl);
  EXPECT_EQ(c["SSTab1"].caption, "Anagrafe|Disponibilit\xE0");
  EXPECT_EQ((std::array{c["SSTab1"].left, c["SSTab1"].top, c["SSTab1"].width, c["SSTab1"].height}),
            (std::array{0, 3120, 11775, 4575}));

  for (const auto& [name, control] : c) {
    const int expected = (name == "Text9" || name == "Text52") ? 4 : (name == "Text66" || name == "Text67") ? 40 : 0;
    EXPECT_EQ(control.maxLength, expected) << name;
    const bool heading = name == "Label49" || name == "Label31" || name == "Label45";
    if (control.kind == ui::Kind::Label && !heading) {
      EXPECT_EQ(control.backColor, ui::kBlue) << name;
      EXPECT_EQ(control.foreColor, ui::kWhite) << name;
      EXPECT_EQ(control.font.name, "MS Sans Serif") << name;
      EXPECT_TRUE(control.font.bold) << name;
    } else if (control.kind != ui::Kind::Line && control.kind != ui::Kind::TabControl) {
      EXPECT_FALSE(control.backColor.has_value()) << name;
      EXPECT_FALSE(control.foreColor.has_value()) << name;
      EXPECT_EQ(control.font.name, "MS Sans Serif") << name;
      EXPECT_FALSE(control.font.bold) << name;
    }
    if (control.kind != ui::Kind::Line) {
      EXPECT_DOUBLE_EQ(control.font.size, 8.25) << name;
    }
  }

  // Captions whose blanks, accents and quotes are easy to get wrong.
  EXPECT_EQ(c["Label49"].caption, "PROFILO DEL VOLONTARIO K.R.T   ");
  EXPECT_EQ(c["Label1"].caption, std::string(28, ' ') + "Cognome");
  EXPECT_EQ(c["Label31"].caption, std::string(32, ' ') + "DISPONIBILITA'");
  EXPECT_EQ(c["Label45"].caption, std::string(43, ' ') + "Attrezzature di propriet\xE0 del volontario");
  EXPECT_EQ(c["Label30"].caption, "Due o pi\xF9 settimane fuori dalla regione ");
  EXPECT_EQ(c["Label17"].caption, " Citt\xE0");
  EXPECT_EQ(c["Text16"].hint,
            "Nominativo del datore di lavoro del volontario o \"LAVORATORE AUTONOMO\" o \"DISOCCUPATO\".");
  EXPECT_EQ(c["cbliv"].hint, "Scegliere il livello di preparazione: COM, COC, OR=operatore radio,COL=collaboratore. ");
  EXPECT_EQ(c["Combo9"].hint, "Scegliere se il volontario \xE8 in possesso di un passaporto (SI/NO).");

  const std::vector<std::array<std::string, 3>> buttons{
      {"cmdstampa", "Stampa", ""},
      {"elimina", "Elimina", "Cliccare per eliminare il volontario."},
      {"modifica", "Modifica", "Cliccare per modificare i dati del volontario."},
      {"Command2", "Registra", "Cliccare per inserire il volontario."},
      {"Command1", "Esci", "Cliccare per uscire senza aggiornare i dati del volontario."}};
  int previousLeft = -1;
  for (const auto& [name, caption, hint] : buttons) {
    EXPECT_EQ(c[name].kind, ui::Kind::Button);
    EXPECT_EQ(c[name].caption, caption);
    EXPECT_EQ(c[name].hint, hint);
    EXPECT_GT(c[name].left, previousLeft) << name << " is out of the left-to-right order";
    previousLeft = c[name].left;
  }
  for (int i = 1; i <= 8; ++i) EXPECT_EQ(c["Line" + std::to_string(i)].container, "SSTab1/1");

  // Every box has a name a screen reader can say: its label's or its own.
  for (const auto& [name, control] : c) {
    if (!isEntryControl(control)) continue;
    if (control.labelledBy.empty()) {
      EXPECT_FALSE(control.accessibleName.empty()) << name;
    } else {
      ASSERT_TRUE(c.count(control.labelledBy)) << name;
      EXPECT_EQ(c.at(control.labelledBy).kind, ui::Kind::Label) << name;
    }
  }
  EXPECT_EQ(c["Text9"].labelledBy, "Label10");
  EXPECT_EQ(c["Combo2"].labelledBy, "Label3");
}

// Every control lies inside its area, and no two of them cover each other.
TEST(EditorLayout, ControlsFitTheirAreaWithoutOverlapping) {
  const ui::WindowSpec& desc = form4Spec();
  constexpr int kTabBar = 420;  // the page area lies below the tab bar
  std::map<std::string, std::vector<const ui::ControlSpec*>> byArea;
  for (const auto& c : desc.controls) {
    const bool onPage = !c.container.empty();
    EXPECT_TRUE(c.container.empty() || c.container == "SSTab1/0" || c.container == "SSTab1/1") << c.name;
    const int width = onPage ? 11775 : desc.width;
    const int height = onPage ? 4575 - kTabBar : desc.height;
    EXPECT_GE(c.left, 0) << c.name;
    EXPECT_GE(c.top, 0) << c.name;
    EXPECT_LE(c.left + c.width, width) << c.name;
    EXPECT_LE(c.top + c.height, height) << c.name;
    if (c.kind != ui::Kind::Line) byArea[c.container].push_back(&c);
  }
  for (const auto& [area, controls] : byArea) {
    for (std::size_t i = 0; i < controls.size(); ++i) {
      for (std::size_t j = i + 1; j < controls.size(); ++j) {
        const auto& a = *controls[i];
        const auto& b = *controls[j];
        const bool apart = a.left + a.width <= b.left || b.left + b.width <= a.left || a.top + a.height <= b.top ||
                           b.top + b.height <= a.top;
        EXPECT_TRUE(apart) << a.name << " overlaps " << b.name;
      }
    }
  }
  // The identity area stays above the tab control, the buttons below it.
  for (const auto* c : byArea[""]) {
    if (c->name == "SSTab1") continue;
    EXPECT_TRUE(c->top + c->height <= 3120 || c->top >= 3120 + 4575) << c->name;
  }
}

// ---- population -------------------------------------------------------------------------

class EditorPopulation : public EditorTest {};

TEST_F(EditorPopulation, NewVolunteerStartsEmptyWithRegisterAndExit) {
  HeadlessWindow& e = openNew();
  for (const auto& c : form4Spec().controls) {
    if (isEntryControl(c)) {
      EXPECT_EQ(e.control(c.name).text(), "") << c.name;
    }
  }
  EXPECT_EQ(items("Form4", "Combo2"), (Names{kRoma, kMilano}));
  EXPECT_EQ(items("Form4", "Combo3"), Names{fixedWidth("SENZA PROVINCIA", 40)});
  EXPECT_EQ(e.control("Combo2").fontName(), "courier new");
  EXPECT_EQ(e.control("Combo3").fontName(), "courier new");
  EXPECT_EQ(items("Form4", "Combo1"), (Names{"O", "C"}));
  EXPECT_EQ(items("Form4", "Combo4"), (Names{"A ", "AS", "B ", "BS", "C ", "CS", "D ", "DS", "E ", "F ", "NO"}));
  EXPECT_EQ(items("Form4", "Combo9"), (Names{"SI", "NO"}));
  EXPECT_EQ(items("Form4", "cbliv"), (Names{"COM", "COC", "OR ", "COL"}));
  EXPECT_EQ(items("Form4", "cbseg"), (Names{"SI", "NO"}));
  EXPECT_EQ(items("Form4", "Cbmare"), (Names{"SI", "NO"}));
  for (const char* c : {"Combo5", "Combo6", "Combo7", "Combo8"})
    EXPECT_EQ(items("Form4", c), (Names{"PROVINCIA", "REGIONE  "})) << c;
  EXPECT_TRUE(shown("Command2"));
  EXPECT_TRUE(shown("Command1"));
  EXPECT_TRUE(shown("cmdstampa"));
  EXPECT_FALSE(shown("modifica"));
  EXPECT_FALSE(shown("elimina"));
}

TEST_F(EditorPopulation, StoredVolunteerShowsEachFieldInItsControl) {
  const std::string stored = line({{"provincia", "ROMA"},
                                   {"associazione", "RADIO CLUB ROMA"},
                                   {"cognome", "ROSSI"},
                                   {"nome", " MARIO"},
                                   {"prov_residenza", "RMX"},
                                   {"via", "  VIA ROMA 1"},
                                   {"tessera_krt", " 12"},
                                   {"tessera_tov", "00777"},
                                   {"anno_krt", "1990"},
                                   {"anno_tov", "1985"},
                                   {"qualifica", " "},
                                   {"livello", "OR"},
                                   {"segreteria", "S"},
                                   {"patente", "B"},
                                   {"passaporto", "NO"},
                                   {"recapito", "TEL VOL"},
                                   {"ditta_recapito", "TEL DITTA"},
                                   {"spec_associazione", "RADIO"},
                                   {"spec_professionale", "MEDICO"},
                                   {"disp_1g", "P"},
                                   {"disp_3g", "R"},
                                   {"disp_3g_fuori", "X"},
                                   {"ore_2s_fuori", "48"},
                                   {"veicolare_vhf", "3"},
                                   {"palmare_43", "4"},
                                   {"packet", "P1"},
                                   {"packet_incluso", "P2"},
                                   {"stazione_campale", "P3"},
                                   {"giorni_corso", "05"},
                                   {"posti_letto", "6"},
                                   {"targa", "AB123CD"},
                                   {"targa_camper", "CAMPER"},
                                   {"note_provinciale", "NOTA P"},
                                   {"note_nazionale", "NOTA N"}});
  openStored({stored}, 0);
  // The province choice shows the province and the residence abbreviation.
  EXPECT_EQ(text("Combo2"), fixedWidth("ROMA", 20) + "RMX ");
  EXPECT_EQ(text("Combo3"), kRadioClubRoma);
  const std::map<std::string, std::string> expected{
      {"Text1", "ROSSI"},   {"Text2", "MARIO"},    {"Text12", "VIA ROMA 1"}, {"Text5", "12"},
      {"Text50", "00777"},  {"Text9", "1990"},     {"Text52", "1985"},       {"Combo1", " "},
      {"cbliv", "OR "},     {"cbseg", "S "},       {"Cbmare", "  "},         {"Combo4", "B "},
      {"Combo9", "NO"},     {"recvol", "TEL VOL"}, {"reclav", "TEL DITTA"},  {"Text10", "RADIO"},
      {"Text3", "MEDICO"},  {"Text15", "RMX"},     {"Combo5", "PROVINCIA"},  {"Combo6", "REGIONE  "},
      {"Combo7", ""},       {"Combo8", ""},        {"Text25", "48"},         {"Text30", "3"},
      {"Text29", "4"},      {"Text35", "P1"},      {"Text63", "P2"},         {"Text34", "P3"},
      {"Text39", "05"},     {"Text38", "6"},       {"Text47", "AB123CD"},    {"Text65", "CAMPER"},
      {"Text66", "NOTA P"}, {"Text67", "NOTA N"},  {"Text16", ""},           {"Text21", ""}};
  for (const auto& [control, value] : expected) EXPECT_EQ(ed().control(control).text(), value) << control;
  // The association list was filled while the province choice was empty.
  EXPECT_EQ(items("Form4", "Combo3"), Names{fixedWidth("SENZA PROVINCIA", 40)});
  EXPECT_TRUE(shown("modifica"));
  EXPECT_TRUE(shown("elimina"));
  EXPECT_FALSE(shown("Command2"));
  EXPECT_TRUE(shown("Command1"));
  EXPECT_EQ(m->form4().provincia_caricata(), fixedWidth("ROMA", 20) + "RMX ");
  EXPECT_EQ(m->form4().associazione_caricata(), kRadioClubRoma);
}

TEST_F(EditorPopulation, StoredRecordSurvivesModifyUnchanged) {
  // Every field with a value of its full width: shown and taken back, the
  // line must come out as it went in.
  VolunteerRecord r;
  for (const auto& f : volunteerFields()) {
    std::string value;
    for (std::size_t i = 0; i < f.width; ++i) value += static_cast<char>('A' + (f.column + i) % 26);
    setField(r, f, value);
  }
  r.disp_1g = "P";
  r.disp_3g = "R";
  r.disp_3g_fuori = "R";
  r.disp_1s_fuori = "P";
  const std::string stored = r.toLine();
  openStored({stored}, 0);
  ed().click("modifica");
  EXPECT_EQ(workCopy(), crlf({stored}));
}

TEST_F(EditorPopulation, ListLineWithoutRecordShowsBlankChoices) {
  openArchive(crlf({member("ROMA", "ROSSI", "MARIO")}));
  setWorkCopy("");  // the list now names a volunteer the work copy lacks
  main().pick("List1", 0);
  EXPECT_EQ(text("Combo2"), std::string(24, ' '));
  EXPECT_EQ(text("Combo3"), std::string(40, ' '));
  EXPECT_EQ(text("Combo1"), " ");
  EXPECT_EQ(text("cbliv"), "   ");
  EXPECT_EQ(text("Combo4"), "  ");
  EXPECT_EQ(text("Text1"), "");
  EXPECT_EQ(text("Combo5"), "");
  EXPECT_TRUE(shown("modifica"));
  EXPECT_TRUE(shown("elimina"));
  // Nothing identifies a volunteer: both buttons stop at the first check.
  ed().click("modifica");
  ed().click("elimina");
  EXPECT_EQ(ui.takeMessages(), (Names{"Manca provincia", "Manca provincia"}));
  EXPECT_EQ(workCopy(), "");
  EXPECT_TRUE(ed().isVisible());
}

TEST_F(EditorPopulation, ComingBackToTheEditorDiscardsTheTyping) {
  openStored({member("ROMA", "ROSSI", "MARIO", {{"disp_1g", "P"}})}, 0);
  ed().type("Text1", "VERDI");
  ed().pick("Combo5", 1);
  ui.activate(main());
  ui.activate(ed());
  EXPECT_EQ(text("Text1"), "ROSSI");
  EXPECT_EQ(text("Combo5"), "PROVINCIA");

  // "Nuovo inserimento" while a stored volunteer is shown empties the editor.
  main().click("mnins");
  EXPECT_EQ(text("Text1"), "");
  EXPECT_EQ(text("Combo2"), "");
  EXPECT_TRUE(shown("Command2"));
  EXPECT_FALSE(shown("modifica"));
  ed().type("Text1", "BIANCHI");
  ed().pick("cbliv", 0);
  ui.activate(main());
  ui.activate(ed());
  EXPECT_EQ(text("Text1"), "");
  EXPECT_EQ(text("cbliv"), "");
  EXPECT_EQ(m->record.cognome.view(), fixedWidth("ROSSI", 25)) << "population never writes the record";
}

TEST_F(EditorPopulation, CloseBoxDiscardsTheEditor) {
  openStored({member("ROMA", "ROSSI", "MARIO"), member("ROMA", "VERDI", "ANNA")}, 0);
  ed().type("Text1", "NUOVO");
  EXPECT_TRUE(ed().close());
  EXPECT_FALSE(m->form4Loaded());
  EXPECT_EQ(ui.find("Form4"), nullptr);
  main().pick("List1", 1);
  EXPECT_TRUE(ed().isVisible());
  EXPECT_EQ(text("Text1"), "VERDI");
  EXPECT_EQ(workCopy(), crlf({member("ROMA", "ROSSI", "MARIO"), member("ROMA", "VERDI", "ANNA")}));
}

// ---- province and association guards ----------------------------------------------------------

class EditorGuards : public EditorTest {
 protected:
  // The user picks a province item and moves on to the surname.
  void pickProvince(int index) {
    ed().focus("Combo2");
    ed().pick("Combo2", index);
    ed().focus("Text1");
  }
  void leaveAssociation() {
    ed().focus("Combo3");
    ed().focus("Text1");
  }
};

const char* kProvinceQuestion = "La provincia non dovrebbe essere modificata. Vuoi modificarla?";
const char* kAssociationQuestion = "L' associazione non dovrebbe essere modificata. Vuoi modificarla?";

TEST_F(EditorGuards, PickingAProvinceFillsItsAssociations) {
  writeFile(path("province.dat"), std::string(kTestProvinces) + "NAPOLI              NA  Napoli              \r\n");
  openNew();
  ed().pick("Combo2", 1);
  EXPECT_EQ(items("Form4", "Combo3"), Names{kRadioMilanoItem});
  EXPECT_EQ(text("Combo3"), kRadioMilanoItem);
  ed().pick("Combo2", 0);
  EXPECT_EQ(items("Form4", "Combo3"), (Names{kRadioClubRomaItem, fixedWidth("CB ROMA NORD", 40) + "RM  "}));
  EXPECT_EQ(text("Combo3"), kRadioClubRomaItem);
  ed().pick("Combo2", 2);
  EXPECT_EQ(items("Form4", "Combo3"), Names{});
  EXPECT_EQ(text("Combo3"), "");
}

TEST_F(EditorGuards, NewVolunteerAndUnchangedChoicesAskNothing) {
  openNew();
  pickProvince(1);
  ed().type("Combo3", "ALTRA");
  leaveAssociation();
  openStored({member("ROMA", "ROSSI", "MARIO")}, 0);
  ed().focus("Combo2");
  ed().focus("Combo3");
  ed().focus("Text1");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(EditorGuards, ProvinceChangedAnswerNoRestoresBothChoices) {
  openStored({member("ROMA", "ROSSI", "MARIO")}, 0);
  ui.answer(Answer::No);
  pickProvince(1);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, kProvinceQuestion);
  EXPECT_EQ(ui.messages[0].buttons, ui::Buttons::YesNo);
  EXPECT_EQ(text("Combo2"), kRoma);
  EXPECT_EQ(text("Combo3"), kRadioClubRoma);
}

TEST_F(EditorGuards, ProvinceChangedAnswerYesKeepsItAndAsksAgain) {
  openStored({member("ROMA", "ROSSI", "MARIO")}, 0);
  ui.answer(Answer::Yes);
  pickProvince(1);
  EXPECT_EQ(text("Combo2"), kMilano);
  // The stored association comes back, although the list now holds Milan's.
  EXPECT_EQ(text("Combo3"), kRadioClubRoma);
  EXPECT_EQ(items("Form4", "Combo3"), Names{kRadioMilanoItem});
  EXPECT_EQ(m->form4().provincia_caricata(), kRoma);

  // Still different from the stored province: asked again on leaving.
  ui.answer(Answer::No);
  ed().focus("Combo2");
  ed().focus("Text2");
  EXPECT_EQ(ui.takeMessages(), (Names{kProvinceQuestion, kProvinceQuestion}));
  EXPECT_EQ(text("Combo2"), kRoma);

  // The stored province picked anew: no question, and the association is
  // the province's first one, which the association guard then questions.
  pickProvince(0);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(text("Combo3"), kRadioClubRomaItem);
  ui.answer(Answer::No);
  leaveAssociation();
  EXPECT_EQ(ui.takeMessages(), Names{kAssociationQuestion});
  EXPECT_EQ(text("Combo3"), kRadioClubRoma);
}

TEST_F(EditorGuards, ResidenceOtherThanTheProvinceMakesTheSameProvinceAChange) {
  openStored({member("ROMA", "ROSSI", "MARIO", {{"prov_residenza", "LT"}})}, 0);
  EXPECT_EQ(text("Combo2"), fixedWidth("ROMA", 20) + "LT  ");
  ui.answer(Answer::No);
  pickProvince(0);
  EXPECT_EQ(ui.takeMessages(), Names{kProvinceQuestion});
  EXPECT_EQ(text("Combo2"), fixedWidth("ROMA", 20) + "LT  ");
}

TEST_F(EditorGuards, AssociationItemIsAskedAboutEveryTime) {
  openStored({member("ROMA", "ROSSI", "MARIO")}, 0);
  pickProvince(0);  // the same province: the association becomes its first item
  EXPECT_TRUE(ui.messages.empty());
  ASSERT_EQ(text("Combo3"), kRadioClubRomaItem);

  // 44 characters never equal the 40 kept: Yes keeps the item, and the
  // question comes again on every leave.
  ui.answer(Answer::Yes);
  leaveAssociation();
  EXPECT_EQ(ui.takeMessages(), Names{kAssociationQuestion});
  EXPECT_EQ(text("Combo3"), kRadioClubRomaItem);
  EXPECT_EQ(m->form4().associazione_caricata(), kRadioClubRoma);

  ui.answer(Answer::Yes);
  leaveAssociation();
  EXPECT_EQ(ui.takeMessages(), Names{kAssociationQuestion});

  // Another association typed in, answer No: the accepted one comes back.
  ed().focus("Combo3");
  ed().type("Combo3", "CB ROMA NORD");
  ui.answer(Answer::No);
  ed().focus("Text1");
  EXPECT_EQ(ui.takeMessages(), Names{kAssociationQuestion});
  EXPECT_EQ(text("Combo3"), kRadioClubRoma);

  // Accepting a typed association makes it the reference.
  ed().focus("Combo3");
  ed().type("Combo3", "CB ROMA NORD");
  ui.answer(Answer::Yes);
  ed().focus("Text1");
  EXPECT_EQ(m->form4().associazione_caricata(), fixedWidth("CB ROMA NORD", 40));
  ui.takeMessages();
}

// ---- "Registra" ---------------------------------------------------------------------------------

class EditorRegister : public EditorTest {};

TEST_F(EditorRegister, FirstVolunteerMakesAOneLineWorkCopyAndEmptiesTheEntry) {
  openNew();
  enterNew("Rossi", "Mario");
  ed().type("Text15", "rm");
  ed().pick("Combo1", 0);
  ed().pick("Combo4", 2);
  ed().pick("Combo9", 0);
  ed().pick("cbliv", 2);
  ed().pick("cbseg", 0);
  ed().pick("Cbmare", 1);
  ed().pick("Combo5", 0);
  ed().pick("Combo6", 1);
  ed().type("Text12", "via roma 1");
  const int busyBefore = ui.busyCalls;
  ed().click("Command2");

  const std::string expected = member("ROMA", "ROSSI", "MARIO",
                                      {{"via", "VIA ROMA 1"},
                                       {"qualifica", "O"},
                                       {"patente", "B "},
                                       {"passaporto", "SI"},
                                       {"livello", "OR "},
                                       {"segreteria", "SI"},
                                       {"krt_mare", "NO"},
                                       {"disp_1g", "P"},
                                       {"disp_3g", "R"}});
  EXPECT_EQ(workCopy(), crlf({expected}));
  EXPECT_EQ(m->modificato, "1");
  EXPECT_GT(ui.busyCalls, busyBefore);
  EXPECT_FALSE(ui.busy);
  EXPECT_TRUE(ui.messages.empty());

  // Ready for the next volunteer: qualification, province, association,
  // licence and passport stay; everything else is empty.
  const std::map<std::string, std::string> kept{
      {"Combo1", "O"}, {"Combo2", kRoma}, {"Combo3", kRadioClubRomaItem}, {"Combo4", "B "}, {"Combo9", "SI"}};
  for (const auto& c : form4Spec().controls) {
    if (!isEntryControl(c)) continue;
    const auto it = kept.find(c.name);
    EXPECT_EQ(text(c.name.c_str()), it == kept.end() ? "" : it->second) << c.name;
  }
  EXPECT_TRUE(ed().isVisible());
  EXPECT_TRUE(shown("Command2"));
  EXPECT_FALSE(shown("modifica"));
  EXPECT_EQ(m->modo, "i");
  EXPECT_TRUE(listKeys().empty()) << "the main list is not refilled by Registra";
}

TEST_F(EditorRegister, NewLinesGoToTheirSortedPlace) {
  openArchive(crlf({member("ROMA", "BRUNO", "A"), member("ROMA", "DONATI", "A"), member("ROMA", "FERRI", "A")}));
  openNew();
  for (const char* surname : {"ALBANI", "GALLI", "ESPOSITO", "\xC8RBA", "ZETA"}) {
    enterNew(surname, "A");
    ed().click("Command2");
  }
  // Keys compare by character code: the accented capital comes after Z.
  EXPECT_EQ(surnames(), (Names{"ALBANI", "BRUNO", "DONATI", "ESPOSITO", "FERRI", "GALLI", "ZETA", "\xC8RBA"}));

  // The province leads the key: MILANO comes before every ROMA line.
  ed().pick("Combo2", 1);
  ed().type("Text1", "ZANI");
  ed().type("Text2", "B");
  ed().click("Command2");
  EXPECT_EQ(surnames().front(), "ZANI");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(EditorRegister, SameKeyAnsweredYesGoesBeforeTheStoredOnes) {
  const std::string first = member("ROMA", "ROSSI", "MARIO", {{"via", "VIA UNO"}});
  const std::string second = member("ROMA", "ROSSI", "MARIO", {{"via", "VIA DUE"}});
  openArchive(crlf({member("ROMA", "BIANCHI", "A"), first, second, member("ROMA", "VERDI", "A")}));
  openNew();
  enterNew("rossi", "mario");
  ed().type("Text15", "RM");
  ed().type("Text12", "via tre");
  ui.answer(Answer::Yes);  // asked once, at the first stored line with that key
  ed().click("Command2");
  EXPECT_EQ(ui.takeMessages(), Names{"Volontario gi\xE0 presente in archivio. Registro ?"});
  EXPECT_EQ(workCopy(), crlf({member("ROMA", "BIANCHI", "A"), member("ROMA", "ROSSI", "MARIO", {{"via", "VIA TRE"}}),
                              first, second, member("ROMA", "VERDI", "A")}));
  EXPECT_EQ(m->modificato, "1");
}

TEST_F(EditorRegister, SameKeyAnsweredNoKeepsTheStoredLineOnly) {
  const std::string archive = crlf({member("ROMA", "ROSSI", "MARIO"), member("ROMA", "VERDI", "A")});
  openArchive(archive);
  openNew();
  enterNew("ROSSI", "MARIO");
  ed().type("Text12", "VIA NUOVA");
  ui.answer(Answer::No);
  ed().click("Command2");
  EXPECT_EQ(ui.takeMessages(), Names{"Volontario gi\xE0 presente in archivio. Registro ?"});
  EXPECT_EQ(workCopy(), archive);
  EXPECT_EQ(m->modificato, "1");
  EXPECT_EQ(text("Text1"), "");
  EXPECT_EQ(text("Text12"), "");
}

TEST_F(EditorRegister, EveryFieldIsUpperCasedExceptNumbersAndCutToWidth) {
  openNew();
  const std::string typed =
      "\xE0"
      "bcdefghijklmnopqrstuvwxyz"
      "abcdefghijklmnopqrstuvwxyz"
      "abcdefghijklmnopqrstuvwxyz";
  for (const auto& c : form4Spec().controls) {
    if (isEntryControl(c)) ed().type(c.name, typed);
  }
  EXPECT_EQ(text("Text9"),
            "\xE0"
            "bcd")
      << "the year boxes take four characters";
  EXPECT_EQ(text("Text60"), typed) << "the year of birth box has no limit";
  ed().click("Command2");
  ASSERT_EQ(workLines().size(), 1u);
  const VolunteerRecord r = parse(workLines()[0]);
  const std::set<std::string_view> asTyped{
      "tessera_krt",  "anno_krt",   "tessera_tov",   "anno_tov",    "anno_nascita", "veicolare_27", "palmare_27",
      "veicolare_43", "palmare_43", "veicolare_vhf", "palmare_vhf", "giorni_corso", "posti_letto"};
  for (const auto& f : volunteerFields()) {
    if (f.name == "riservato") {
      EXPECT_EQ(fieldText(r, f), "   ");
      continue;
    }
    const std::string value = asTyped.count(f.name) ? typed : cp1252::upper(typed);
    EXPECT_EQ(fieldText(r, f), value.substr(0, f.width)) << f.name;
  }
}

TEST_F(EditorRegister, ChoicesGiveTheirFirstCharacters) {
  openNew();
  enterNew("ROSSI", "MARIO");  // the association is the 44-character item
  ed().type("cbseg", "sii");
  ed().type("Combo1", "ope");
  ed().type("cbliv", "orx1");
  ed().type("Combo7", "regione");
  ed().type("Text60", "19801");
  ed().type("reclav", std::string(40, 'r'));
  ed().click("Command2");
  const VolunteerRecord r = parse(workLines().at(0));
  EXPECT_EQ(r.associazione.view(), kRadioClubRoma);
  EXPECT_EQ(r.provincia.view(), fixedWidth("ROMA", 20));
  EXPECT_EQ(r.segreteria.view(), "SI");
  EXPECT_EQ(r.qualifica.view(), "O");
  EXPECT_EQ(r.livello.view(), "ORX");
  EXPECT_EQ(r.disp_3g_fuori.view(), "R");
  EXPECT_EQ(r.anno_nascita.view(), "1980");
  EXPECT_EQ(r.ditta_recapito.view(), std::string(35, 'R'));
}

TEST_F(EditorRegister, MissingProvinceAssociationOrNameWritesNothing) {
  const std::string archive = crlf({member("ROMA", "BIANCHI", "A")});
  openArchive(archive);
  openNew();
  ed().type("Text1", "rossi");
  ed().type("Text2", "mario");
  ed().click("Command2");
  ed().type("Combo2", std::string(20, ' ') + "RM  ");  // only the abbreviation
  ed().click("Command2");
  EXPECT_EQ(ui.takeMessages(), (Names{"Manca provincia", "Manca provincia"}));

  ed().pick("Combo2", 0);
  ed().type("Combo3", "  ");
  ed().click("Command2");
  EXPECT_EQ(ui.takeMessages(), Names{"Manca associazione."});

  ed().pick("Combo2", 0);
  ed().type("Text2", " ");
  ed().click("Command2");
  ed().type("Text1", "");
  ed().type("Text2", "mario");
  ed().click("Command2");
  EXPECT_EQ(ui.takeMessages(), (Names{"Manca cognome e nome!", "Manca cognome e nome!"}));

  EXPECT_EQ(workCopy(), archive);
  EXPECT_EQ(m->modificato, "0");
  // The fields before the stop are in the current record; the typing stays.
  EXPECT_EQ(m->record.provincia.view(), fixedWidth("ROMA", 20));
  EXPECT_EQ(m->record.associazione.view(), kRadioClubRoma);
  EXPECT_TRUE(m->record.cognome.blank());
  EXPECT_EQ(m->record.nome.view(), fixedWidth("MARIO", 25));
  EXPECT_EQ(text("Text2"), "mario");
}

TEST_F(EditorRegister, FailedFilesLeaveTheWorkCopyAndModificatoAsTheyWere) {
  const std::string archive = crlf({member("ROMA", "BIANCHI", "A")});
  openArchive(archive);
  openNew();
  enterNew("ROSSI", "MARIO");
  {
    FaultGuard fault([&](io::Op op, const std::string& p) { return op == io::Op::Write && p == m->percorso_temp(); });
    ed().click("Command2");
  }
  {
    FaultGuard fault([&](io::Op op, const std::string& p) { return op == io::Op::Rename && p == m->percorso_wrk(); });
    ed().click("Command2");
  }
  const auto said = ui.takeMessages();
  ASSERT_EQ(said.size(), 2u);
  EXPECT_NE(said[0].find("workfile.wrk"), std::string::npos) << said[0];
  EXPECT_NE(said[1].find("volontari.wrk"), std::string::npos) << said[1];
  EXPECT_EQ(workCopy(), archive);
  EXPECT_EQ(m->modificato, "0");
  EXPECT_EQ(text("Text1"), "ROSSI") << "the entry is kept for another try";
  EXPECT_FALSE(ui.busy);

  std::filesystem::remove(m->percorso_wrk());
  ed().click("Command2");
  const auto missing = ui.takeMessages();
  ASSERT_EQ(missing.size(), 1u);
  EXPECT_NE(missing[0].find("Impossibile leggere il file"), std::string::npos) << missing[0];
  EXPECT_NE(missing[0].find("volontari.wrk"), std::string::npos) << missing[0];
  EXPECT_EQ(m->modificato, "0");
}

// ---- "Modifica", "Elimina", "Esci" --------------------------------------------------------------

class EditorChange : public EditorTest {};

TEST_F(EditorChange, ModifyReplacesEveryLineOfTheVolunteerWhereItStands) {
  // The same association, surname and name under two provinces.
  openStored({member("ROMA", "BIANCHI", "A"), member("MILANO", "ROSSI", "MARIO", {{"via", "VIA UNO"}}),
              member("ROMA", "ROSSI", "MARIO", {{"via", "VIA DUE"}}), member("ROMA", "VERDI", "A")},
             2);
  ed().type("Text12", "via nuova");
  ed().click("modifica");
  const std::string changed = member("ROMA", "ROSSI", "MARIO", {{"via", "VIA NUOVA"}});
  EXPECT_EQ(workCopy(), crlf({member("ROMA", "BIANCHI", "A"), changed, changed, member("ROMA", "VERDI", "A")}));
  EXPECT_EQ(m->modificato, "1");
  EXPECT_FALSE(ed().isVisible());
  EXPECT_EQ(listKeys()[1], changed.substr(0, kKeyLength)) << "the main list is refilled";
  EXPECT_FALSE(ui.busy);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(EditorChange, ModifyOfTheProvinceOnlyLeavesTheLineInPlace) {
  openStored({member("ROMA", "BIANCHI", "A"), member("ROMA", "ROSSI", "MARIO"), member("ROMA", "VERDI", "A")}, 1);
  ui.answer(Answer::Yes);
  ed().focus("Combo2");
  ed().pick("Combo2", 1);
  ed().focus("Text1");
  ed().click("modifica");
  EXPECT_EQ(workCopy(),
            crlf({member("ROMA", "BIANCHI", "A"), member("MILANO", "ROSSI", "MARIO"), member("ROMA", "VERDI", "A")}));
}

TEST_F(EditorChange, DeleteRemovesEveryLineOfTheVolunteer) {
  openStored({member("MILANO", "ROSSI", "MARIO"), member("ROMA", "BIANCHI", "A"), member("ROMA", "ROSSI", "MARIO"),
              member("ROMA", "ROSSI", "PAOLO")},
             2);
  ed().click("elimina");
  EXPECT_EQ(workCopy(), crlf({member("ROMA", "BIANCHI", "A"), member("ROMA", "ROSSI", "PAOLO")}));
  EXPECT_EQ(m->modificato, "1");
  EXPECT_FALSE(ed().isVisible());
  EXPECT_EQ(listKeys().size(), 2u);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(EditorChange, NoStoredVolunteerChangesNothingAndKeepsTheTyping) {
  for (const char* button : {"modifica", "elimina"}) {
    SCOPED_TRACE(button);
    openStored({member("ROMA", "ROSSI", "MARIO"), member("ROMA", "VERDI", "A")}, 0);
    // The last line without its line end: any rewrite would add one.
    const std::string before = crlf({member("ROMA", "ROSSI", "MARIO")}) + member("ROMA", "VERDI", "A");
    setWorkCopy(before);
    const Names list = listKeys();
    ed().type("Text1", "rossini");
    ed().type("Text12", "via nuova");
    ed().click(button);
    const auto said = ui.takeMessages();
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find(kNoSuchVolunteer), std::string::npos) << said[0];
    EXPECT_EQ(workCopy(), before);
    EXPECT_EQ(m->modificato, "0");
    EXPECT_TRUE(ed().isVisible());
    EXPECT_EQ(text("Text1"), "rossini");
    EXPECT_EQ(text("Text12"), "via nuova");
    EXPECT_EQ(listKeys(), list);
    EXPECT_FALSE(ui.busy);
  }
}

TEST_F(EditorChange, FailedPassKeepsTheWorkCopyAndTheEditor) {
  openStored({member("ROMA", "ROSSI", "MARIO"), member("ROMA", "VERDI", "A")}, 0);
  const std::string before = workCopy();
  ed().type("Text12", "via nuova");
  {
    FaultGuard fault([&](io::Op op, const std::string& p) { return op == io::Op::Write && p == m->percorso_temp(); });
    ed().click("modifica");
    ed().click("elimina");
  }
  const auto said = ui.takeMessages();
  ASSERT_EQ(said.size(), 2u);
  for (const auto& s : said) EXPECT_NE(s.find("workfile.wrk"), std::string::npos) << s;
  EXPECT_EQ(workCopy(), before);
  EXPECT_EQ(m->modificato, "0");
  EXPECT_TRUE(ed().isVisible());
  EXPECT_EQ(text("Text12"), "via nuova");
}

TEST_F(EditorChange, ExitRefillsTheListAndWritesNothing) {
  openStored({member("ROMA", "ROSSI", "MARIO")}, 0);
  const std::string other = crlf({member("ROMA", "BIANCHI", "A"), member("ROMA", "ROSSI", "MARIO")});
  setWorkCopy(other);
  ed().type("Text1", "VERDI");
  ed().click("Command1");
  EXPECT_FALSE(ed().isVisible());
  EXPECT_EQ(listKeys(), (Names{member("ROMA", "BIANCHI", "A").substr(0, kKeyLength),
                               member("ROMA", "ROSSI", "MARIO").substr(0, kKeyLength)}));
  EXPECT_EQ(workCopy(), other);
  EXPECT_EQ(m->modificato, "0");
  EXPECT_EQ(m->record.cognome.view(), fixedWidth("ROSSI", 25));
  EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace krt::test
