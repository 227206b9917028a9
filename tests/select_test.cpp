// The selection window: its criteria, the search over the work copy, the
// result list, opening a result in the editor and the printed list.
#include <algorithm>
#include <array>
#include <filesystem>

#include "editor/form4.h"
#include "select/criteria.h"
#include "select/form3.h"
#include "support.h"

namespace krt::test {
namespace {

using headless::HeadlessWindow;

// ---- the volunteers the tests search ----------------------------------------------

// clang-format off
const std::string kRossi = line({
    {"provincia", "ROMA"}, {"associazione", "RADIO CLUB ROMA"}, {"cognome", "ROSSI"}, {"nome", "MARIO"},
    {"livello", "OR"}, {"segreteria", "SI"}, {"krt_mare", "NO"}, {"patente", "B"}, {"passaporto", "SI"},
    {"ore_1g", "2"}, {"ore_3g", "NO"}, {"veicolare_27", "0"}, {"autovettura", "SI"}, {"gancio", "NO"}});
const std::string kBianchi = line({
    {"provincia", "ROMA"}, {"associazione", "CB ROMA NORD"}, {"cognome", "BIANCHI"}, {"nome", "LUCA"},
    {"patente", "NO"}, {"ore_1g", "NO"}, {"ore_2s_fuori", "24"}, {"spec_professionale", "ELETTRICISTA"},
    {"altro_1", "YAESU FT-817"}, {"autovettura", "NO"}, {"gancio", "SI"}});
const std::string kVerdi = line({
    {"provincia", "MILANO"}, {"associazione", "RADIO MILANO"}, {"cognome", "VERDI"}, {"nome", "ANNA"},
    {"livello", "COM"}, {"krt_mare", "SI"}, {"patente", "A"}, {"palmare_vhf", "2"}, {"attrezzature", "generatore"}});
const std::string kNeri = line({
    {"provincia", "MILANO"}, {"associazione", "RADIO MILANO"}, {"cognome", "NERI"}, {"nome", "PAOLO"},
    {"posti_letto", "4"}});
// clang-format on

std::string keyOf(const std::string& l) { return l.substr(0, kKeyLength); }

VolunteerRecord recordOf(const std::string& l) {
  VolunteerRecord r;
  r.fromLine(l);
  return r;
}

// The names of the volunteers a criteria value selects among the four.
std::vector<std::string> selected(const SelectionCriteria& c) {
  std::vector<std::string> names;
  for (const auto* l : {&kRossi, &kBianchi, &kVerdi, &kNeri}) {
    const VolunteerRecord r = recordOf(*l);
    if (matches(c, r)) names.emplace_back(trimBlanks(r.cognome));
  }
  return names;
}

using Names = std::vector<std::string>;

// ---- the criteria on their own -------------------------------------------------------

TEST(SelectCriteria, TextsAreUpperCasedAndComparedOverTheFieldsWidth) {
  EXPECT_TRUE(equalsUpper("b ", "B "));
  EXPECT_TRUE(equalsUpper("NO and more", "NO"));  // only the first characters count
  EXPECT_FALSE(equalsUpper("B", "B "));           // a shorter text never equals the field
  EXPECT_FALSE(equalsUpper("", "B "));
  EXPECT_TRUE(equalsUpper(W("forlì"), W("FORLÌ")));
  EXPECT_TRUE(occursUpper("tricista", fixedWidth("ELETTRICISTA", 30)));
  EXPECT_TRUE(occursUpper(W("città"), fixedWidth(W("VIA CITTÀ"), 14)));
  EXPECT_TRUE(occursUpper("X", fixedWidth("ABX", 3)));
  EXPECT_TRUE(occursUpper("", fixedWidth("", 14)));
  EXPECT_FALSE(occursUpper("generatore", fixedWidth("generatore", 40)));  // stored in lower case
  EXPECT_FALSE(occursUpper(std::string(15, 'A'), std::string(14, 'A')));
}

TEST(SelectCriteria, GroupsCombineByAndTheirItemsByOr) {
  SelectionCriteria c;
  EXPECT_EQ(selected(c), (Names{"ROSSI", "BIANCHI", "VERDI", "NERI"}));
  c.patente = "b ";
  EXPECT_EQ(selected(c), Names{"ROSSI"});
  c.patente.reset();
  c.livello = "or ";
  c.segreteria = "si";
  EXPECT_EQ(selected(c), Names{"ROSSI"});
  c = {};
  c.krt_mare = true;
  EXPECT_EQ(selected(c), Names{"VERDI"});
  c.passaporto = true;  // every personal test must hold
  EXPECT_EQ(selected(c), Names{});

  c = {};
  c.dotazioni_scelte = true;
  EXPECT_EQ(selected(c), Names{}) << "the equipment group in use with nothing chosen lets nobody through";
  c.autovettura = c.gancio = true;
  EXPECT_EQ(selected(c), (Names{"ROSSI", "BIANCHI"}));
  c.dotazioni_scelte = false;
  EXPECT_EQ(selected(c), (Names{"ROSSI", "BIANCHI", "VERDI", "NERI"})) << "group not in use";
  c.dotazioni_scelte = true;
  c.provincia = fixedWidth("roma", 20) + "RM  ";  // a choice item carries the abbreviation
  c.ore_1g = true;
  EXPECT_EQ(selected(c), Names{"ROSSI"}) << "BIANCHI has the hook but says NO for one day";
  c.ore_2s_fuori = true;
  EXPECT_EQ(selected(c), (Names{"ROSSI", "BIANCHI"}));
  c.associazione = "CB ROMA NORD";  // not padded to 40: no association matches
  EXPECT_EQ(selected(c), Names{});
  c.associazione = fixedWidth("CB ROMA NORD", 40);
  EXPECT_EQ(selected(c), Names{"BIANCHI"});
  c.provincia = "MILANO";  // typed without its padding
  EXPECT_EQ(selected(c), Names{});

  c = {};
  c.dotazioni_scelte = true;
  c.apparecchiature = "";  // chosen with an empty filter: everyone has equipment
  EXPECT_EQ(selected(c), (Names{"ROSSI", "BIANCHI", "VERDI", "NERI"}));
  EXPECT_TRUE(c.anyEquipment());
  EXPECT_FALSE(SelectionCriteria{}.anyEquipment());
}

TEST(SelectCriteria, YesNoHoursAndFreeTextFields) {
  // The yes/no items want "SI" exactly; the hours fields refuse "NO" and
  // blanks but take a zero.
  VolunteerRecord r;
  r.clear();
  r.gancio = "si";
  r.ore_3g_fuori = "NO";
  SelectionCriteria c;
  c.dotazioni_scelte = c.gancio = true;
  EXPECT_FALSE(matches(c, r));
  c = SelectionCriteria{};
  c.ore_3g_fuori = true;
  EXPECT_FALSE(matches(c, r));
  r.ore_3g_fuori = "0";
  EXPECT_TRUE(matches(c, r));
  // The experience filter looks in both specialisations, the equipment
  // filter in the two other radios and the further equipment.
  for (const char* field : {"spec_associazione", "spec_professionale", "altro_1", "altro_2", "attrezzature"}) {
    r.clear();
    setField(r, *findField(field), "XYZ");
    c = SelectionCriteria{};
    c.dotazioni_scelte = true;
    const bool experience = std::string_view(field).rfind("spec_", 0) == 0;  // spec_associazione, spec_professionale
    (experience ? c.professione : c.apparecchiature) = "xy";
    EXPECT_TRUE(matches(c, r)) << field;
    (experience ? c.apparecchiature : c.professione) = "xy";
    (experience ? c.professione : c.apparecchiature).reset();
    EXPECT_FALSE(matches(c, r)) << field;
  }
}

class SelectSearch : public TempDirTest {};

TEST_F(SelectSearch, StreamsTheWorkCopyAndGivesTheKeysOfMatchingLines) {
  writeFile(path("w"), crlf({kRossi, "", kBianchi}) + kNeri.substr(0, 60));
  VolunteerRecord record;
  std::vector<std::string> keys;
  const auto collect = [&](std::string_view k) { keys.emplace_back(k); };
  EXPECT_EQ(forEachSelected(path("w"), SelectionCriteria{}, record, collect), 4u);
  // Short and empty lines give 110-character result lines of their blanks.
  EXPECT_EQ(keys, (Names{keyOf(kRossi), std::string(110, ' '), keyOf(kBianchi), fixedWidth(kNeri.substr(0, 60), 110)}));
  EXPECT_EQ(record.bytes(), fixedWidth(kNeri.substr(0, 60), kLineLength)) << "the last line read";

  keys.clear();
  SelectionCriteria hook;
  hook.dotazioni_scelte = hook.gancio = true;
  EXPECT_EQ(forEachSelected(path("w"), hook, record, collect), 1u);
  EXPECT_EQ(keys, Names{keyOf(kBianchi)});

  EXPECT_THROW(forEachSelected(path("missing"), hook, record, collect), FileError);
}

// ---- the window ------------------------------------------------------------------------

class SelectWindow : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    setWorkCopy(crlf({kRossi, kBianchi, kVerdi, kNeri}));
  }
  HeadlessWindow& open() {
    main().click("mnsel");
    return win("Form3");
  }
  HeadlessWindow& f3() { return win("Form3"); }
  Names results() { return items("Form3", "List1"); }
  Names search() {
    f3().click("cmdcerca");
    return results();
  }
  bool red(const char* label) { return f3().control(label).backColor() == ui::kRed; }
  // The labels now chosen, of all the window's labels.
  Names redLabels() {
    Names out;
    for (const auto& c : f3().desc().controls)
      if (c.kind == ui::Kind::Label && red(c.name.c_str())) out.push_back(c.name);
    return out;
  }
  bool editorShown() { return m->form4Loaded() && m->form4().window().isVisible(); }

