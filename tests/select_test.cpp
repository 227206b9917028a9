// The selection window: its criteria, the search over the work copy, the
// result list, opening a result in the editor and the printed list.
#include <algorithm>
#include <functional>
#include <tuple>

#include "editor/form4.h"
#include "records/file_io.h"
#include "select/form3.h"
#include "export/totals.h"
#include "support.h"
#include "xlsx_dump.h"

namespace krt::test {
namespace {

using headless::HeadlessWindow;
using Names = std::vector<std::string>;

// clang-format off
const std::string kRossi = line({{"provincia", "ROMA"}, {"associazione", "RADIO CLUB ROMA"}, {"cognome", "ROSSI"},
    {"nome", "MARIO"}, {"livello", "OR"}, {"segreteria", "SI"}, {"patente", "B"}, {"ore_1g", "2"},
    {"autovettura", "SI"}, {"gancio", "NO"}});
const std::string kBianchi = line({{"provincia", "ROMA"}, {"associazione", "CB ROMA NORD"}, {"cognome", "BIANCHI"},
    {"nome", "LUCA"}, {"patente", "NO"}, {"ore_1g", "NO"}, {"autovettura", "NO"}, {"gancio", "SI"}});
const std::string kVerdi = line({{"provincia", "MILANO"}, {"associazione", "RADIO MILANO"}, {"cognome", "VERDI"},
    {"nome", "ANNA"}, {"livello", "COM"}, {"patente", "A"}, {"palmare_vhf", "2"}});
const std::string kNeri = line({{"provincia", "MILANO"}, {"associazione", "RADIO MILANO"}, {"cognome", "NERI"},
    {"nome", "PAOLO"}, {"posti_letto", "4"}});
// clang-format on

std::string keyOf(const std::string& l) { return l.substr(0, kKeyLength); }

// The texts whose blanks, accents, quotes and spelling are easy to lose; the
// counts of the strip grouped by thousands the Italian way.
TEST(SelectLayout, TextsAndCounts) {
  const auto desc = [](const char* name) { return *std::ranges::find(form3Desc().controls, name, &ui::ControlDesc::name); };
  EXPECT_EQ(desc("Lprov").caption + "|" + desc("cmbsel").caption + "|" + desc("L1pp").caption + "|" + desc("Lapp").caption,
            "                    Provincia|Nuova selezione|Un giorno nella propria proincia/regione |"
            "                  Alre apparecchiature");
  EXPECT_EQ(desc("Combo1").hint, "Scegliere fra 'O'peratore o 'C'ollaboratore.");
  for (const auto& [n, text] : {std::pair<std::uint64_t, const char*>{0, "0"}, {999, "999"}, {1000, "1.000"},
                                {12345, "12.345"}, {1234567, "1.234.567"}})
    EXPECT_EQ(groupedCount(n), text);
}

// One thing the user does in the window.
using Act = std::function<void(HeadlessWindow&)>;
const auto click = [](std::string c) -> Act { return [=](HeadlessWindow& w) { w.click(c); }; };
const auto type = [](std::string c, std::string t) -> Act { return [=](HeadlessWindow& w) { w.type(c, t); }; };
const auto pick = [](std::string c, int i) -> Act { return [=](HeadlessWindow& w) { w.pick(c, i); }; };
const auto focus = [](std::string c) -> Act { return [=](HeadlessWindow& w) { w.focus(c); }; };

class SelectWindow : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    setWorkCopy(crlf({kRossi, kBianchi, kVerdi, kNeri}));
  }
  HeadlessWindow& f3() { return win("Form3"); }
  HeadlessWindow& open() { return main().click("mnsel"), f3(); }
  void apply(const std::vector<Act>& acts) { std::ranges::for_each(acts, [&](const Act& a) { a(f3()); }); }
  Names results() { return items("Form3", "List1"); }
  Names search() { return f3().click("cmdcerca"), results(); }
  // The labels now chosen, in the window's order.
  Names redLabels() {
    Names out;
    for (const auto& c : f3().desc().controls)
      if (c.kind == ui::Kind::Label && f3().control(c.name).backColor() == ui::kRed) out.push_back(c.name);
    return out;
  }
  // No criterion chosen, the place choices filled and the list empty.
  void expectNoCriterion(const char* when) {
    SCOPED_TRACE(when);
    EXPECT_EQ(items("Form3", "cbprov"), (Names{"ROMA                RM  ", "MILANO              MI  "}));
    // No province chosen: only the associations without one.
    EXPECT_EQ(items("Form3", "cbass"), Names{fixedWidth("SENZA PROVINCIA", 40)});
    for (const char* c : {"Tprof", "Tapp", "cbprov", "cbliv"}) EXPECT_EQ(f3().control(c).text(), "") << c;
    EXPECT_EQ((std::tuple{results(), redLabels(), m->dotazioni_scelte}), (std::tuple{Names{}, Names{}, false}));
  }

