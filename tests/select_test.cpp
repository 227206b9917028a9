// The selection window: its criteria, the search over the work copy, the
// result list, opening a result in the editor and the printed list.
#include <algorithm>
#include <array>
#include <filesystem>
#include <tuple>

#include "editor/form4.h"
#include "select/criteria.h"
#include "select/form3.h"
#include "support.h"

namespace krt::test {
namespace {

using headless::HeadlessWindow;
using Names = std::vector<std::string>;

// ---- the volunteers the tests search ----------------------------------------------

// clang-format off
const std::string kRossi = line({{"provincia", "ROMA"}, {"associazione", "RADIO CLUB ROMA"}, {"cognome", "ROSSI"},
    {"nome", "MARIO"}, {"livello", "OR"}, {"segreteria", "SI"}, {"krt_mare", "NO"}, {"patente", "B"},
    {"passaporto", "SI"}, {"ore_1g", "2"}, {"ore_3g", "NO"}, {"veicolare_27", "0"}, {"autovettura", "SI"},
    {"gancio", "NO"}});
const std::string kBianchi = line({{"provincia", "ROMA"}, {"associazione", "CB ROMA NORD"}, {"cognome", "BIANCHI"},
    {"nome", "LUCA"}, {"patente", "NO"}, {"ore_1g", "NO"}, {"ore_2s_fuori", "24"},
    {"spec_professionale", "ELETTRICISTA"}, {"altro_1", "YAESU FT-817"}, {"autovettura", "NO"}, {"gancio", "SI"}});
const std::string kVerdi = line({{"provincia", "MILANO"}, {"associazione", "RADIO MILANO"}, {"cognome", "VERDI"},
    {"nome", "ANNA"}, {"livello", "COM"}, {"krt_mare", "SI"}, {"patente", "A"}, {"palmare_vhf", "2"},
    {"attrezzature", "generatore"}});
const std::string kNeri = line({{"provincia", "MILANO"}, {"associazione", "RADIO MILANO"}, {"cognome", "NERI"},
    {"nome", "PAOLO"}, {"posti_letto", "4"}});
// clang-format on

std::string keyOf(const std::string& l) { return l.substr(0, kKeyLength); }

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

// The yes/no items want "SI" exactly; the hours fields refuse "NO" and
// blanks but take a zero; the equipment items count only with the group in use.
TEST(SelectCriteria, FieldsAndTheEquipmentGroup) {
  VolunteerRecord r;
  r.clear();
  r.gancio = "si";
  r.ore_3g_fuori = "NO";
  EXPECT_FALSE(matches({.gancio = true, .dotazioni_scelte = true}, r));
  EXPECT_TRUE(matches({.gancio = true}, r)) << "the group not in use";
  EXPECT_FALSE(matches({.ore_3g_fuori = true}, r));
  r.ore_3g_fuori = "0";
  EXPECT_TRUE(matches({.ore_3g_fuori = true}, r));
  EXPECT_TRUE(SelectionCriteria{.apparecchiature = ""}.anyEquipment());
  EXPECT_TRUE(SelectionCriteria{.professione = "x"}.anyEquipment());
  EXPECT_FALSE(SelectionCriteria{}.anyEquipment());
  // The experience filter looks in both specialisations, the equipment
  // filter in the two other radios and the further equipment.
  const SelectionCriteria experience{.professione = "xy", .dotazioni_scelte = true};
  const SelectionCriteria equipment{.apparecchiature = "xy", .dotazioni_scelte = true};
  for (const char* field : {"spec_associazione", "spec_professionale", "altro_1", "altro_2", "attrezzature"}) {
    r.clear();
    setField(r, *findField(field), "XYZ");
    const bool experienceField = std::string_view(field).rfind("spec_", 0) == 0;
    EXPECT_TRUE(matches(experienceField ? experience : equipment, r)) << field;
    EXPECT_FALSE(matches(experienceField ? equipment : experience, r)) << field;
  }
}

// ---- the layout ------------------------------------------------------------------------

TEST(SelectLayout, TextsStylesAndFocusOrder) {
  const ui::WindowSpec& s = form3Spec();
  EXPECT_EQ((std::tuple{s.width, s.height, s.controls.size()}), (std::tuple{11880, 7995, 39u}));
  const auto desc = [&](const std::string& name) {
    const auto it = std::find_if(s.controls.begin(), s.controls.end(), [&](const auto& c) { return c.name == name; });
    return it == s.controls.end() ? ui::ControlSpec{} : *it;
  };
  // The texts whose blanks, accents, quotes and spelling are easy to lose.
  const auto caption = &ui::ControlSpec::caption;
  const auto hint = &ui::ControlSpec::hint;
  // clang-format off
  const std::vector<std::tuple<const char*, decltype(hint), std::string>> texts{
      {"Lprov", caption, "                    Provincia"}, {"Label8", caption, " Oper./Coll."},
      {"Lass", caption, "                                  Associazione"}, {"Label7", caption, " Livello"},
      {"L1pp", caption, "Un giorno nella propria proincia/regione "}, {"Lp27", caption, "Palmare   27 MHz"},
      {"L2sfp", caption, "Due settimane o giorni fuori regione "}, {"cmbsel", caption, "Nuova selezione"},
      {"Lprof", caption, "             Esperienza professionale"},
      {"Lapp", caption, "                  Alre apparecchiature"},
      {"Lletti", hint, W("Cliccare per selezionare i volontari con disponibilità di posti letto in tenda o roulotte o "
                         "camper ecc.")},
      {"Tprof", hint, "Inserire alcuni caratteri per selezionare i volontari che svolgono una certa professione o "
                      "esperienza. "},
      {"Combo1", hint, "Scegliere fra 'O'peratore o 'C'ollaboratore."}};
  // clang-format on
  for (const auto& [name, text, expected] : texts) EXPECT_EQ(desc(name).*text, expected) << name;
  const ui::ControlSpec list = desc("List1");
  EXPECT_EQ((std::array{list.left, list.top, list.width, list.height}), (std::array{480, 3360, 10815, 3630}));
  EXPECT_EQ(list.font.name, "Courier New");
  for (const auto& c : s.controls) {
    if (c.kind != ui::Kind::Label) {
      // Every control that takes the focus is in the order.
      EXPECT_NE(std::find(s.tabOrder.begin(), s.tabOrder.end(), c.name), s.tabOrder.end()) << c.name;
      continue;
    }
    EXPECT_EQ((std::tuple{c.font.name, c.font.bold, c.backColor}), (std::tuple{"MS Sans Serif", true, ui::kBlue}))
        << c.name;
    EXPECT_EQ(c.highlightText, c.name == "lmare") << c.name;
    EXPECT_EQ(c.foreColor, c.name == "lmare" ? std::nullopt : std::optional{ui::kWhite}) << c.name;
  }
  EXPECT_EQ(s.tabOrder, (Names{"cbprov", "cbass", "Combo4", "Combo1", "cbliv", "cbseg", "Tprof", "Tapp", "List1",
                               "cmdstampa", "cmdcerca", "cmbsel", "cmbchiudi"}));
}

// ---- the window ------------------------------------------------------------------------

// One thing the user does in the window.
struct Act {
  enum Op { Click, Type, Pick, Focus } op;
  std::string control, text;
  int index;
};
Act click(const std::string& control) { return {Act::Click, control, "", 0}; }
Act type(const char* control, const std::string& text) { return {Act::Type, control, text, 0}; }
Act pick(const char* control, int index) { return {Act::Pick, control, "", index}; }
Act focus(const char* control) { return {Act::Focus, control, "", 0}; }

class SelectWindow : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    setWorkCopy(crlf(records));
  }
  HeadlessWindow& open() {
    main().click("mnsel");
    return win("Form3");
  }
  HeadlessWindow& f3() { return win("Form3"); }
  void apply(const std::vector<Act>& acts) {
    for (const Act& a : acts) {
      if (a.op == Act::Click) f3().click(a.control);
      if (a.op == Act::Type) f3().type(a.control, a.text);
      if (a.op == Act::Pick) f3().pick(a.control, a.index);
      if (a.op == Act::Focus) f3().focus(a.control);
    }
  }
  Names results() { return items("Form3", "List1"); }
  Names search() {
    f3().click("cmdcerca");
    return results();
  }
  bool red(const std::string& label) { return f3().control(label).backColor() == ui::kRed; }
  // The labels now chosen, in the window's order.
  Names redLabels() {
    Names out;
    for (const auto& c : f3().desc().controls)
      if (c.kind == ui::Kind::Label && red(c.name)) out.push_back(c.name);
    return out;
  }
  bool editorShown() { return m->form4Loaded() && m->form4().window().isVisible(); }
  // No criterion chosen, the choices filled and the list empty.
  void expectNoCriterion(const char* when) {
    SCOPED_TRACE(when);
    EXPECT_EQ(items("Form3", "Combo4"), (Names{"A ", "AS", "B ", "BS", "C ", "CS", "D ", "DS", "E ", "F ", "NO"}));
    EXPECT_EQ(items("Form3", "cbliv"), (Names{"COM", "COC", "OR ", "COL"}));
    EXPECT_EQ(items("Form3", "cbseg"), (Names{"SI", "NO"}));
    EXPECT_EQ(items("Form3", "cbprov"), (Names{"ROMA                RM  ", "MILANO              MI  "}));
    // No province chosen: only the associations without one.
    EXPECT_EQ(items("Form3", "cbass"), Names{fixedWidth("SENZA PROVINCIA", 40)});
    for (const char* c : {"Tprof", "Tapp", "cbprov", "cbliv"}) EXPECT_EQ(f3().control(c).text(), "") << c;
    EXPECT_TRUE(results().empty());
    EXPECT_TRUE(redLabels().empty());
    EXPECT_EQ(m->dotazioni_scelte, "0");
  }