  const Names all{keyOf(kRossi), keyOf(kBianchi), keyOf(kVerdi), keyOf(kNeri)};
  const Names none{"Nessun volontario trovato"};
};

TEST(SelectLayout, CaptionsHintsStylesAndFocusOrder) {
  const ui::WindowSpec& s = form3Spec();
  EXPECT_EQ(s.caption, "Selezione");
  EXPECT_EQ((std::pair{s.width, s.height}), (std::pair{11880, 7995}));
  EXPECT_EQ(s.controls.size(), 39u);
  const auto desc = [&](const std::string& name) {
    for (const auto& c : s.controls)
      if (c.name == name) return c;
    ADD_FAILURE() << "no control " << name;
    return ui::ControlSpec{};
  };
  // The captions whose blanks and spelling are easy to lose.
  for (const auto& [name, caption] : std::initializer_list<std::pair<const char*, const char*>>{
           {"Lprov", "                    Provincia"},
           {"Lass", "                                  Associazione"},
           {"Label8", " Oper./Coll."},
           {"Label7", " Livello"},
           {"L1pp", "Un giorno nella propria proincia/regione "},
           {"L2sfp", "Due settimane o giorni fuori regione "},
           {"Lp27", "Palmare   27 MHz"},
           {"Lprof", "             Esperienza professionale"},
           {"Lapp", "                  Alre apparecchiature"},
           {"cmbsel", "Nuova selezione"}})
    EXPECT_EQ(desc(name).caption, caption) << name;
  EXPECT_EQ(desc("Lletti").hint, W("Cliccare per selezionare i volontari con disponibilità di posti letto in tenda o "
                                   "roulotte o camper ecc."));
  EXPECT_EQ(desc("Tprof").hint,
            "Inserire alcuni caratteri per selezionare i volontari che svolgono una certa professione o esperienza. ");
  EXPECT_EQ(desc("Combo1").hint, "Scegliere fra 'O'peratore o 'C'ollaboratore.");
  const ui::ControlSpec list = desc("List1");
  EXPECT_EQ((std::array{list.left, list.top, list.width, list.height}), (std::array{480, 3360, 10815, 3630}));
  EXPECT_EQ(list.font.name, "Courier New");

  Names clickable, labels;
  for (const auto& c : s.controls) {
    if (c.kind != ui::Kind::Label) continue;
    labels.push_back(c.name);
    if (c.clickable) clickable.push_back(c.name);
    EXPECT_EQ(c.font.name, "MS Sans Serif") << c.name;
    EXPECT_TRUE(c.font.bold) << c.name;
    EXPECT_EQ(c.backColor, ui::kBlue) << c.name;
    EXPECT_EQ(c.highlightText, c.name == "lmare") << c.name;
    if (c.name != "lmare") {
      EXPECT_EQ(c.foreColor, ui::kWhite) << c.name;
    }
  }
  EXPECT_EQ(labels.size(), 26u);
  EXPECT_EQ(clickable, (Names{"Lpass", "lmare", "L1pp", "Lv27", "Lpacket", "L3pp", "Lp27", "Lcamp", "Lprof", "L3fp",
                              "Lv43", "Lauto", "L1sfp", "Lp43", "Lgancio", "L2sfp", "Lvhf", "Lletti", "Lphf"}));
  EXPECT_EQ(s.tabOrder, (Names{"cbprov", "cbass", "Combo4", "Combo1", "cbliv", "cbseg", "Tprof", "Tapp", "List1",
                               "cmdstampa", "cmdcerca", "cmbsel", "cmbchiudi"}));
  // Every control that takes the focus is in the order.
  for (const auto& c : s.controls) {
    if (c.kind != ui::Kind::Label) {
      EXPECT_NE(std::find(s.tabOrder.begin(), s.tabOrder.end(), c.name), s.tabOrder.end()) << c.name;
    }
  }
}