  // Whether the one message told since the last look says the work copy cannot be read.
  bool toldUnreadable() {
    const auto told = ui.takeMessages();
    return told.size() == 1 && told[0].starts_with("Impossibile leggere il file " + m->percorso_wrk());
  }
  void comeBack() {
    ui.activate(main());
    ui.activate(f3());
  }

  const std::string rossi = keyOf(kRossi), bianchi = keyOf(kBianchi), verdi = keyOf(kVerdi), neri = keyOf(kNeri);
  const Names all{rossi, bianchi, verdi, neri};
  const Names none{"Nessun volontario trovato"};
};

TEST_F(SelectWindow, OpeningStartsWithNoCriterionThenSearchesAndPrints) {
  HeadlessWindow& w = open();
  EXPECT_TRUE(w.isVisible());
  expectNoCriterion("opened");
  // A result opens its line in the editor.
  EXPECT_EQ(search(), all);
  w.pick("List1", 2);
  EXPECT_EQ(m->record.bytes(), kVerdi);
  // A read failing half-way through the search leaves no list cut short.
  setWorkCopy(crlf(volunteers(200, 200, "X")));  // more than one read buffer
  int reads = 0;
  io::setFaultHook([&](io::Op op, const std::string& p) {
    return op == io::Op::Read && p == m->percorso_wrk() && ++reads == 2;
  });
  EXPECT_EQ((std::tuple{search(), reads, toldUnreadable(), ui.busy}), (std::tuple{Names{}, 2, true, false}));
  io::setFaultHook(nullptr);
  // The equipment flag rules: set with nothing chosen, nobody passes; cleared, a choice is ignored.
  setWorkCopy(crlf({kRossi, kBianchi, kVerdi, kNeri}));
  m->dotazioni_scelte = true;
  EXPECT_EQ(search(), none);
  w.click("Lcamp");
  m->dotazioni_scelte = false;
  EXPECT_EQ(search(), all);
  // The printed list, with the pen positions left out.
  w.click("cmdstampa");
  Names calls;
  for (const auto& c : ui.printed.at(0).calls)
    calls.push_back(c.rfind("text ", 0) == 0 ? "text " + c.substr(c.find(' ', c.find(' ', 5) + 1) + 1) : c);
  Names page{"font courier new", "size 12", "bold on", "landscape", "text                 ELENCO VOLONTARI SELEZIONATI",
             "bold off", "text     "};
  for (const auto& key : all) page.push_back("text " + key);
  page.push_back("end");
  EXPECT_EQ(calls, page);
  EXPECT_TRUE(ui.printed.at(0).busyAtEnd && !ui.busy);  // the busy pointer while it prints, and only then
}