  const Names records{kRossi, kBianchi, kVerdi, kNeri};
  const std::string rossi = keyOf(kRossi), bianchi = keyOf(kBianchi), verdi = keyOf(kVerdi), neri = keyOf(kNeri);
  const Names all{rossi, bianchi, verdi, neri};
  const Names none{"Nessun volontario trovato"};
  const std::string blank = std::string(kLineLength, ' ');
};

TEST_F(SelectWindow, OpeningStartsWithNoCriterion) {
  HeadlessWindow& w = open();
  EXPECT_TRUE(w.isVisible());
  EXPECT_EQ(w.caption(), "Selezione");
  for (const char* c : {"cbprov", "cbass"}) EXPECT_EQ(w.control(c).fontName(), "courier new") << c;
  EXPECT_TRUE(items("Form3", "Combo1").empty());
  expectNoCriterion("opened");
  EXPECT_EQ(search(), all) << "no criterion: every volunteer in file order";
  // Short and empty lines give result lines of their blanks; the search
  // parses every line into the current record.
  setWorkCopy(crlf({kRossi, ""}) + kNeri.substr(0, 60));
  EXPECT_EQ(search(), (Names{rossi, std::string(110, ' '), fixedWidth(kNeri.substr(0, 60), 110)}));
  EXPECT_EQ(m->record.bytes(), fixedWidth(kNeri.substr(0, 60), kLineLength)) << "the last line read";
  setWorkCopy(crlf(records));
  m->dotazioni_scelte = "1";  // the search reads the program's flag for the equipment group
  EXPECT_EQ(search(), none);
}