TEST_F(SelectWindow, OpeningResetsCriteriaAndFillsTheChoices) {
  HeadlessWindow& w = open();
  EXPECT_TRUE(w.isVisible());
  EXPECT_EQ(w.caption(), "Selezione");
  EXPECT_EQ(items("Form3", "Combo4"), (Names{"A ", "AS", "B ", "BS", "C ", "CS", "D ", "DS", "E ", "F ", "NO"}));
  EXPECT_EQ(items("Form3", "cbliv"), (Names{"COM", "COC", "OR ", "COL"}));
  EXPECT_EQ(items("Form3", "cbseg"), (Names{"SI", "NO"}));
  EXPECT_EQ(items("Form3", "cbprov"), (Names{"ROMA                RM  ", "MILANO              MI  "}));
  EXPECT_EQ(w.control("cbprov").fontName(), "courier new");
  EXPECT_EQ(w.control("cbass").fontName(), "courier new");
  // No province chosen yet: only the associations without one.
  EXPECT_EQ(items("Form3", "cbass"), Names{fixedWidth("SENZA PROVINCIA", 40)});
  EXPECT_TRUE(items("Form3", "Combo1").empty());
  EXPECT_TRUE(results().empty());
  EXPECT_TRUE(redLabels().empty());
  EXPECT_EQ(m->dotazioni_scelte, "0");
  EXPECT_EQ(search(), all) << "no criterion: every volunteer in file order";
}