// Each criterion reads its own fields only: of a volunteer with just that field and
// one with those of every other criterion, only the first is listed. A click (a
// second keeps it) or a lower-case filter chooses it; only equipment sets the flag.
TEST_F(SelectWindow, EveryCriterionReadsItsOwnFields) {
  // clang-format off
  // Each row: the label, the field, its value, whether it is equipment, the filter box typed in.
  struct Item { std::string label; const char* field; std::string value; bool equipment; const char* box; };
  const std::vector<Item> table = {
      {"Lpass", "passaporto", "SI", 0, 0}, {"lmare", "krt_mare", "SI", 0, 0}, {"L1pp", "ore_1g", "0", 0, 0},
      {"L3pp", "ore_3g", "0", 0, 0}, {"L3fp", "ore_3g_fuori", "0", 0, 0}, {"L1sfp", "ore_1s_fuori", "0", 0, 0},
      {"L2sfp", "ore_2s_fuori", "0", 0, 0}, {"Lv27", "veicolare_27", "0", 1, 0}, {"Lp27", "palmare_27", "0", 1, 0},
      {"Lv43", "veicolare_43", "0", 1, 0}, {"Lp43", "palmare_43", "0", 1, 0}, {"Lvhf", "veicolare_vhf", "0", 1, 0},
      {"Lphf", "palmare_vhf", "0", 1, 0}, {"Lletti", "posti_letto", "0", 1, 0}, {"Lpacket", "packet", "SI", 1, 0},
      {"Lcamp", "stazione_campale", "SI", 1, 0}, {"Lauto", "autovettura", "SI", 1, 0},
      {"Lgancio", "gancio", "SI", 1, 0}, {"Lprof", "spec_associazione", "XY", 1, "Tprof"},
      {"Lprof", "spec_professionale", "XY", 1, "Tprof"}, {"Lapp", "altro_1", "XY", 1, "Tapp"},
      {"Lapp", "altro_2", "XY", 1, "Tapp"}, {"Lapp", "attrezzature", "XY", 1, "Tapp"}};
  // clang-format on
  open();
  for (const Item& item : table) {
    SCOPED_TRACE(item.field);
    const std::string only = line({{"cognome", "ONLY"}, {item.field, item.value}});
    VolunteerRecord others;
    others.clear();
    for (const Item& other : table)
      if (other.label != item.label) setField(others, *findField(other.field), other.value);
    setWorkCopy(crlf({only, others.toLine()}));
    apply(item.box ? std::vector<Act>{click("cmbsel"), type(item.box, "xy")}
                             : std::vector<Act>{click("cmbsel"), click(item.label), click(item.label)});
    EXPECT_EQ((std::tuple{redLabels(), m->dotazioni_scelte, search()}),
              (std::tuple{Names{item.label}, item.equipment, Names{keyOf(only)}}));
  }
}

// What each choice and filter marks and searches, alone and combined. Each case
// starts from "Nuova selezione"; its second search must not double the lines.
TEST_F(SelectWindow, ChoicesFiltersAndTheirCombinations) {
  // clang-format off
  const struct { const char* why; std::vector<Act> acts; Names red; bool equipment; Names found; } cases[] = {
      {"a typed level is neither chosen nor applied", {type("cbliv", "or ")}, {}, false, all},
      {"a picked level", {pick("cbliv", 0)}, {"Label7"}, false, {verdi}},
      {"secretarial typed in lower case", {type("cbseg", "si")}, {"Label9"}, false, {rossi}},
      {"a licence typed with it", {type("Combo4", "b ")}, {"Lpat"}, false, {rossi}},
      {"leaving the province reloads them", {focus("cbprov"), pick("cbprov", 1), focus("cbass"), pick("cbass", 0)},
       {"Lprov", "Lass"}, false, {verdi, neri}},
      {"a province typed applies but is not marked", {type("cbprov", fixedWidth("roma", 20))}, {}, false,
       {rossi, bianchi}},
      {"a province typed without its padding", {type("cbprov", "roma")}, {}, false, none},
      {"car or hook, one day (NO refused)", {click("Lauto"), click("Lgancio"), click("L1pp")},
       {"L1pp", "Lauto", "Lgancio"}, true, {rossi}},
      {"beds or car: each listed for the one it has", {click("Lletti"), click("Lauto")}, {"Lauto", "Lletti"}, true,
       {rossi, neri}},
      {"the experience label alone: an empty filter", {click("Lprof")}, {"Lprof"}, true, all},
      {"other equipment erased: still chosen", {type("Tapp", "x"), type("Tapp", "")}, {"Lapp"}, true, all},
  };
  // clang-format on
  HeadlessWindow& w = open();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    w.click("cmbsel");
    expectNoCriterion("Nuova selezione");
    apply(c.acts);
    EXPECT_EQ((std::tuple{redLabels(), m->dotazioni_scelte}), (std::tuple{c.red, c.equipment}));
    search();
    EXPECT_EQ(search(), c.found);
  }
  EXPECT_TRUE(ui.busyCalls > 0 && !ui.busy);
}

