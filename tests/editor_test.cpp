// The volunteer editor: its window, how it fills itself, the province and
// association guards, and what its buttons do to the work copy.
#include <array>
#include <map>
#include <set>
#include <tuple>

#include "editor/form4.h"
#include "records/file_io.h"
#include "support.h"

namespace krt::test {
namespace {

using ui::Answer;
using Names = std::vector<std::string>;
using Texts = std::map<std::string, std::string>;

const std::string kRoma = fixedWidth("ROMA", 20) + "RM  ", kMilano = fixedWidth("MILANO", 20) + "MI  ";
const std::string kClub = fixedWidth("RADIO CLUB ROMA", 40), kClubItem = kClub + "RM  ";
const char* kProvinceQuestion = "La provincia non dovrebbe essere modificata. Vuoi modificarla?";
const char* kAssociationQuestion = "L' associazione non dovrebbe essere modificata. Vuoi modificarla?";

// A volunteer of RADIO CLUB ROMA living in RM, with `more` fields (they win).
std::string member(const char* provincia, const char* cognome, const char* nome, Texts more = {}) {
  more.insert({{"provincia", provincia}, {"associazione", "RADIO CLUB ROMA"}, {"prov_residenza", "RM"}});
  more.insert({{"cognome", cognome}, {"nome", nome}});
  VolunteerRecord r;
  r.clear();
  for (const auto& [name, value] : more) setField(r, *findField(name), value);
  return r.toLine();
}

bool isEntryControl(const ui::ControlDesc& c) { return c.kind == ui::Kind::TextBox || c.kind == ui::Kind::ComboBox; }

class EditorTest : public AppTest {
 protected:
  headless::HeadlessWindow& ed() { return win("Form4"); }
  std::string text(const std::string& control) { return ed().control(control).text(); }
  void type(const Texts& texts) {
    for (const auto& [control, value] : texts) ed().type(control, value);
  }
  // Whether "Modifica", "Elimina" and "Registra" are shown.
  std::tuple<bool, bool, bool> buttonsShown() {
    return {ed().control("modifica").visible(), ed().control("elimina").visible(), ed().control("Command2").visible()};
  }
  // Every entry control shows its text in `texts`, or nothing.
  void expectEntries(const Texts& texts) {
    for (const auto& c : form4Desc().controls) {
      if (!isEntryControl(c)) continue;
      EXPECT_EQ(text(c.name), texts.count(c.name) ? texts.at(c.name) : "") << c.name;
    }
  }
  void expectAfter(bool modificato, bool editorShown) {
    EXPECT_EQ(std::tuple(m->modificato, ed().isVisible(), ui.busy), std::tuple(modificato, editorShown, false));
  }
  // The user leaves the editor for the main window and comes back.
  void comeBack() {
    ui.activate(main());
    ui.activate(ed());
  }
  // A new volunteer of ROMA; picking the province chooses RADIO CLUB ROMA.
  void enterNew(const char* cognome, const char* nome) {
    ed().pick("Combo2", 0);
    type({{"Text1", cognome}, {"Text2", nome}});
  }
  void pickProvince(int index) {
    ed().focus("Combo2");
    ed().pick("Combo2", index);
    ed().focus("Text1");
  }
  // One field of every line of the work copy, without blanks.
  Names stored(const char* field) {
    const FieldInfo& f = *findField(field);
    Names out;
    forEachLine(m->percorso_wrk(),
                [&](const std::string& l) { out.emplace_back(trimBlanks(l.substr(f.offset(), f.width))); });
    return out;
  }
  static Names keysOf(Names lines) {
    for (auto& l : lines) l.resize(kKeyLength);
    return lines;
  }
};

// Each showing fills the editor anew from the record, dropping what was typed.
TEST_F(EditorTest, EveryShowingFillsTheEditorFromTheRecord) {
  // {control, field, stored value, shown text}
  // clang-format off
  const std::vector<std::array<const char*, 4>> shown{
      {"Text15", "prov_residenza", "RMX", "RMX"}, {"Text2", "nome", " MARIO", "MARIO"},
      {"Combo1", "qualifica", " ", " "}, {"cbliv", "livello", "OR", "OR "}, {"Cbmare", "krt_mare", "", "  "},
      {"Combo9", "passaporto", "NO", "NO"}, {"Combo4", "patente", "B", "B "}, {"cbseg", "segreteria", "S", "S "},
      {"Combo5", "disp_1g", "P", "PROVINCIA"}, {"Combo6", "disp_3g", "R", "REGIONE  "},
      {"Combo7", "disp_3g_fuori", "X", ""}, {"Combo8", "disp_1s_fuori", "p", ""}};
  // clang-format on
  Texts fields, expected{{"Combo2", fixedWidth("ROMA", 20) + "RMX "}, {"Combo3", kClub}, {"Text1", "ROSSI"}};
  for (const auto& [control, field, value, seen] : shown) fields[field] = value, expected[control] = seen;
  const std::string line = member("ROMA", "ROSSI", "", fields);
  openArchive(crlf({line}));
  main().pick("List1", 0);
  type({{"Text1", "BIANCHI"}, {"Text2", "LUCA"}, {"Combo5", "REGIONE"}, {"Combo7", "PROVINCIA"}});
  comeBack();
  expectEntries(expected);
  EXPECT_EQ(buttonsShown(), std::tuple(true, true, false));

  // A new entry empties the editor, and so does every activation.
  main().click("mnins");
  type({{"Text1", "BIANCHI"}, {"cbliv", "OR "}});
  comeBack();
  expectEntries({});

  // A list entry whose line the work copy no longer holds opens the all-blank record.
  const std::string other = crlf({member("ROMA", "BIANCHI", "A")});
  setWorkCopy(other);
  main().pick("List1", 0);
  // clang-format off
  expectEntries({{"Combo2", std::string(24, ' ')}, {"Combo3", std::string(40, ' ')}, {"Combo1", " "}, {"cbliv", "   "},
                 {"Combo4", "  "}, {"Combo9", "  "}, {"cbseg", "  "}, {"Cbmare", "  "}});
  // clang-format on
  for (const char* button : {"modifica", "elimina"}) ed().click(button);
  EXPECT_EQ(std::tuple(ui.takeMessages(), workCopy()), std::tuple(Names{"Manca provincia", "Manca provincia"}, other));
  expectAfter(false, true);
}

TEST_F(EditorTest, ChangedProvinceOrAssociationIsQuestioned) {
  openArchive(crlf({member("ROMA", "ROSSI", "MARIO")}));
  main().pick("List1", 0);
  for (const char* c : {"Combo2", "Combo3", "Text1"}) ed().focus(c);  // unchanged choices ask nothing
  EXPECT_TRUE(ui.messages.empty());
  // Another province: No (or the box closed by Escape or its frame) restores it, Yes keeps
  // it; the stored association stays, not Milan's.
  for (const Answer answer : {Answer::No, Answer::Dismissed, Answer::Yes}) {
    ui.answer(answer);
    pickProvince(1);
    EXPECT_EQ(text("Combo2") + text("Combo3"), (answer == Answer::Yes ? kMilano : kRoma) + kClub);
  }
  EXPECT_EQ((std::tuple{ui.messages.at(0).buttons, ui.takeMessages()}),
            (std::tuple{ui::Buttons::YesNo, Names(3, kProvinceQuestion)}));

  // The stored province picked anew chooses its first association item, 44 characters,
  // never equal to the 40 kept: asked on every leave until No (or a dismissal) restores it.
  for (const Answer answer : {Answer::Yes, Answer::Yes, Answer::Dismissed, Answer::No}) {
    if (text("Combo3") == kClub) pickProvince(0);
    EXPECT_TRUE(ui.messages.empty());
    ui.answer(answer);
    for (const char* c : {"Combo3", "Text1"}) ed().focus(c);
    EXPECT_EQ(ui.takeMessages(), Names{kAssociationQuestion});
    EXPECT_EQ(text("Combo3"), answer == Answer::Yes ? kClubItem : kClub);
  }
}

// Each new line goes to its sorted place, its fields upper-cased; a stored key is asked about: No writes
// nothing, Yes goes first. A missing province, association or name stops it.
TEST_F(EditorTest, RegistraPutsEachNewLineInItsSortedPlace) {
  main().click("mnins");
  pickProvince(1);  // a new volunteer's choices are never questioned
  ed().type("Combo3", "ALTRA");
  for (const char* c : {"Combo3", "Text1"}) ed().focus(c);
  EXPECT_TRUE(ui.messages.empty());

  // Every field is upper-cased, except the numbers, and cut to its width.
  const std::string alphabet = "abcdefghijklmnopqrstuvwxyz", typed = "\xE0" + alphabet.substr(1) + alphabet + alphabet;
  for (const auto& c : form4Desc().controls)
    if (isEntryControl(c)) ed().type(c.name, typed);
  ed().click("Command2");
  ASSERT_EQ(workCopy().size(), kLineLength + 2);
  VolunteerRecord r;
  r.fromLine(workCopy().substr(0, kLineLength));
  const std::set<std::string_view> asTyped{
      "tessera_krt",  "anno_krt",   "tessera_tov",   "anno_tov",    "anno_nascita", "veicolare_27", "palmare_27",
      "veicolare_43", "palmare_43", "veicolare_vhf", "palmare_vhf", "giorni_corso", "posti_letto"};
  for (const auto& f : volunteerFields()) {
    const std::string value = f.name == "riservato" ? "   " : asTyped.count(f.name) ? typed : cp1252::upper(typed);
    EXPECT_EQ(fieldText(r, f), value.substr(0, f.width)) << f.name;
  }
  setWorkCopy("");

  enterNew("Rossi", "Mario");  // the association is the 44-character item
  ed().pick("Combo4", 2);
  ed().pick("Combo9", 0);
  type({{"Text15", "rm"}, {"Text12", "via roma 1"}, {"Combo1", "ope"}});  // a choice typed in gives its first letter
  ed().click("Command2");
  const std::string first = member(
      "ROMA", "ROSSI", "MARIO", {{"via", "VIA ROMA 1"}, {"qualifica", "O"}, {"patente", "B "}, {"passaporto", "SI"}});
  expectAfter(true, true);
  // Registra does not refill the main list.
  EXPECT_EQ(std::tuple(workCopy(), buttonsShown(), items("Form1", "List1")),
            std::tuple(crlf({first}), std::tuple(false, false, true), Names{}));
  // Qualification, province, association, licence and passport stay; the rest is emptied.
  expectEntries({{"Combo1", "ope"}, {"Combo2", kRoma}, {"Combo3", kClubItem}, {"Combo4", "B "}, {"Combo9", "SI"}});

  for (const char* surname : {"ZETA", "ALBANI", "\xC8RBA", "MORO"}) {
    enterNew(surname, "A");
    ed().click("Command2");
  }
  EXPECT_TRUE(ui.messages.empty());
  for (const char* via : {"via no", "via si", "via ancora"}) {
    enterNew("rossi", "mario");
    type({{"Text12", via}});
    ui.answer(std::string_view(via) == "via no" ? Answer::No : Answer::Yes);
    ed().click("Command2");
    EXPECT_EQ(ui.messages.at(0).buttons, ui::Buttons::YesNoRequired);  // Escape would drop the volunteer
    EXPECT_EQ(ui.takeMessages(), Names{"Volontario gi\xE0 presente in archivio. Registro ?"}) << via;
  }
  // Keys compare by character code: the accented capital comes after Z.
  EXPECT_EQ(stored("cognome"), (Names{"ALBANI", "MORO", "ROSSI", "ROSSI", "ROSSI", "ZETA", "\xC8RBA"}));
  EXPECT_EQ(stored("via"), (Names{"", "", "VIA ANCORA", "VIA SI", "VIA ROMA 1", "", ""}));

  // Each entry typed over the one before, then "Registra" pressed.
  const std::string work = workCopy();
  const std::vector<std::pair<Texts, const char*>> stops{
      {{{"Combo2", ""}, {"Text1", "rossi"}, {"Text2", "mario"}}, "Manca provincia"},
      {{{"Combo2", kRoma}, {"Combo3", "  "}}, "Manca associazione."},
      {{{"Combo3", kClubItem}, {"Text1", ""}}, "Manca cognome e nome!"}};
  for (const auto& [entry, message] : stops) {
    type(entry);
    ed().click("Command2");
    EXPECT_EQ(ui.takeMessages(), Names{message}) << entry.begin()->first << " " << entry.begin()->second;
  }
  EXPECT_EQ(std::tuple(workCopy(), text("Text2")), std::tuple(work, "mario"));  // the typing stays
}

// Both act in place on every line with the association, surname and name
// shown, in any province. A volunteer not stored, or a failed write, changes
// nothing and keeps the editor and the typing; "Esci" only refills the list.
TEST_F(EditorTest, ModifyAndDeleteActOnEveryLineOfTheVolunteerOrChangeNothing) {
  const std::string bianchi = member("ROMA", "BIANCHI", "A"), paolo = member("ROMA", "ROSSI", "PAOLO");
  const std::string changed = member("MILANO", "ROSSI", "MARIO", {{"via", "VIA NUOVA"}});
  const Names lines{bianchi, member("MILANO", "ROSSI", "MARIO", {{"via", "VIA UNO"}}),
                    member("ROMA", "ROSSI", "MARIO", {{"via", "VIA DUE"}}), paolo};
  const std::string before = crlf({bianchi, lines[1], lines[2]}) + paolo;  // no last line end: any rewrite adds one
  const std::string temp = m->percorso_temp();
  const std::string diskFull = "Impossibile scrivere il file " + temp + "\n(spazio su disco esaurito).";
  const std::string notStored =
      "Nessun volontario in archivio con questa associazione, cognome e nome: nessuna modifica registrata.\n"
      "Associazione, cognome e nome identificano il volontario da modificare o eliminare.";
  // {button, surname typed, whether the write fails, lines after (none: unchanged), message after the question}
  const std::tuple<const char*, const char*, bool, Names, std::string> rows[] = {
      {"modifica", "rossi", false, {bianchi, changed, changed, paolo}, ""},
      {"elimina", "rossi", false, {bianchi, paolo}, ""},
      {"modifica", "rossini", false, {}, notStored},
      {"elimina", "rossini", false, {}, notStored},
      {"modifica", "rossi", true, {}, diskFull},
      {"elimina", "rossi", true, {}, diskFull}};
  for (const auto& [button, surname, writeFails, expected, message] : rows) {
    SCOPED_TRACE(std::string(button) + " " + surname + (writeFails ? " failing" : ""));
    m->modificato = false;  // opening the archive again asks nothing
    openArchive(crlf(lines));
    main().pick("List1", 2);
    setWorkCopy(before);
    ui.answer(Answer::Yes);
    pickProvince(1);
    type({{"Text1", surname}, {"Text12", "via nuova"}});
    io::setFaultHook([&](io::Op op, const std::string& p) { return writeFails && op == io::Op::Write && p == temp; });
    ed().click(button);
    io::setFaultHook(nullptr);
    const bool done = !expected.empty();
    expectAfter(done, !done);
    // Done, the main list is refilled; else the editor keeps the typing.
    EXPECT_EQ(
        std::tuple(workCopy(), ui.takeMessages(),
                   done ? items("Form1", "List1") : Names{text("Text1"), text("Text12")}),
        std::tuple(done ? crlf(expected) : before, done ? Names{kProvinceQuestion} : Names{kProvinceQuestion, message},
                   done ? keysOf(expected) : Names{surname, "via nuova"}));
  }
  setWorkCopy(crlf({bianchi}));
  type({{"Text1", "VERDI"}});
  ed().click("Command1");
  EXPECT_EQ(std::tuple(items("Form1", "List1"), workCopy()), std::tuple(keysOf({bianchi}), crlf({bianchi})));
  expectAfter(false, false);
}

}  // namespace
}  // namespace krt::test