TEST_F(SelectWindow, LabelsAndChoicesMarkTheirCriteria) {
  HeadlessWindow& w = open();
  w.click("L1pp");
  w.click("Lpass");
  w.click("lmare");
  EXPECT_EQ(m->dotazioni_scelte, "0") << "availability and personal labels are not equipment";
  for (const char* inert : {"Lpat", "Lprov", "Lass", "Label7", "Label8", "Label9", "Lapp"}) w.click(inert);
  EXPECT_EQ(redLabels(), (Names{"Lpass", "lmare", "L1pp"}));
  w.click("Lv27");
  EXPECT_EQ(m->dotazioni_scelte, "1");
  w.click("Lv27");
  EXPECT_TRUE(red("Lv27")) << "a second click keeps it chosen";

  w.type("cbliv", "OR ");
  EXPECT_FALSE(red("Label7")) << "a typed level is not chosen";
  w.pick("cbliv", 2);
  EXPECT_TRUE(red("Label7"));
  w.type("cbseg", "si");
  EXPECT_TRUE(red("Label9"));
  w.type("Combo4", "b");
  EXPECT_TRUE(red("Lpat"));
  w.pick("cbprov", 0);
  EXPECT_TRUE(red("Lprov"));
  EXPECT_FALSE(red("Lass"));
  w.pick("cbass", 0);
  EXPECT_TRUE(red("Lass"));
  w.type("Combo1", "O");
  EXPECT_EQ(redLabels().size(), 9u) << "Combo1 chooses nothing";

  // Each free-text filter chooses its label and the equipment group.
  for (const auto& [box, label] : {std::pair{"Tprof", "Lprof"}, std::pair{"Tapp", "Lapp"}}) {
    w.click("cmbsel");
    EXPECT_EQ(m->dotazioni_scelte, "0");
    w.type(box, "x");
    EXPECT_TRUE(red(label)) << box;
    EXPECT_EQ(redLabels().size(), 1u) << box;
    EXPECT_EQ(m->dotazioni_scelte, "1") << box;
  }
}

