// The volunteer editor on the headless platform: its window, how it fills
// itself, the guards on province and association, and what "Registra",
// "Modifica", "Elimina" and "Esci" do to the work copy.
#include <array>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <tuple>

#include "editor/field_map.h"
#include "editor/form4.h"
#include "records/file_io.h"
#include "support.h"

namespace krt::test {
namespace {

using headless::HeadlessWindow;
using ui::Answer;
using Names = std::vector<std::string>;
using Texts = std::map<std::string, std::string>;

const std::string kRoma = fixedWidth("ROMA", 20) + "RM  ";
const std::string kMilano = fixedWidth("MILANO", 20) + "MI  ";
const std::string kRadioClubRoma = fixedWidth("RADIO CLUB ROMA", 40);
const std::string kRadioClubRomaItem = kRadioClubRoma + "RM  ";
const std::string kRadioMilanoItem = fixedWidth("RADIO MILANO", 40) + "MI  ";
const char* kProvinceQuestion = "La provincia non dovrebbe essere modificata. Vuoi modificarla?";
const char* kAssociationQuestion = "L' associazione non dovrebbe essere modificata. Vuoi modificarla?";

// The buttons from left to right, and those shown for a new or a stored volunteer.
const std::array<const char*, 5> kButtons{"cmdstampa", "elimina", "modifica", "Command2", "Command1"};
const Names kNewButtons{"cmdstampa", "Command2", "Command1"},
    kStoredButtons{"cmdstampa", "elimina", "modifica", "Command1"};

// A record line with these fields, every other one blank.
std::string lineOf(const Texts& fields) {
  VolunteerRecord r;
  r.clear();
  for (const auto& [name, value] : fields) setField(r, *findField(name), value);
  return r.toLine();
}

// A volunteer of the association RADIO CLUB ROMA with a few more fields.
std::string member(const char* provincia, const char* cognome, const char* nome, Texts more = {}) {
  more.insert({{"provincia", provincia}, {"associazione", "RADIO CLUB ROMA"}, {"cognome", cognome}, {"nome", nome}});
  more.insert({"prov_residenza", "RM"});
  return lineOf(more);
}

VolunteerRecord parse(const std::string& l) {
  VolunteerRecord r;
  r.fromLine(l);
  return r;
}

// Makes one operation of the file layer (if any) fail on one file while it lives.
struct FaultGuard {
  FaultGuard(std::optional<io::Op> which, std::string file) {
    io::setFaultHook([which, file](io::Op op, const std::string& p) { return op == which && p == file; });
  }
  ~FaultGuard() { io::setFaultHook(nullptr); }
};

bool isEntryControl(const ui::ControlSpec& c) { return c.kind == ui::Kind::TextBox || c.kind == ui::Kind::ComboBox; }

class EditorTest : public AppTest {
 protected:
  HeadlessWindow& ed() { return win("Form4"); }
  std::string text(const std::string& control) { return ed().control(control).text(); }
  void type(const Texts& texts) {
    for (const auto& [control, value] : texts) ed().type(control, value);
  }
  Names buttonsShown() {
    Names out;
    for (const char* b : kButtons)
      if (ed().control(b).visible()) out.emplace_back(b);
    return out;
  }
  // Every entry control shows its text in `texts`, or nothing.
  void expectEntries(const Texts& texts) {
    for (const auto& c : form4Spec().controls) {
      if (!isEntryControl(c)) continue;
      const auto it = texts.find(c.name);
      EXPECT_EQ(text(c.name), it == texts.end() ? "" : it->second) << c.name;
    }
  }
  // After a command: modificato, the editor still shown or not, the pointer normal again.
  void expectAfter(const char* modificato, bool editorShown) {
    EXPECT_EQ(m->modificato, modificato);
    EXPECT_EQ(ed().isVisible(), editorShown);
    EXPECT_FALSE(ui.busy);
  }