// Each criterion label looks at its own field and no other: of a volunteer
// holding only that field and one holding every other, only the first is
// listed. A click chooses the label (a second one keeps it chosen), and only
// the equipment labels put the equipment group in use (the last column).
TEST_F(SelectWindow, EveryLabelReadsItsOwnField) {
  // clang-format off
  struct Item { const char* label; const char* field; const char* value; bool equipment; };
  const std::vector<Item> table = {
      {"Lpass", "passaporto", "SI", 0}, {"lmare", "krt_mare", "SI", 0}, {"L1pp", "ore_1g", "0", 0},
      {"L3pp", "ore_3g", "0", 0}, {"L3fp", "ore_3g_fuori", "0", 0}, {"L1sfp", "ore_1s_fuori", "0", 0},
      {"L2sfp", "ore_2s_fuori", "0", 0}, {"Lv27", "veicolare_27", "0", 1}, {"Lp27", "palmare_27", "0", 1},
      {"Lv43", "veicolare_43", "0", 1}, {"Lp43", "palmare_43", "0", 1}, {"Lvhf", "veicolare_vhf", "0", 1},
      {"Lphf", "palmare_vhf", "0", 1}, {"Lletti", "posti_letto", "0", 1}, {"Lpacket", "packet", "SI", 1},
      {"Lcamp", "stazione_campale", "SI", 1}, {"Lauto", "autovettura", "SI", 1}, {"Lgancio", "gancio", "SI", 1}};
  // clang-format on
  open();
  for (const Item& item : table) {
    SCOPED_TRACE(item.label);
    const std::string only = line({{"cognome", "ONLY"}, {item.field, item.value}});
    VolunteerRecord others;
    others.clear();
    for (const Item& other : table)
      if (other.field != item.field) setField(others, *findField(other.field), other.value);
    setWorkCopy(crlf({only, others.toLine()}));
    apply({click("cmbsel"), click(item.label), click(item.label)});
    EXPECT_EQ(redLabels(), Names{item.label});
    EXPECT_EQ(m->dotazioni_scelte, item.equipment ? "1" : "0");
    EXPECT_EQ(search(), Names{keyOf(only)});
  }
  // A label takes the focus and is a check box for screen readers exactly
  // when a click on it chooses a criterion.
  for (const auto& c : form3Spec().controls) {
    if (c.kind != ui::Kind::Label) continue;
    apply({click("cmbsel"), click(c.name)});
    EXPECT_EQ(red(c.name), c.clickable) << c.name;
  }
}