TEST_F(SelectWindow, LeavingTheProvinceReloadsTheAssociations) {
  HeadlessWindow& w = open();
  w.focus("cbprov");
  w.pick("cbprov", 1);
  EXPECT_EQ(items("Form3", "cbass").size(), 1u) << "the list follows the focus, not the pick";
  w.focus("cbass");
  EXPECT_EQ(items("Form3", "cbass"), Names{fixedWidth("RADIO MILANO", 40) + "MI  "});
  w.pick("cbass", 0);
  EXPECT_EQ(search(), (Names{keyOf(kVerdi), keyOf(kNeri)}));

  // A province typed by hand, without its padding: no abbreviation, and no
  // volunteer has that 20-character province.
  w.click("cmbsel");
  w.focus("cbprov");
  w.type("cbprov", "roma");
  w.focus("Tprof");
  EXPECT_EQ(items("Form3", "cbass"), Names{fixedWidth("SENZA PROVINCIA", 40)});
  EXPECT_EQ(w.control("cbass").text(), "");
  EXPECT_FALSE(red("Lprov")) << "typing does not colour it";
  EXPECT_EQ(search(), none) << "the filter applies whatever the colour";
  w.type("cbprov", fixedWidth("roma", 20));
  EXPECT_EQ(search(), (Names{keyOf(kRossi), keyOf(kBianchi)}));
}