  void openStored(const std::vector<std::string>& lines, int index) {
    openArchive(crlf(lines));
    main().pick("List1", index);
  }
  // A new volunteer of ROMA, association RADIO CLUB ROMA (the province's
  // first association, which picking the province chooses).
  void enterNew(const char* cognome, const char* nome) {
    ed().pick("Combo2", 0);
    type({{"Text1", cognome}, {"Text2", nome}});
  }
  // The user picks a province item and moves on to the surname.
  void pickProvince(int index) {
    ed().focus("Combo2");
    ed().pick("Combo2", index);
    ed().focus("Text1");
  }
  void moveFocus(std::initializer_list<const char*> controls) {
    for (const char* c : controls) ed().focus(c);
  }
  Names surnames() {
    Names out;
    forEachLine(m->percorso_wrk(),
                [&](const std::string& l) { out.emplace_back(trimBlanks(parse(l).cognome.view())); });
    return out;
  }
  Names listKeys() { return items("Form1", "List1"); }
};

// ---- the window ------------------------------------------------------------------------

// Every field but `riservato` has exactly one entry control; texts, fonts
// and limits; every control lies inside its area, and no two of them cover
// each other.
TEST(EditorLayout, ControlsFieldsTextsAndPlaces) {
  std::set<std::string> entryControls, mappedControls;
  std::map<ui::Kind, int> kinds;
  for (const auto& c : form4Spec().controls) {
    if (!isEntryControl(c)) continue;
    EXPECT_TRUE(entryControls.insert(c.name).second) << c.name;
    ++kinds[c.kind];
  }
  EXPECT_EQ(kinds[ui::Kind::TextBox], 51);
  EXPECT_EQ(kinds[ui::Kind::ComboBox], 12);

  std::map<std::string, int> fieldUses;
  for (const auto& link : editorFieldMap()) {
    EXPECT_TRUE(mappedControls.insert(std::string(link.control)).second) << link.control;
    ASSERT_NE(findField(link.field), nullptr) << link.field;
    ++fieldUses[std::string(link.field)];
    EXPECT_TRUE(link.taken != TakenAs::FirstUpper || link.n == findField(link.field)->width) << link.control;
  }
  EXPECT_EQ(mappedControls, entryControls);
  for (const auto& f : volunteerFields())
    EXPECT_EQ(fieldUses[std::string(f.name)], f.name == "riservato" ? 0 : 1) << f.name;

  const ui::WindowSpec& desc = form4Spec();
  std::map<std::string, ui::ControlSpec> c;
  for (const auto& control : desc.controls) c[control.name] = control;
  const ui::ControlSpec& tab = c["SSTab1"];
  EXPECT_EQ(desc.caption, "Form4");
  EXPECT_EQ(tab.kind, ui::Kind::TabControl);
  EXPECT_EQ((std::array{desc.width, desc.height, tab.left, tab.top, tab.width, tab.height}),
            (std::array{11880, 8595, 0, 3120, 11775, 4575}));

  // {control, caption, hint}: the texts whose blanks, accents and quotes are easy to get wrong.
  // clang-format off
  const std::vector<std::array<std::string, 3>> texts{
      {"SSTab1", "Anagrafe|Disponibilit\xE0", ""}, {"Label49", "PROFILO DEL VOLONTARIO K.R.T   ", ""},
      {"Label1", std::string(28, ' ') + "Cognome", ""}, {"Label31", std::string(32, ' ') + "DISPONIBILITA'", ""},
      {"Label45", std::string(43, ' ') + "Attrezzature di propriet\xE0 del volontario", ""},
      {"Label30", "Due o pi\xF9 settimane fuori dalla regione ", ""}, {"Label17", " Citt\xE0", ""},
      {"Text16", "", "Nominativo del datore di lavoro del volontario o \"LAVORATORE AUTONOMO\" o \"DISOCCUPATO\"."},
      {"cbliv", "", "Scegliere il livello di preparazione: COM, COC, OR=operatore radio,COL=collaboratore. "},
      {"Combo9", "", "Scegliere se il volontario \xE8 in possesso di un passaporto (SI/NO)."},
      {"cmdstampa", "Stampa", ""}, {"elimina", "Elimina", "Cliccare per eliminare il volontario."},
      {"modifica", "Modifica", "Cliccare per modificare i dati del volontario."},
      {"Command2", "Registra", "Cliccare per inserire il volontario."},
      {"Command1", "Esci", "Cliccare per uscire senza aggiornare i dati del volontario."}};
  // clang-format on
  for (const auto& [name, caption, hint] : texts)
    EXPECT_EQ((std::pair{c[name].caption, c[name].hint}), (std::pair{caption, hint})) << name;
  int previousLeft = -1;
  for (const char* name : kButtons) {
    EXPECT_EQ(c[name].kind, ui::Kind::Button) << name;
    EXPECT_GT(c[name].left, previousLeft) << name << " is out of the left-to-right order";
    previousLeft = c[name].left;
  }
  for (int i = 1; i <= 8; ++i) EXPECT_EQ(c["Line" + std::to_string(i)].container, "SSTab1/1");
  EXPECT_EQ(c["Text9"].labelledBy, "Label10");
  EXPECT_EQ(c["Combo2"].labelledBy, "Label3");

  constexpr int kTabBar = 420;  // the page area lies below the tab bar
  std::map<std::string, std::vector<const ui::ControlSpec*>> byArea;
  for (const auto& control : desc.controls) {
    const std::string& name = control.name;
    const int maxLength = (name == "Text9" || name == "Text52") ? 4 : (name == "Text66" || name == "Text67") ? 40 : 0;
    EXPECT_EQ(control.maxLength, maxLength) << name;
    // Field labels are white bold on blue; headings and the rest keep the default colours.
    const bool heading = name == "Label49" || name == "Label31" || name == "Label45";
    const bool fieldLabel = control.kind == ui::Kind::Label && !heading;
    if (control.kind != ui::Kind::Line && control.kind != ui::Kind::TabControl) {
      EXPECT_EQ(std::tuple(control.backColor, control.foreColor, control.font.name, control.font.bold),
                fieldLabel ? std::tuple(std::optional(ui::kBlue), std::optional(ui::kWhite), "MS Sans Serif", true)
                           : std::tuple(std::optional<ui::Color>(), std::optional<ui::Color>(), "MS Sans Serif", false))
          << name;
    }
    EXPECT_TRUE(control.kind == ui::Kind::Line || control.font.size == 8.25) << name;
    // Every box has a name a screen reader can say: its label's or its own.
    const auto label = c.find(control.labelledBy);
    EXPECT_TRUE(!isEntryControl(control) ||
                (control.labelledBy.empty() ? !control.accessibleName.empty()
                                            : label != c.end() && label->second.kind == ui::Kind::Label))
        << name;

    const bool onPage = !control.container.empty();
    EXPECT_TRUE(!onPage || control.container == "SSTab1/0" || control.container == "SSTab1/1") << name;
    EXPECT_GE(std::min(control.left, control.top), 0) << name;
    EXPECT_LE(control.left + control.width, onPage ? tab.width : desc.width) << name;
    EXPECT_LE(control.top + control.height, onPage ? tab.height - kTabBar : desc.height) << name;
    if (control.kind == ui::Kind::Line) continue;
    byArea[control.container].push_back(&control);
    // The identity area stays above the tab control, the buttons below it.
    EXPECT_TRUE(onPage || name == "SSTab1" || control.top + control.height <= tab.top ||
                control.top >= tab.top + tab.height)
        << name;
  }
  for (const auto& [area, controls] : byArea)
    for (std::size_t i = 0; i < controls.size(); ++i)
      for (std::size_t j = i + 1; j < controls.size(); ++j) {
        const ui::ControlSpec &a = *controls[i], &b = *controls[j];
        EXPECT_TRUE(a.left + a.width <= b.left || b.left + b.width <= a.left || a.top + a.height <= b.top ||
                    b.top + b.height <= a.top)
            << a.name << " overlaps " << b.name;
      }
}

// ---- population -------------------------------------------------------------------------

class EditorPopulation : public EditorTest {};

TEST_F(EditorPopulation, StoredVolunteerShowsEachFieldInItsControl) {
  Texts stored{{"provincia", "ROMA"}, {"associazione", "RADIO CLUB ROMA"}};
  Texts expected{{"Combo2", fixedWidth("ROMA", 20) + "RMX "}, {"Combo3", kRadioClubRoma}};  // with the residence
  // {control, field, stored value, shown text}
  // clang-format off
  const std::vector<std::array<const char*, 4>> shown{
      {"Text15", "prov_residenza", "RMX", "RMX"}, {"Text1", "cognome", "ROSSI", "ROSSI"},
      {"Text2", "nome", " MARIO", "MARIO"}, {"Text12", "via", "  VIA ROMA 1", "VIA ROMA 1"},
      {"Text5", "tessera_krt", " 12", "12"}, {"Text50", "tessera_tov", "00777", "00777"},
      {"Text9", "anno_krt", "1990", "1990"}, {"Text52", "anno_tov", "1985", "1985"}, {"Combo1", "qualifica", " ", " "},
      {"cbliv", "livello", "OR", "OR "}, {"cbseg", "segreteria", "S", "S "}, {"Cbmare", "krt_mare", "", "  "},
      {"Combo4", "patente", "B", "B "}, {"Combo9", "passaporto", "NO", "NO"},
      {"recvol", "recapito", "TEL VOL", "TEL VOL"}, {"reclav", "ditta_recapito", "TEL DITTA", "TEL DITTA"},
      {"Text10", "spec_associazione", "RADIO", "RADIO"}, {"Text3", "spec_professionale", "MEDICO", "MEDICO"},
      {"Combo5", "disp_1g", "P", "PROVINCIA"}, {"Combo6", "disp_3g", "R", "REGIONE  "},
      {"Combo7", "disp_3g_fuori", "X", ""}, {"Text25", "ore_2s_fuori", "48", "48"},
      {"Text30", "veicolare_vhf", "3", "3"}, {"Text29", "palmare_43", "4", "4"}, {"Text35", "packet", "P1", "P1"},
      {"Text63", "packet_incluso", "P2", "P2"}, {"Text34", "stazione_campale", "P3", "P3"},
      {"Text39", "giorni_corso", "05", "05"}, {"Text38", "posti_letto", "6", "6"},
      {"Text47", "targa", "AB123CD", "AB123CD"}, {"Text65", "targa_camper", "CAMPER", "CAMPER"},
      {"Text66", "note_provinciale", "NOTA P", "NOTA P"}, {"Text67", "note_nazionale", "NOTA N", "NOTA N"}};
  // clang-format on
  for (const auto& [control, field, value, seen] : shown) {
    stored[field] = value;
    expected[control] = seen;
  }
  openStored({lineOf(stored)}, 0);
  expectEntries(expected);  // every other control shows nothing
  // The association list was filled while the province choice was empty.
  EXPECT_EQ(items("Form4", "Combo3"), Names{fixedWidth("SENZA PROVINCIA", 40)});
  EXPECT_EQ(buttonsShown(), kStoredButtons);
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
  openStored({r.toLine()}, 0);
  ed().click("modifica");
  EXPECT_EQ(workCopy(), crlf({r.toLine()}));
}

TEST_F(EditorPopulation, EveryShowingFillsTheEditorAnew) {
  const std::string archive =
      crlf({member("ROMA", "ROSSI", "MARIO", {{"disp_1g", "P"}}), member("ROMA", "VERDI", "A")});
  openArchive(archive);
  main().pick("List1", 0);
  type({{"Text1", "BIANCHI"}});
  ed().pick("Combo5", 1);
  ui.activate(main());
  ui.activate(ed());
  EXPECT_EQ(text("Text1"), "ROSSI");
  EXPECT_EQ(text("Combo5"), "PROVINCIA");

  // The close box discards the editor; the next use creates it anew.
  type({{"Text1", "NUOVO"}});
  EXPECT_TRUE(ed().close());
  EXPECT_FALSE(m->form4Loaded());
  EXPECT_EQ(ui.find("Form4"), nullptr);
  main().pick("List1", 1);
  EXPECT_TRUE(ed().isVisible());
  EXPECT_EQ(text("Text1"), "VERDI");

  // "Nuovo inserimento" while a stored volunteer is shown empties the editor.
  main().click("mnins");
  EXPECT_EQ(text("Text1"), "");
  EXPECT_EQ(text("Combo2"), "");
  EXPECT_EQ(buttonsShown(), kNewButtons);
  type({{"Text1", "BIANCHI"}});
  ed().pick("cbliv", 0);
  ui.activate(main());
  ui.activate(ed());
  EXPECT_EQ(text("Text1"), "");
  EXPECT_EQ(text("cbliv"), "");
  EXPECT_EQ(m->record.cognome.view(), fixedWidth("VERDI", 25)) << "population never writes the record";
  EXPECT_EQ(workCopy(), archive);

  // A list entry whose line the work copy no longer holds opens a blank volunteer.
  const std::string other = crlf({member("ROMA", "BIANCHI", "A")});
  setWorkCopy(other);
  main().pick("List1", 0);
  EXPECT_EQ(m->record.toLine(), std::string(kLineLength, ' '));
  EXPECT_EQ(m->modo, "m");
  EXPECT_EQ(buttonsShown(), kStoredButtons);
  // clang-format off
  expectEntries({{"Combo2", std::string(24, ' ')}, {"Combo3", std::string(40, ' ')}, {"Combo1", " "}, {"cbliv", "   "},
                 {"Combo4", "  "}, {"Combo9", "  "}, {"cbseg", "  "}, {"Cbmare", "  "}});
  // clang-format on
  // Nothing identifies a volunteer: both buttons stop at the first check.
  ed().click("modifica");
  ed().click("elimina");
  EXPECT_EQ(ui.takeMessages(), (Names{"Manca provincia", "Manca provincia"}));
  EXPECT_EQ(workCopy(), other);
  expectAfter("0", true);
}

// ---- province and association guards ----------------------------------------------------------

class EditorGuards : public EditorTest {};

TEST_F(EditorGuards, ChangedProvinceOrAssociationIsQuestioned) {
  openStored({member("ROMA", "ROSSI", "MARIO")}, 0);
  moveFocus({"Combo2", "Combo3", "Text1"});  // unchanged choices ask nothing
  EXPECT_TRUE(ui.messages.empty());

  // Another province: No restores it; Yes keeps it. Either way the stored
  // association comes back, although the list now holds Milan's.
  for (const Answer answer : {Answer::No, Answer::Yes}) {
    ui.answer(answer);
    pickProvince(1);
    EXPECT_EQ(text("Combo2"), answer == Answer::No ? kRoma : kMilano);
    EXPECT_EQ(text("Combo3"), kRadioClubRoma);
  }
  EXPECT_EQ(ui.messages.at(0).buttons, ui::Buttons::YesNo);
  EXPECT_EQ(items("Form4", "Combo3"), Names{kRadioMilanoItem});
  EXPECT_EQ(m->form4().provincia_caricata(), kRoma);
  // Still different from the stored province: asked again on leaving.
  ui.answer(Answer::No);
  moveFocus({"Combo2", "Text2"});
  EXPECT_EQ(ui.takeMessages(), (Names{kProvinceQuestion, kProvinceQuestion, kProvinceQuestion}));
  EXPECT_EQ(text("Combo2"), kRoma);

  // The stored province picked anew: no question, and the association is
  // the province's first item. Its 44 characters never equal the 40 kept:
  // Yes keeps the item, and the question comes again on every leave.
  pickProvince(0);
  EXPECT_TRUE(ui.messages.empty());
  ASSERT_EQ(text("Combo3"), kRadioClubRomaItem);
  for (int i = 0; i < 2; ++i) {
    ui.answer(Answer::Yes);
    moveFocus({"Combo3", "Text1"});
    EXPECT_EQ(ui.takeMessages(), Names{kAssociationQuestion});
    EXPECT_EQ(text("Combo3"), kRadioClubRomaItem);
    EXPECT_EQ(m->form4().associazione_caricata(), kRadioClubRoma);
  }
  ui.answer(Answer::No);
  moveFocus({"Combo3", "Text1"});
  EXPECT_EQ(text("Combo3"), kRadioClubRoma);

  // Another association typed in, answer No: the accepted one comes back;
  // answer Yes: it becomes the reference.
  for (const Answer answer : {Answer::No, Answer::Yes}) {
    moveFocus({"Combo3"});
    ed().type("Combo3", "CB ROMA NORD");
    ui.answer(answer);
    moveFocus({"Text1"});
    EXPECT_EQ(text("Combo3"), answer == Answer::No ? kRadioClubRoma : "CB ROMA NORD");
  }
  EXPECT_EQ(ui.takeMessages(), (Names{kAssociationQuestion, kAssociationQuestion, kAssociationQuestion}));
  EXPECT_EQ(m->form4().associazione_caricata(), fixedWidth("CB ROMA NORD", 40));

  // A residence other than the province makes even the same province a change.
  openStored({member("ROMA", "ROSSI", "MARIO", {{"prov_residenza", "LT"}})}, 0);
  EXPECT_EQ(text("Combo2"), fixedWidth("ROMA", 20) + "LT  ");
  ui.answer(Answer::No);
  pickProvince(0);
  EXPECT_EQ(ui.takeMessages(), Names{kProvinceQuestion});
  EXPECT_EQ(text("Combo2"), fixedWidth("ROMA", 20) + "LT  ");
}

// ---- "Registra" ---------------------------------------------------------------------------------

class EditorRegister : public EditorTest {};

TEST_F(EditorRegister, NewVolunteerStartsEmptyAndTheFirstMakesAOneLineWorkCopy) {
  writeFile(path("province.dat"), std::string(kTestProvinces) + "NAPOLI              NA  Napoli              \r\n");
  main().click("mnins");
  expectEntries({});
  EXPECT_EQ(buttonsShown(), kNewButtons);
  EXPECT_EQ(items("Form4", "Combo2"), (Names{kRoma, kMilano, fixedWidth("NAPOLI", 20) + "NA  "}));
  EXPECT_EQ(items("Form4", "Combo1"), (Names{"O", "C"}));
  EXPECT_EQ(items("Form4", "Combo4"), (Names{"A ", "AS", "B ", "BS", "C ", "CS", "D ", "DS", "E ", "F ", "NO"}));
  EXPECT_EQ(items("Form4", "cbliv"), (Names{"COM", "COC", "OR ", "COL"}));
  for (const char* c : {"Combo9", "cbseg", "Cbmare"}) EXPECT_EQ(items("Form4", c), (Names{"SI", "NO"})) << c;
  for (const char* c : {"Combo5", "Combo6", "Combo7", "Combo8"})
    EXPECT_EQ(items("Form4", c), (Names{"PROVINCIA", "REGIONE  "})) << c;
  for (const char* c : {"Combo2", "Combo3"}) EXPECT_EQ(ed().control(c).fontName(), "courier new") << c;

  const Names rome{kRadioClubRomaItem, fixedWidth("CB ROMA NORD", 40) + "RM  "};
  for (const auto& [province, associations] :
       std::vector<std::pair<int, Names>>{{1, {kRadioMilanoItem}}, {0, rome}, {2, {}}}) {
    ed().pick("Combo2", province);
    EXPECT_EQ(items("Form4", "Combo3"), associations) << province;
    EXPECT_EQ(text("Combo3"), associations.empty() ? "" : associations[0]) << province;
  }
  // A new volunteer's choices are never questioned.
  pickProvince(1);
  ed().type("Combo3", "ALTRA");
  moveFocus({"Combo3", "Text1"});
  EXPECT_TRUE(ui.messages.empty());

  // The first volunteer makes a one-line work copy.
  enterNew("Rossi", "Mario");  // the association is the province's 44-character item
  const std::map<std::string, int> picked{{"Combo4", 2}, {"Combo9", 0}, {"Cbmare", 1}, {"Combo5", 0}, {"Combo6", 1}};
  for (const auto& [control, index] : picked) ed().pick(control, index);
  // Choices typed in give their first characters.
  const Texts typed{{"Text15", "rm"},  {"Text12", "via roma 1"}, {"cbseg", "sii"},    {"Combo1", "ope"},
                    {"cbliv", "orx1"}, {"Combo7", "regione"},    {"Text60", "19801"}, {"reclav", std::string(40, 'r')}};
  type(typed);
  const int busyBefore = ui.busyCalls;
  ed().click("Command2");
  const Texts stored{{"via", "VIA ROMA 1"},  {"qualifica", "O"},       {"patente", "B "},
                     {"passaporto", "SI"},   {"livello", "ORX"},       {"segreteria", "SI"},
                     {"krt_mare", "NO"},     {"disp_1g", "P"},         {"disp_3g", "R"},
                     {"disp_3g_fuori", "R"}, {"anno_nascita", "1980"}, {"ditta_recapito", std::string(35, 'R')}};
  EXPECT_EQ(workCopy(), crlf({member("ROMA", "ROSSI", "MARIO", stored)}));
  EXPECT_GT(ui.busyCalls, busyBefore);
  EXPECT_TRUE(ui.messages.empty());
  expectAfter("1", true);
  // Ready for the next volunteer: qualification, province, association,
  // licence and passport stay; everything else is empty.
  expectEntries(
      {{"Combo1", "ope"}, {"Combo2", kRoma}, {"Combo3", kRadioClubRomaItem}, {"Combo4", "B "}, {"Combo9", "SI"}});
  EXPECT_EQ(buttonsShown(), kNewButtons);
  EXPECT_EQ(m->modo, "i");
  EXPECT_TRUE(listKeys().empty()) << "the main list is not refilled by Registra";
}

TEST_F(EditorRegister, NewLinesGoToTheirSortedPlace) {
  openArchive(crlf({member("ROMA", "BRUNO", "A"), member("ROMA", "DONATI", "A"), member("ROMA", "FERRI", "A")}));
  main().click("mnins");
  for (const char* surname : {"ALBANI", "GALLI", "ESPOSITO", "\xC8RBA", "ZETA"}) {
    enterNew(surname, "A");
    ed().click("Command2");
  }
  // Keys compare by character code: the accented capital comes after Z.
  EXPECT_EQ(surnames(), (Names{"ALBANI", "BRUNO", "DONATI", "ESPOSITO", "FERRI", "GALLI", "ZETA", "\xC8RBA"}));
  // The province leads the key: MILANO comes before every ROMA line.
  ed().pick("Combo2", 1);
  type({{"Text1", "ZANI"}, {"Text2", "B"}});
  ed().click("Command2");
  EXPECT_EQ(surnames().front(), "ZANI");
  EXPECT_TRUE(ui.messages.empty());
}

// The question comes once, at the first stored line with the same key: No
// writes nothing, Yes puts the new line before the stored ones.
TEST_F(EditorRegister, SameKeyIsQuestioned) {
  const std::string bianchi = member("ROMA", "BIANCHI", "A"), verdi = member("ROMA", "VERDI", "A");
  const auto rossi = [](const char* via) { return member("ROMA", "ROSSI", "MARIO", {{"via", via}}); };
  const std::string first = rossi("VIA UNO"), second = rossi("VIA DUE"), added = rossi("VIA TRE");
  openArchive(crlf({bianchi, first, second, verdi}));
  main().click("mnins");
  const std::vector<std::pair<Answer, Names>> cases{{Answer::No, {bianchi, first, second, verdi}},
                                                    {Answer::Yes, {bianchi, added, first, second, verdi}}};
  for (const auto& [answer, expected] : cases) {  // No first: modificato starts at "0"
    enterNew("rossi", "mario");
    type({{"Text15", "RM"}, {"Text12", "via tre"}});
    ui.answer(answer);
    ed().click("Command2");
    EXPECT_EQ(ui.takeMessages(), Names{"Volontario gi\xE0 presente in archivio. Registro ?"});
    EXPECT_EQ(workCopy(), crlf(expected));
    expectAfter("1", true);
    EXPECT_EQ(text("Text1") + text("Text12"), "") << "the entry is emptied";
  }
}

TEST_F(EditorRegister, EveryFieldIsUpperCasedExceptNumbersAndCutToWidth) {
  main().click("mnins");
  const std::string alphabet = "abcdefghijklmnopqrstuvwxyz";
  const std::string typed = "\xE0" + alphabet.substr(1) + alphabet + alphabet;
  for (const auto& c : form4Spec().controls)
    if (isEntryControl(c)) ed().type(c.name, typed);
  EXPECT_EQ(text("Text9"), typed.substr(0, 4)) << "the year boxes take four characters";
  EXPECT_EQ(text("Text60"), typed) << "the year of birth box has no limit";
  ed().click("Command2");
  const std::string work = workCopy();
  ASSERT_EQ(work.size(), kLineLength + 2);
  const VolunteerRecord r = parse(work.substr(0, kLineLength));
  const std::set<std::string_view> asTyped{
      "tessera_krt",  "anno_krt",   "tessera_tov",   "anno_tov",    "anno_nascita", "veicolare_27", "palmare_27",
      "veicolare_43", "palmare_43", "veicolare_vhf", "palmare_vhf", "giorni_corso", "posti_letto"};
  for (const auto& f : volunteerFields()) {
    const std::string value = f.name == "riservato" ? "   " : asTyped.count(f.name) ? typed : cp1252::upper(typed);
    EXPECT_EQ(fieldText(r, f), value.substr(0, f.width)) << f.name;
  }
}

TEST_F(EditorRegister, MissingProvinceAssociationOrNameWritesNothing) {
  const std::string archive = crlf({member("ROMA", "BIANCHI", "A")});
  openArchive(archive);
  main().click("mnins");
  // Each entry is typed over the one before, then "Registra" pressed.
  const std::vector<std::pair<Texts, const char*>> steps{
      {{{"Text1", "rossi"}, {"Text2", "mario"}}, "Manca provincia"},
      {{{"Combo2", std::string(20, ' ') + "RM  "}}, "Manca provincia"},  // only the abbreviation
      {{{"Combo2", kRoma}, {"Combo3", "  "}}, "Manca associazione."},
      {{{"Combo3", kRadioClubRomaItem}, {"Text2", " "}}, "Manca cognome e nome!"},
      {{{"Text1", ""}, {"Text2", "mario"}}, "Manca cognome e nome!"}};
  for (const auto& [entry, message] : steps) {
    type(entry);
    ed().click("Command2");
    EXPECT_EQ(ui.takeMessages(), Names{message}) << entry.begin()->first << " " << entry.begin()->second;
  }
  EXPECT_EQ(workCopy(), archive);
  expectAfter("0", true);
  // The fields before the stop are in the current record; the typing stays.
  EXPECT_EQ(m->record.provincia.view(), fixedWidth("ROMA", 20));
  EXPECT_EQ(m->record.associazione.view(), kRadioClubRoma);
  EXPECT_TRUE(m->record.cognome.blank());
  EXPECT_EQ(m->record.nome.view(), fixedWidth("MARIO", 25));
  EXPECT_EQ(text("Text2"), "mario");
}

// ---- "Modifica", "Elimina", "Esci" --------------------------------------------------------------

class EditorChange : public EditorTest {};

// Both act on every line with the association, surname and name shown,
// under any province, where it stands, and close the editor.
TEST_F(EditorChange, ModifyAndDeleteActOnEveryLineOfTheVolunteer) {
  const std::string bianchi = member("ROMA", "BIANCHI", "A"), paolo = member("ROMA", "ROSSI", "PAOLO");
  // The province changes too: the new lines still take the old places.
  const std::string changed = member("MILANO", "ROSSI", "MARIO", {{"via", "VIA NUOVA"}});
  const std::vector<std::pair<const char*, Names>> cases{{"modifica", {bianchi, changed, changed, paolo}},
                                                         {"elimina", {bianchi, paolo}}};
  for (const auto& [button, expected] : cases) {
    SCOPED_TRACE(button);
    m->modificato = "0";  // opening the archive again asks nothing
    openStored({bianchi, member("MILANO", "ROSSI", "MARIO", {{"via", "VIA UNO"}}),
                member("ROMA", "ROSSI", "MARIO", {{"via", "VIA DUE"}}), paolo},
               2);
    ui.answer(Answer::Yes);
    pickProvince(1);
    type({{"Text12", "via nuova"}});
    EXPECT_EQ(ui.takeMessages(), Names{kProvinceQuestion});
    ed().click(button);
    EXPECT_EQ(workCopy(), crlf(expected));
    expectAfter("1", false);
    Names keys;
    for (const auto& l : expected) keys.push_back(l.substr(0, kKeyLength));
    EXPECT_EQ(listKeys(), keys) << "the main list is refilled";
    EXPECT_TRUE(ui.messages.empty());
  }
}

// A volunteer not stored, or a failed pass over the work copy, leaves it
// and modificato as they were, and keeps the editor and what was typed.
TEST_F(EditorChange, NothingChangesWhenTheVolunteerIsMissingAFileFailsOrOnExit) {
  struct Case {
    const char* button;
    const char* surname;
    std::optional<io::Op> fault;  // on the temporary file when writing, else on the work copy
    const char* said;
  };
  const std::vector<Case> cases{
      {"modifica", "rossini", {}, "Nessun volontario in archivio con questa associazione, cognome e nome"},
      {"elimina", "rossini", {}, "Nessun volontario in archivio con questa associazione, cognome e nome"},
      {"modifica", "rossi", io::Op::Write, "workfile.wrk"},
      {"elimina", "rossi", io::Op::Write, "workfile.wrk"},
      {"Command2", "bianchi", io::Op::Write, "workfile.wrk"},
      {"Command2", "bianchi", io::Op::Rename, "volontari.wrk"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.button) + " " + c.surname);
    openStored({member("ROMA", "ROSSI", "MARIO"), member("ROMA", "VERDI", "A")}, 0);
    // The last line without its line end: any rewrite would add one.
    const std::string before = crlf({member("ROMA", "ROSSI", "MARIO")}) + member("ROMA", "VERDI", "A");
    setWorkCopy(before);
    const Names list = listKeys();
    if (std::string_view(c.button) == "Command2") {  // a new volunteer of ROMA
      main().click("mnins");
      ed().pick("Combo2", 0);
    }
    type({{"Text1", c.surname}, {"Text2", "mario"}, {"Text12", "via nuova"}});
    {
      FaultGuard fault(c.fault, c.fault == io::Op::Write ? m->percorso_temp() : m->percorso_wrk());
      ed().click(c.button);
    }
    const auto said = ui.takeMessages();
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find(c.said), std::string::npos) << said[0];
    EXPECT_EQ(workCopy(), before);
    expectAfter("0", true);
    EXPECT_EQ(text("Text1"), c.surname);
    EXPECT_EQ(text("Text12"), "via nuova");
    EXPECT_EQ(listKeys(), list);
  }
  std::filesystem::remove(m->percorso_wrk());
  ed().click("Command2");
  const auto missing = ui.takeMessages();
  ASSERT_EQ(missing.size(), 1u);
  EXPECT_NE(missing[0].find("Impossibile leggere il file"), std::string::npos) << missing[0];
  EXPECT_NE(missing[0].find("volontari.wrk"), std::string::npos) << missing[0];
  expectAfter("0", true);

  // "Esci" only refills the list: it neither takes the entry nor writes.
  const std::string other = crlf({member("ROMA", "BIANCHI", "A"), member("ROMA", "ROSSI", "MARIO")});
  setWorkCopy(other);
  type({{"Text1", "VERDI"}});
  ed().click("Command1");
  EXPECT_EQ(listKeys(), (Names{member("ROMA", "BIANCHI", "A").substr(0, kKeyLength),
                               member("ROMA", "ROSSI", "MARIO").substr(0, kKeyLength)}));
  EXPECT_EQ(workCopy(), other);
  expectAfter("0", false);
  EXPECT_EQ(m->record.cognome.view(), fixedWidth("BIANCHI", 25)) << "as the last Registra took it";
  EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace krt::test