// What each choice and filter marks and hands to the search. Each case starts
// from "Nuova selezione", which withdraws what the case before chose (but
// never empties Combo1); each search runs twice, and the second must not
// double the lines.
TEST_F(SelectWindow, ChoicesAndFiltersMarkTheirLabelsAndSelect) {
  // clang-format off
  const struct { const char* why; std::vector<Act> acts; Names red; const char* equipment; Names found; } cases[] = {
      {"a typed level is neither chosen nor applied", {type("cbliv", "or ")}, {}, "0", all},
      {"a picked level", {pick("cbliv", 0)}, {"Label7"}, "0", {verdi}},
      {"secretarial typed", {type("cbseg", "si")}, {"Label9"}, "0", {rossi}},
      {"a licence typed without its blank", {type("Combo4", "b")}, {"Lpat"}, "0", none},
      {"a licence typed with it", {type("Combo4", "b ")}, {"Lpat"}, "0", {rossi}},
      {"a licence picked", {pick("Combo4", 10)}, {"Lpat"}, "0", {bianchi}},
      {"a province picked", {pick("cbprov", 0)}, {"Lprov"}, "0", {rossi, bianchi}},
      {"the associations follow the focus, not the pick", {pick("cbprov", 0), pick("cbass", 0)}, {"Lprov", "Lass"},
       "0", none},
      {"leaving the province reloads them", {focus("cbprov"), pick("cbprov", 1), focus("cbass"), pick("cbass", 0)},
       {"Lprov", "Lass"}, "0", {verdi, neri}},
      {"a province typed applies but is not marked", {type("cbprov", fixedWidth("roma", 20))}, {}, "0",
       {rossi, bianchi}},
      {"a province typed without its padding", {type("cbprov", "roma")}, {}, "0", none},
      {"an association typed", {type("cbass", fixedWidth("cb roma nord", 40))}, {}, "0", {bianchi}},
      {"an association typed without its padding", {type("cbass", "CB ROMA NORD")}, {}, "0", none},
      {"passport and KRT mare", {click("Lpass"), click("lmare")}, {"Lpass", "lmare"}, "0", none},
      {"car or hook, one day", {click("Lauto"), click("Lgancio"), click("L1pp")}, {"L1pp", "Lauto", "Lgancio"}, "1",
       {rossi}},
      {"the experience label alone: an empty filter", {click("Lprof")}, {"Lprof"}, "1", all},
      {"experience", {type("Tprof", "elettr")}, {"Lprof"}, "1", {bianchi}},
      {"experience erased: still chosen", {type("Tprof", "elettr"), type("Tprof", "")}, {"Lprof"}, "1", all},
      {"other equipment", {type("Tapp", "yaesu")}, {"Lapp"}, "1", {bianchi}},
      {"other equipment erased: everyone has some", {type("Tapp", "x"), type("Tapp", "")}, {"Lapp"}, "1", all},
      {"other equipment is looked for in capitals", {type("Tapp", "generatore")}, {"Lapp"}, "1", none},
      {"Combo1 chooses nothing", {type("Combo1", "O")}, {}, "0", all},
  };
  // clang-format on
  HeadlessWindow& w = open();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    w.click("cmbsel");
    expectNoCriterion("Nuova selezione");
    apply(c.acts);
    EXPECT_EQ(redLabels(), c.red);
    EXPECT_EQ(m->dotazioni_scelte, c.equipment);
    search();
    EXPECT_EQ(search(), c.found);
  }
  EXPECT_GE(ui.busyCalls, 1);
  EXPECT_FALSE(ui.busy);
  w.click("cmbsel");
  EXPECT_EQ(w.control("Combo1").text(), "O");
}