TEST_F(SelectWindow, SearchCombinesTheWindowsCriteria) {
  HeadlessWindow& w = open();
  w.click("Lauto");
  w.click("Lgancio");
  EXPECT_EQ(search(), (Names{keyOf(kRossi), keyOf(kBianchi)}));
  EXPECT_EQ(search(), (Names{keyOf(kRossi), keyOf(kBianchi)})) << "a second search does not double the lines";
  w.click("L1pp");
  EXPECT_EQ(search(), Names{keyOf(kRossi)});
  w.click("L2sfp");
  EXPECT_EQ(search(), (Names{keyOf(kRossi), keyOf(kBianchi)}));

  w.click("cmbsel");
  w.click("Lletti");
  w.click("Lphf");
  w.pick("cbprov", 1);
  EXPECT_EQ(search(), (Names{keyOf(kVerdi), keyOf(kNeri)}));
  w.pick("cbprov", 0);
  EXPECT_EQ(search(), none);

  w.click("cmbsel");
  w.type("cbliv", "or ");  // typed, not picked: the level is not applied
  EXPECT_EQ(search(), all);
  w.pick("cbliv", 0);
  EXPECT_EQ(search(), Names{keyOf(kVerdi)});

  w.click("cmbsel");
  w.type("Combo4", "b");
  EXPECT_EQ(search(), none) << "a category typed without its blank";
  w.type("Combo4", "b ");
  EXPECT_EQ(search(), Names{keyOf(kRossi)});
  w.pick("Combo4", 10);
  EXPECT_EQ(search(), Names{keyOf(kBianchi)});

  w.click("cmbsel");
  w.type("Tprof", "elettr");
  EXPECT_EQ(search(), Names{keyOf(kBianchi)});
  w.type("Tprof", "");  // erased: the label stays chosen with an empty filter
  EXPECT_EQ(search(), all);
  w.type("Tapp", "generatore");
  EXPECT_EQ(search(), all) << "the empty experience filter still lets everyone through";
  w.click("cmbsel");
  w.type("Tapp", "generatore");
  EXPECT_EQ(search(), none) << "looked for in capitals";
  EXPECT_EQ(m->record.bytes(), kNeri) << "the search parses every line into the current record";
  EXPECT_GE(ui.busyCalls, 1);
  EXPECT_FALSE(ui.busy);
}

// Each criterion label looks at its own field and no other: of a volunteer
// holding only that field and one holding every other, only the first is
// listed.
TEST_F(SelectWindow, EveryLabelReadsItsOwnField) {
  struct Item {
    const char* label;
    const char* field;
    const char* value;
  };
  // clang-format off
  const std::vector<Item> table = {
      {"Lpass", "passaporto", "SI"}, {"lmare", "krt_mare", "SI"},
      {"L1pp", "ore_1g", "0"}, {"L3pp", "ore_3g", "0"}, {"L3fp", "ore_3g_fuori", "0"},
      {"L1sfp", "ore_1s_fuori", "0"}, {"L2sfp", "ore_2s_fuori", "0"},
      {"Lv27", "veicolare_27", "0"}, {"Lp27", "palmare_27", "0"}, {"Lv43", "veicolare_43", "0"},
      {"Lp43", "palmare_43", "0"}, {"Lvhf", "veicolare_vhf", "0"}, {"Lphf", "palmare_vhf", "0"},
      {"Lletti", "posti_letto", "0"}, {"Lpacket", "packet", "SI"}, {"Lcamp", "stazione_campale", "SI"},
      {"Lauto", "autovettura", "SI"}, {"Lgancio", "gancio", "SI"}};
  // clang-format on
  HeadlessWindow& w = open();
  for (const Item& item : table) {
    VolunteerRecord only, others;
    only.clear();
    others.clear();
    only.cognome = "ONLY";
    others.cognome = "OTHERS";
    setField(only, *findField(item.field), item.value);
    for (const Item& other : table)
      if (other.field != item.field) setField(others, *findField(other.field), other.value);
    setWorkCopy(crlf({only.toLine(), others.toLine()}));
    w.click("cmbsel");
    w.click(item.label);
    EXPECT_EQ(search(), Names{only.key()}) << item.label;
  }
}