// The criteria stay while a result is open in the editor; otherwise, a result
// that could not be opened included, coming back starts anew.
TEST_F(SelectWindow, OpeningAResultKeepsTheSelection) {
  HeadlessWindow& w = open();
  apply({click("Lauto"), type("Tprof", "x"), click("cmdcerca")});
  std::filesystem::rename(m->percorso_wrk(), path("salvata"));
  std::filesystem::create_directory(m->percorso_wrk());  // cannot be read: no editor, and why
  m->record.fromLine(kVerdi);                            // what the editor held last, kept
  w.pick("List1", 0);
  EXPECT_TRUE(!m->form4Loaded() && m->record.bytes() == kVerdi);
  EXPECT_TRUE(toldUnreadable());
  std::filesystem::remove(m->percorso_wrk());
  std::filesystem::rename(path("salvata"), m->percorso_wrk());
  comeBack();
  expectNoCriterion("coming back withdraws the criteria");

  // The "nothing found" line opens a blank record.
  apply({click("Lcamp"), click("cmdcerca")});
  m->modo = "i";
  w.pick("List1", 0);
  EXPECT_EQ((std::tuple{m->record.bytes(), m->modo, m->mantieni_selezione, m->form4().window().isVisible()}),
            (std::tuple{std::string(kLineLength, ' '), "m", true, true}));
  comeBack();
  EXPECT_EQ((std::tuple{results(), redLabels(), m->dotazioni_scelte}), (std::tuple{none, Names{"Lcamp"}, true}));
}

// The strip below the window: the count after each "Cerca"; the export, the
// totals and the call-out sheet of the volunteers the last "Cerca" found
// (every one before any), each read afresh from the work copy.
TEST_F(SelectWindow, TheStripCountsExportsTotalsAndPrintsTheFound) {
  HeadlessWindow& w = open();
  const auto esporta = [&](const char* file, int kind = 0) {
    ui.chooseFile(path(file), kind);
    w.click("cmdesporta");
  };
  const auto counted = [&](std::vector<Act> acts) {
    apply(acts);
    return w.control("Lcontati").text();
  };
  EXPECT_EQ(counted({}), "");
  // Before any search: every volunteer, in a CSV named without its ending.
  esporta("tutti", 1);
  EXPECT_EQ(ui.saveDialogs.back().filter, "Cartella di lavoro Excel (*.xlsx)|*.xlsx|Testo CSV (*.csv)|*.csv");
  const std::string all = readFile(path("tutti.csv"));
  EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 5) << all;
  EXPECT_EQ(ui.progressShown, (Names{"Esportazione dei volontari in corso...", "Completamento in corso..."}));

  EXPECT_EQ(counted({click("cmdcerca")}), "4 volontari trovati");
  EXPECT_EQ(counted({pick("Combo4", 2), click("cmdcerca")}), "1 volontario trovato");  // "B "
  // Rossi changed since: he is exported as he is now.
  setWorkCopy(crlf({kRossi.substr(0, 85) + "ROSSETTI" + kRossi.substr(93), kBianchi, kVerdi, kNeri}));
  esporta("b.xlsx");
  EXPECT_NE(xlsxDump(path("b.xlsx")).find("|s:ROSSETTI|"), std::string::npos);
  // Stopped half way, before its last part: no file, no temporary.
  ui.cancelProgressAt(1);
  esporta("fermato.xlsx");
  EXPECT_EQ((std::tuple{std::filesystem::exists(path("fermato.xlsx")), strayTemporaries(folder()),
                        ui.progressShown.back()}),
            (std::tuple{false, 0, "Esportazione dei volontari in corso..."}));

  w.click("cmdriepilogo");
  HeadlessWindow& totals = win("Friepilogo");
  ASSERT_TRUE(totals.isVisible() && totals.control("tabella").itemCount() == 2);
  EXPECT_EQ(totals.control("tabella").item(0), "ROMA\t1\t0\t0\t1\t0\t0\t0\t0\t1\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0");
  ui.chooseFile(path("riepilogo"));
  totals.click("cmdesporta");
  EXPECT_EQ(ui.saveDialogs.back().title, "Esporta il riepilogo");
  EXPECT_EQ(xlsxDump(path("riepilogo.xlsx")).substr(0, 25), "1 Riepilogo A2 A1:T3 True");
  totals.click("cmdstampa");
  const auto& sheet = ui.printed.back().calls;
  EXPECT_EQ(std::ranges::count(sheet, "landscape"), 1);
  EXPECT_TRUE(std::ranges::any_of(sheet, [](const std::string& c) { return c.find(" ROMA ") != std::string::npos; }));
  totals.click("cmdchiudi");
  EXPECT_FALSE(totals.isVisible());

  EXPECT_EQ(counted({pick("Combo4", 4), click("cmdcerca")}), "Nessun volontario trovato");  // "C ": nobody
  const auto dialogs = ui.saveDialogs.size();
  apply({click("cmdesporta"), click("cmdchiamata")});
  EXPECT_EQ(ui.takeMessages(), (Names{"Nessun volontario da esportare.", "Nessun volontario da stampare."}));
  EXPECT_EQ(ui.saveDialogs.size(), dialogs);
  w.click("cmdriepilogo");
  EXPECT_EQ(win("Friepilogo").control("tabella").item(0), "TOTALE\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0");
  EXPECT_EQ(counted({click("cmbsel")}), "");
  // The main window's Strumenti: the whole work copy.
  main().click("mnriepilogo");
  EXPECT_EQ(win("Friepilogo").control("tabella").item(2).substr(0, 9), "TOTALE\t4\t");
  EXPECT_TRUE(ui.scriptsUsed());
}