// The criteria stay while a result is open in the editor; otherwise coming
// back to the window, "Chiudi" and closing by the frame start anew.
TEST_F(SelectWindow, OpeningAResultKeepsTheSelectionUntilTheWindowIsClosed) {
  HeadlessWindow& w = open();
  apply({click("Lauto"), type("Tprof", "x"), click("cmdcerca")});
  ui.activate(main());
  ui.activate(w);
  expectNoCriterion("coming back withdraws the criteria");

  // The "nothing found" line opens a blank record.
  apply({click("Lcamp"), click("cmdcerca")});
  m->modo = "i";
  w.pick("List1", 0);
  EXPECT_EQ(m->record.bytes(), blank);
  EXPECT_EQ(m->modo, "m");
  EXPECT_TRUE(m->mantieni_selezione);
  EXPECT_TRUE(editorShown());
  ui.activate(main());
  ui.activate(w);
  EXPECT_EQ(results(), none) << "kept after opening a result";
  EXPECT_EQ(redLabels(), Names{"Lcamp"});
  EXPECT_EQ(m->dotazioni_scelte, "1");

  // "Chiudi" hides the window and lets the next opening reset it.
  w.click("cmbchiudi");
  EXPECT_FALSE(w.isVisible());
  EXPECT_FALSE(m->mantieni_selezione);
  EXPECT_EQ(results(), none) << "hidden as it was";
  open();
  expectNoCriterion("opened again");

  // Closing by the frame unloads the window and keeps the flag.
  apply({click("Lcamp"), click("cmdcerca"), pick("List1", 0)});
  EXPECT_TRUE(w.close());
  EXPECT_FALSE(m->form3Loaded());
  EXPECT_EQ(ui.find("Form3"), nullptr);
  EXPECT_TRUE(m->mantieni_selezione);
  EXPECT_TRUE(open().isVisible());
  expectNoCriterion("a new load starts from the reset");
}

// The work copy is read again at each search and at each opening of a result.
TEST_F(SelectWindow, OpeningAResultFindsTheFirstLineOfItsKeyOrReportsTheFailure) {
  const auto breakWorkCopy = [&] {
    std::filesystem::remove(m->percorso_wrk());
    std::filesystem::create_directory(m->percorso_wrk());
  };
  HeadlessWindow& w = open();
  breakWorkCopy();
  EXPECT_TRUE(search().empty());
  auto shown = ui.takeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].rfind("Impossibile leggere il file", 0), 0u) << shown[0];
  EXPECT_FALSE(ui.busy);

  std::filesystem::remove(m->percorso_wrk());
  std::string twin = kVerdi;
  twin.replace(200, 5, "ALTRA");
  setWorkCopy(crlf({kRossi, kVerdi, twin}));
  EXPECT_EQ(search(), (Names{rossi, verdi, verdi}));
  // Unreadable when a result is opened: nothing changes.
  m->record.fromLine(kNeri);
  breakWorkCopy();
  w.pick("List1", 2);
  EXPECT_EQ(ui.takeMessages().size(), 1u);
  EXPECT_EQ(m->record.bytes(), kNeri);
  EXPECT_FALSE(editorShown());

  std::filesystem::remove(m->percorso_wrk());
  setWorkCopy(crlf({kRossi, kVerdi, twin}));
  w.pick("List1", 2);
  EXPECT_EQ(m->record.bytes(), kVerdi);
  // A volunteer gone from the work copy since the search: the blank record.
  setWorkCopy(crlf({kRossi}));
  w.pick("List1", 1);
  EXPECT_EQ(m->record.bytes(), blank);
  EXPECT_EQ(results().size(), 3u) << "the list is not refreshed by the click";
}

TEST_F(SelectWindow, PrintsTheTitleAndEveryLineOfTheList) {
  // The printed calls with the pen positions left out.
  const auto printed = [&](std::size_t i) {
    Names out;
    for (const auto& call : ui.printed.at(i).calls) {
      const bool text = call.rfind("text ", 0) == 0;
      out.push_back(text ? "text " + call.substr(call.find(' ', call.find(' ', 5) + 1) + 1) : call);
    }
    return out;
  };
  const auto page = [](const Names& lines) {
    Names calls{
        "font courier new", "size 12",  "bold on", "landscape", "text                 ELENCO VOLONTARI SELEZIONATI",
        "bold off",         "text     "};
    for (const auto& l : lines) calls.push_back("text " + l);
    calls.push_back("end");
    return calls;
  };
  HeadlessWindow& w = open();
  apply({click("cmdstampa"), click("Lgancio"), click("Lauto"), click("cmdcerca"), click("cmdstampa"), click("cmbsel"),
         click("Lcamp"), click("cmdcerca"), click("cmdstampa")});
  EXPECT_EQ(printed(0), page({}));
  EXPECT_EQ(printed(1), page({rossi, bianchi}));
  EXPECT_EQ(printed(2), page(none));

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