TEST_F(SelectWindow, NewSelectionWithdrawsEveryCriterion) {
  HeadlessWindow& w = open();
  w.type("Tprof", "elettr");
  w.type("Tapp", "yaesu");
  w.click("Lv43");
  w.click("L3fp");
  w.pick("cbprov", 0);
  w.pick("cbliv", 1);
  w.type("Combo1", "C");
  EXPECT_EQ(search(), none);
  w.click("cmbsel");
  EXPECT_TRUE(results().empty());
  EXPECT_TRUE(redLabels().empty());
  EXPECT_EQ(w.control("Tprof").text(), "");
  EXPECT_EQ(w.control("Tapp").text(), "");
  EXPECT_EQ(w.control("cbprov").text(), "");
  EXPECT_EQ(w.control("cbliv").text(), "");
  EXPECT_EQ(w.control("Combo1").text(), "C") << "Combo1 is never emptied";
  EXPECT_EQ(m->dotazioni_scelte, "0");
  EXPECT_EQ(search(), all);
  // The search reads the program's flag for the equipment group.
  m->dotazioni_scelte = "1";
  EXPECT_EQ(search(), none);
}

TEST_F(SelectWindow, ActivationResetsUnlessAResultWasOpened) {
  HeadlessWindow& w = open();
  w.click("Lauto");
  w.type("Tprof", "x");
  search();
  ui.activate(main());
  ui.activate(w);
  EXPECT_TRUE(results().empty()) << "coming back withdraws the criteria";
  EXPECT_TRUE(redLabels().empty());
  EXPECT_EQ(w.control("Tprof").text(), "");
  EXPECT_EQ(m->dotazioni_scelte, "0");

  w.click("Lgancio");
  EXPECT_EQ(search(), Names{keyOf(kBianchi)});
  w.pick("List1", 0);
  EXPECT_TRUE(m->mantieni_selezione);
  EXPECT_EQ(m->modo, "m");
  EXPECT_EQ(m->record.bytes(), kBianchi);
  EXPECT_TRUE(editorShown());
  ui.activate(main());
  ui.activate(w);
  EXPECT_EQ(results(), Names{keyOf(kBianchi)}) << "kept after opening a result";
  EXPECT_EQ(redLabels(), Names{"Lgancio"});
  EXPECT_EQ(m->dotazioni_scelte, "1");

  // "Chiudi" hides the window and lets the next opening reset it.
  w.click("cmbchiudi");
  EXPECT_FALSE(w.isVisible());
  EXPECT_FALSE(m->mantieni_selezione);
  EXPECT_EQ(results(), Names{keyOf(kBianchi)}) << "hidden as it was";
  open();
  EXPECT_TRUE(results().empty());
  EXPECT_TRUE(redLabels().empty());
}

TEST_F(SelectWindow, ClosingByTheFrameUnloadsAndKeepsTheFlag) {
  HeadlessWindow& w = open();
  w.click("Lcamp");
  search();
  w.pick("List1", 0);  // "Nessun volontario trovato"
  EXPECT_TRUE(w.close());
  EXPECT_FALSE(m->form3Loaded());
  EXPECT_EQ(ui.find("Form3"), nullptr);
  EXPECT_TRUE(m->mantieni_selezione);
  HeadlessWindow& again = open();
  EXPECT_TRUE(again.isVisible());
  EXPECT_TRUE(results().empty()) << "a new load starts from the reset";
  EXPECT_TRUE(redLabels().empty());
  EXPECT_EQ(items("Form3", "cbliv").size(), 4u);
}

TEST_F(SelectWindow, OpeningTheNothingFoundLineGivesABlankRecord) {
  HeadlessWindow& w = open();
  w.click("Lcamp");
  ASSERT_EQ(search(), none);
  m->modo = "i";
  w.pick("List1", 0);
  EXPECT_EQ(m->record.bytes(), std::string(kLineLength, ' '));
  EXPECT_EQ(m->modo, "m");
  EXPECT_TRUE(m->mantieni_selezione);
  EXPECT_TRUE(editorShown());
}