// The call-out sheet: a heading with the criteria in words and the number,
// then one block per volunteer that no page cuts in two, and "Pagina N di M"
// at the foot of every page.
TEST_F(SelectWindow, TheCallOutSheetNumbersItsPages) {
  // clang-format off
  const std::string ready = line({{"provincia", "ROMA"}, {"associazione", "RADIO CLUB ROMA"}, {"cognome", "ROSSI"},
      {"nome", "MARIO"}, {"recapito", "06 1234567"}, {"ditta_recapito", "06 7654321"}, {"ore_1g", "2"},
      {"ore_3g", "NO"}, {"ore_2s_fuori", "24"}, {"autovettura", "SI"}, {"targa", "AB123CD"}, {"gancio", "SI"},
      {"posti_letto", "4"}});
  // clang-format on
  setWorkCopy(crlf({ready}) + crlf(volunteers(60, 0, "V")));
  HeadlessWindow& w = open();
  apply({click("Lauto"), click("Lletti"), click("L1pp"), click("L3fp"), click("cmdcerca"), click("cmdchiamata")});
  const Names one = ui.printed.back().calls;
  const auto has = [](const Names& calls, const std::string& text) {
    return std::ranges::any_of(calls, [&](const std::string& c) { return c.ends_with(text); });
  };
  for (const char* text : {" ELENCO PER CHIAMATA",
                           " Criteri: almeno uno fra: autovettura, posti letto; disponibili per un giorno o tre giorni fuori",
                           " Volontari: 1", " ROSSI MARIO", "   Associazione: RADIO CLUB ROMA   Provincia: ROMA",
                           "   Recapito: 06 1234567", "   Recapito ditta: 06 7654321",
                           "   Un giorno nella propria provincia/regione: pronto in 2 ore",
                           "   Due settimane o pi\xF9 fuori regione: pronto in 24 ore",
                           "   Porta: autovettura targa AB123CD, gancio traino, posti letto 4", " Pagina 1 di 1"})
    EXPECT_TRUE(has(one, text)) << text;
  EXPECT_FALSE(has(one, "Tre giorni nella propria provincia/regione: pronto in NO ore"));
  EXPECT_EQ(one.back(), "end");

  apply({click("cmbsel"), click("cmdcerca"), click("cmdchiamata")});
  const Names& all = ui.printed.back().calls;
  const int pages = static_cast<int>(std::count(all.begin(), all.end(), "page")) + 1;
  ASSERT_GT(pages, 2);
  for (int n = 1; n <= pages; ++n)
    EXPECT_TRUE(has(all, " Pagina " + std::to_string(n) + " di " + std::to_string(pages))) << n;
  // Every block begins on the page it ends on: a page's last text before its
  // number is a blank line.
  for (auto it = all.begin(); (it = std::find(it, all.end(), "page")) != all.end(); ++it)
    EXPECT_EQ((it - 2)->substr((it - 2)->size() - 1), " ") << *(it - 2);
  // And every line, the page number too, lies within the page (a letter
  // page of 14400 twips, lines of 226 at 10 points).
  for (const std::string& c : all) {
    int x = 0, y = 0;
    EXPECT_TRUE(std::sscanf(c.c_str(), "text %d %d", &x, &y) < 2 || y + 226 <= 14400) << c;
  }
  // Stopped: the document is dropped.
  ui.cancelProgressAt(3);
  w.click("cmdchiamata");
  EXPECT_EQ(ui.printed.back().calls.back(), "abort");
}

}  // namespace
}  // namespace krt::test