TEST_F(SelectWindow, OpeningAResultFindsTheFirstLineOfItsKey) {
  std::string twin = kVerdi;
  twin.replace(200, 5, "ALTRA");
  setWorkCopy(crlf({kRossi, kVerdi, twin}));
  HeadlessWindow& w = open();
  w.pick("cbprov", 1);
  EXPECT_EQ(search(), (Names{keyOf(kVerdi), keyOf(kVerdi)}));
  w.pick("List1", 1);
  EXPECT_EQ(m->record.bytes(), kVerdi);

  // A volunteer gone from the work copy since the search: the blank record.
  setWorkCopy(crlf({kRossi}));
  w.pick("List1", 0);
  EXPECT_EQ(m->record.bytes(), std::string(kLineLength, ' '));
  EXPECT_EQ(results().size(), 2u) << "the list is not refreshed by the click";
}

TEST_F(SelectWindow, AnUnreadableWorkCopyIsReportedAndListsNothing) {
  HeadlessWindow& w = open();
  EXPECT_EQ(search(), all);
  std::filesystem::remove(m->percorso_wrk());
  std::filesystem::create_directory(m->percorso_wrk());
  ui.takeMessages();
  EXPECT_TRUE(search().empty());
  const auto shown = ui.takeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].rfind("Impossibile leggere il file", 0), 0u) << shown[0];
  EXPECT_FALSE(ui.busy);

  // Opening a result cannot look it up either: nothing changes.
  w.click("cmbsel");
  std::filesystem::remove(m->percorso_wrk());
  setWorkCopy(crlf({kRossi}));
  search();
  m->record.fromLine(kNeri);
  std::filesystem::remove(m->percorso_wrk());
  std::filesystem::create_directory(m->percorso_wrk());
  w.pick("List1", 0);
  EXPECT_EQ(ui.takeMessages().size(), 1u);
  EXPECT_EQ(m->record.bytes(), kNeri);
  EXPECT_FALSE(editorShown());
}

// The printed calls with the pen positions left out: "text <line>".
Names printedTexts(const headless::PrintedDocument& doc) {
  Names out;
  for (const auto& call : doc.calls) {
    if (call.rfind("text ", 0) == 0) {
      const auto y = call.find(' ', 5);
      out.push_back("text " + call.substr(call.find(' ', y + 1) + 1));
    } else {
      out.push_back(call);
    }
  }
  return out;
}

TEST_F(SelectWindow, PrintsTheTitleAndEveryLineOfTheList) {
  HeadlessWindow& w = open();
  w.click("cmdstampa");
  ASSERT_EQ(ui.printed.size(), 1u);
  EXPECT_EQ(printedTexts(ui.printed[0]),
            (Names{"font courier new", "size 12", "bold on", "landscape",
                   "text                 ELENCO VOLONTARI SELEZIONATI", "bold off", "text     ", "end"}));
  w.click("Lgancio");
  w.click("Lauto");
  search();
  w.click("cmdstampa");
  ASSERT_EQ(ui.printed.size(), 2u);
  const Names calls = printedTexts(ui.printed[1]);
  ASSERT_EQ(calls.size(), 10u);
  EXPECT_EQ(Names(calls.begin() + 6, calls.end()),
            (Names{"text     ", "text " + keyOf(kRossi), "text " + keyOf(kBianchi), "end"}));
  w.click("cmbsel");
  w.click("Lcamp");
  search();
  w.click("cmdstampa");
  EXPECT_EQ(printedTexts(ui.printed[2])[7], "text Nessun volontario trovato");

  // No printer: the list can go to a PDF file instead.
  ui.setPrinterInstalled(false);
  ui.answer(ui::Answer::Yes);
  ui.chooseFile(path("elenco.pdf"));
  w.click("cmdstampa");
  ASSERT_EQ(ui.printed.size(), 4u);
  EXPECT_EQ(ui.printed[3].pdfPath, path("elenco.pdf"));
  EXPECT_TRUE(ui.printed[3].ended);
  EXPECT_TRUE(ui.scriptsUsed());
}

}  // namespace
}  // namespace krt::test
