// The main window: start-up, help, Apri, the three saves, exit, and the
// province and association lists.
#include <array>

#include "support.h"

namespace krt::test {
namespace {

using ui::Answer;
using Names = std::vector<std::string>;
namespace fs = std::filesystem;

const std::string kRossi = line({{"provincia", "ROMA"}, {"associazione", "RADIO CLUB ROMA"}, {"cognome", "ROSSI"}});
const std::string kVerdi = line({{"provincia", "ROMA"}, {"associazione", "RADIO CLUB ROMA"}, {"cognome", "VERDI"}});

// A file dialog as the user sees it: start folder, title and filter.
std::string shown(const ui::FileRequest& r) { return r.folder + " | " + r.title + " | " + r.filter; }

// The last message box shown since the last look contains `part`.
void toldAbout(headless::HeadlessPlatform& ui, const std::string& part) {
  const Names told = ui.takeMessages();
  ASSERT_FALSE(told.empty());
  EXPECT_NE(told.back().find(part), std::string::npos) << told.back();
}

class MainWindow : public AppTest {
 protected:
  // The answer to the question about unsaved changes (when given), then each
  // file dialog's choice ("" cancels), then a click on the menu entry if any.
  void menu(const char* entry, std::optional<Answer> answer, const Names& files = {}) {
    if (answer) ui.answer(*answer);
    for (const auto& f : files) ui.chooseFile(f.empty() ? std::nullopt : std::optional(path(f)));
    if (entry) main().click(entry);
  }
};

// "Apri", then the three ways of saving on the same work copy, then "Apri"
// with unsaved changes and each answer to the question.
TEST_F(MainWindow, ApriAndTheThreeSaves) {
  // Blank line, a lone LF inside a line, and a last line without CR LF.
  const std::string bytes = kRossi + "\r\n" + std::string(809, ' ') + "\r\n\r\nA\nB\r\n" + kVerdi;
  const std::string lines = crlf({kRossi, std::string(809, ' '), "", "A\nB", kVerdi});
  openArchive(bytes);
  EXPECT_EQ((std::tuple{workCopy(), m->nome_archivio}), (std::tuple{lines, path("archivio.txt")}));
  EXPECT_EQ(items("Form1", "List1"),
            (Names{kRossi.substr(0, 110), std::string(110, ' '), "", "A\nB", kVerdi.substr(0, 110)}));
  EXPECT_TRUE(main().control("List1").filledWhileBusy() && !ui.busy);  // busy until the list is refilled
  EXPECT_EQ(shown(ui.openDialogs.at(0)),
            folder() + " | Nome del file da aprire | File di testo (*.txt)|*.txt|Tutti i file (*.*)|*.*");

  setWorkCopy(bytes);       // as another program might have left it
  main().click("mnsalva");  // blank lines dropped
  EXPECT_EQ(readFile(path("archivio.txt")), crlf({kRossi, "A\nB", kVerdi}));
  EXPECT_EQ(ui.takeMessages(), (Names{"File salvato"}));
  writeFile(path("copia.txt"), std::string(100000, 'x'));  // a larger file is replaced whole
  menu("mnscn", std::nullopt, {"copia.txt"});              // byte for byte
  EXPECT_EQ((std::tuple{readFile(path("copia.txt")), m->nome_archivio, ui.takeMessages()}),
            (std::tuple{bytes, path("copia.txt"), Names{"File salvato."}}));
  EXPECT_EQ(shown(ui.saveDialogs.back()), folder() + " | Inserisci il nome di file da salvare | *.*");
  m->modificato = true;
  menu("mnesci", Answer::Yes, {"uscita.txt"});  // blank lines kept, CR LF after each
  EXPECT_EQ((std::tuple{readFile(path("uscita.txt")), ui.takeMessages(), m->modificato}),
            (std::tuple{lines, Names{"Vuoi salvare le modifiche?", "file salvato."}, false}));
  m->nome_archivio.clear();
  menu("mnsalva", std::nullopt, {""});  // without a name "Salva" asks for one
  menu("mnscn", std::nullopt, {""});    // a cancelled save-as changes nothing
  EXPECT_EQ((std::tuple{ui.saveDialogs.size(), m->nome_archivio}), (std::tuple{4u, ""}));

  setWorkCopy(crlf({kRossi}));
  m->modificato = true;
  for (const Answer answer : {Answer::Cancel, Answer::Dismissed}) menu("mnapri", answer);  // nothing happens, no dialog
  EXPECT_EQ(ui.openDialogs.size(), 1u);
  menu("mnapri", Answer::No, {""});  // the changes are still marked unsaved
  EXPECT_EQ((std::tuple{m->modificato, workCopy()}), (std::tuple{true, crlf({kRossi})}));
  writeFile(path("altro.txt"), crlf({kVerdi}));
  menu("mnapri", Answer::Yes, {"salvato.txt", "altro.txt"});  // saves first, then opens
  EXPECT_EQ(readFile(path("salvato.txt")), crlf({kRossi}));
  EXPECT_EQ((std::tuple{m->modificato, workCopy()}), (std::tuple{false, crlf({kVerdi})}));
  m->modificato = true;
  menu("mnapri", Answer::Yes, {""});  // the save cancelled: nothing is opened
  EXPECT_EQ((std::tuple{m->modificato, workCopy()}), (std::tuple{true, crlf({kVerdi})}));
  // A save into a missing folder or onto a folder, an exit whose save cannot
  // take the file's place, and a file that cannot be read: each is told and
  // changes nothing, and the program stays open.
  menu("mnscn", std::nullopt, {"manca/x.txt"});
  toldAbout(ui, path("manca") + "\n");
  fs::create_directory(path("cartella"));
  m->nome_archivio = path("cartella");
  main().click("mnsalva");
  toldAbout(ui, path("cartella"));
  EXPECT_EQ(m->nome_archivio, path("cartella"));
  m->nome_archivio = path("altro.txt");
  writeFile(path("vecchio.txt"), "vecchio\r\n");
  ui.quitRequested = false;  // since the exit above
  io::setFaultHook([](io::Op op, const std::string&) { return op == io::Op::Rename; });
  menu("mnesci", Answer::Yes, {"vecchio.txt"});
  io::setFaultHook(nullptr);
  toldAbout(ui, path("vecchio.txt"));
  menu("mnapri", Answer::No, {"inesistente.txt"});
  toldAbout(ui, path("inesistente.txt"));
  EXPECT_EQ((std::tuple{m->modificato, workCopy(), m->nome_archivio, ui.quitRequested, readFile(path("vecchio.txt"))}),
            (std::tuple{true, crlf({kVerdi}), path("altro.txt"), false, "vecchio\r\n"}));
  EXPECT_TRUE(ui.scriptsUsed());
}

// The status line: archive, volunteers of the work copy, unsaved changes,
// after every command that changes one of them, from a start-up that empties
// the work copy left behind.
TEST_F(MainWindow, TheStatusLineFollowsEveryCommand) {
  const auto status = [&] {
    return main().control("starchivio").text() + " | " + main().control("stvolontari").text() + " | " +
           main().control("stmodifiche").text();
  };
  m.reset();
  writeFile(path("volontari.wrk"), crlf({kRossi}));
  (m = std::make_unique<Modulo1>(ui, folder(), folder()))->form1().show();
  EXPECT_EQ((std::tuple{fs::exists(path("volontari.wrk")), workCopy(), m->modificato, status(), main().caption()}),
            (std::tuple{true, "", false, "Nessun archivio aperto | 0 volontari | ", "Profilo del volontario K.R.T."}));
  EXPECT_EQ(main().control("List1").itemCount(), 0);
  main().click("mnhelp");  // no help file yet
  toldAbout(ui, "krt.hlp");
  writeFile(path("krt.hlp"), "<html></html>");
  main().click("mnhelp");
  EXPECT_EQ(ui.helpShown, (Names{path("krt.hlp")}));

  openArchive(crlf(Names(1233, kRossi)) + crlf({kVerdi}));
  EXPECT_EQ(status(), "archivio.txt | 1.234 volontari | ");
  EXPECT_EQ(main().control("starchivio").toolTip(), path("archivio.txt"));
  openArchive(crlf({line({{"provincia", "ROMA"}, {"associazione", "RADIO CLUB ROMA"}, {"cognome", "NERI"},
                          {"nome", "PIA"}})}));
  EXPECT_EQ(status(), "archivio.txt | 1 volontario | ");
  // Registered: the count follows the work copy though the list is not refilled.
  main().click("mnins");
  win("Form4").pick("Combo2", 0);
  for (const char* c : {"Text1", "Text2"}) win("Form4").type(c, "BIANCHI");
  win("Form4").click("Command2");
  EXPECT_EQ(status(), "archivio.txt | 2 volontari | Modifiche non salvate");
  EXPECT_EQ(main().control("List1").itemCount(), 1);
  main().click("mnsalva");
  EXPECT_EQ(status(), "archivio.txt | 2 volontari | ");
  main().pick("List1", 0);
  win("Form4").click("elimina");
  EXPECT_EQ(status(), "archivio.txt | 1 volontario | Modifiche non salvate");
  menu("mnscn", std::nullopt, {"copia.txt"});
  EXPECT_EQ(status(), "copia.txt | 1 volontario | ");
  writeFile(path("aggiunto.txt"), crlf({kRossi, kVerdi}));
  menu("mnaggiu", std::nullopt, {"aggiunto.txt"});
  EXPECT_EQ(status(), "copia.txt | 2 volontari | Modifiche non salvate");
  menu("mnesci", Answer::Yes, {"uscita.txt"});
  EXPECT_EQ(status(), "uscita.txt | 2 volontari | ");
  EXPECT_EQ(main().control("starchivio").toolTip(), path("uscita.txt"));
}

TEST_F(MainWindow, ExitAndCloseWithEveryAnswer) {
  EXPECT_EQ((std::tuple{main().close(), ui.quitRequested, ui.messages.size()}), (std::tuple{true, true, 0u}));
  // With unsaved changes, by Esci or by the frame (which has no Cancel): a
  // cancelled save, or the question closed by Escape or its frame, keeps the
  // program open rather than ending unsaved.
  const std::tuple<bool, Answer, Names, bool> rows[] = {
      {false, Answer::Cancel, {}, false},    {false, Answer::Dismissed, {}, false}, {false, Answer::No, {}, true},
      {false, Answer::Yes, {""}, false},     {true, Answer::Dismissed, {}, false},  {true, Answer::No, {}, true},
      {true, Answer::Yes, {""}, false},      {true, Answer::Yes, {"chiusura.txt"}, true}};
  for (const auto& [byFrame, answer, files, quits] : rows) {
    SCOPED_TRACE(testing::Message() << byFrame << static_cast<int>(answer) << files.size());
    ui.quitRequested = false;
    ui.messages.clear();
    m->modificato = true;
    menu(byFrame ? nullptr : "mnesci", answer, files);
    EXPECT_EQ(byFrame ? main().close() : ui.quitRequested, quits);  // what closing by the frame returns
    EXPECT_EQ((std::tuple{ui.quitRequested, m->modificato, ui.messages.at(0).buttons, ui.scriptsUsed()}),
              (std::tuple{quits, !(quits && answer == Answer::Yes),
                          byFrame ? ui::Buttons::YesNo : ui::Buttons::YesNoCancel, true}));
  }
  EXPECT_TRUE(fs::exists(path("chiusura.txt")));
}

// The work files chosen in any command that reads an archive or writes a
// file, by their own path, another path, a link to the file or to the
// folder (verifica.txt not written yet): refused naming the file, nothing
// changes, and at exit the program stays open with its changes.
TEST_F(MainWindow, WorkFilesAreNeverTakenAsArchiveOrTarget) {
  openArchive(crlf({kRossi}));
  m->modificato = true;
  ui.setPrinterInstalled(false);
  fs::create_directory(path("cartella"));
  writeFile(m->percorso_temp(), "temporaneo\r\n");
  fs::create_symlink(folder(), path("collegamento"));
  fs::create_symlink(m->percorso_wrk(), path("link.txt"));
  const auto files = [&] {
    return std::tuple{readFile(path("archivio.txt")), workCopy(), readFile(m->percorso_temp()),
                      fs::exists(path("verifica.txt")), m->modificato, m->nome_archivio, ui.quitRequested};
  };
  const auto before = files();
  // Each command (the editor's PDF, the frame's close when none) with the answer to its question, if it asks one.
  const std::pair<const char*, std::optional<Answer>> commands[] = {
      {"mnapri", Answer::No},  {"mnaggiu", std::nullopt}, {"mnscn", std::nullopt},
      {"mnesci", Answer::Yes}, {"", Answer::Yes},         {"cmdstampa", Answer::Yes}};
  main().click("mnins");
  for (const auto& [entry, answer] : commands) {
    for (const char* chosen : {"volontari.wrk", "cartella/../workfile.wrk", "collegamento/verifica.txt", "link.txt"}) {
      SCOPED_TRACE(std::string(entry) + " of " + chosen);
      menu(nullptr, answer, {chosen});
      if (*entry) win(std::string_view(entry) == "cmdstampa" ? "Form4" : "Form1").click(entry);
      EXPECT_TRUE(*entry || !main().close()) << "the frame's close is refused";
      EXPECT_EQ(ui.takeMessages().back(), "Il file " + path(chosen) +
                                              W(" è un file di lavoro del programma e non può essere usato come "
                                                "archivio né sovrascritto.\nScegliere un altro file."));
      EXPECT_EQ(files(), before);
      EXPECT_TRUE(ui.scriptsUsed() && ui.printed.empty());
    }
  }
  // The same names elsewhere are ordinary files.
  menu("mnscn", std::nullopt, {"cartella/verifica.txt"});
  EXPECT_EQ(readFile(path("cartella/verifica.txt")), workCopy());
}

// The associations whose 4-character sigla is the province's.
TEST_F(MainWindow, LookupListsOfProvincesAndAssociations) {
  headless::HeadlessControl ass(main(), {ui::Kind::ComboBox, "ass"});
  headless::HeadlessControl pc(main(), {ui::Kind::ComboBox, "prov"});
  m->LoadProvinces(pc, ass);
  const std::pair<std::string, Names> rows[] = {
      {pc.item(0), {fixedWidth("RADIO CLUB ROMA", 40) + "RM  ", fixedWidth("CB ROMA NORD", 40) + "RM  "}},
      {"ROMA RM", {fixedWidth("SENZA PROVINCIA", 40)}},  // under 21 characters: no sigla
      {fixedWidth("ROMA", 20) + "RM", {}}};              // "RM" without its blanks matches nothing
  for (const auto& [province, associations] : rows) {
    pc.setText(province);
    m->LoadAssociations(pc, ass);
    EXPECT_EQ(ass.items(), associations) << province;
  }
}

// A missing lookup list leaves its choice empty and the window usable. It is
// told once when the window is opened from the menu, not on the window's
// activations, and again once it has been read and has gone missing again.
TEST_F(MainWindow, MissingLookupListToldOncePerOpening) {
  // {menu entry, window, list, the choice it fills}
  const std::array<const char*, 4> rows[] = {{"mnins", "Form4", "province.dat", "Combo2"},
                                             {"mnins", "Form4", "associazioni.dat", "Combo3"},
                                             {"mnsel", "Form3", "province.dat", "cbprov"},
                                             {"mnsel", "Form3", "associazioni.dat", "cbass"}};
  for (const auto& [entry, window, file, choice] : rows) {
    SCOPED_TRACE(std::string(window) + " " + file);
    const std::string list = readFile(path(file));
    // Told once, naming the file, or not at all; after the user came back to the window if `comeBack`.
    const auto told = [&](bool once, const char* why, bool comeBack = true) {
      SCOPED_TRACE(why);
      if (comeBack) {
        ui.activate(main());
        ui.activate(ui.window(window));
      }
      const Names shown = ui.takeMessages();
      ASSERT_EQ(shown.size(), once ? 1u : 0u);
      for (const auto& text : shown) EXPECT_NE(text.find(path(file)), std::string::npos) << text;
    };
    fs::remove(path(file));
    main().click(entry);  // loaded, then shown
    told(true, "opened", false);
    headless::HeadlessWindow& w = ui.window(window);
    // A province chosen reads the associations again.
    if (choice == std::string_view("Combo3")) w.pick("Combo2", 0);
    if (choice == std::string_view("cbass")) {
      w.focus("cbprov");
      w.focus("cbass");
    }
    EXPECT_EQ(w.control(choice).itemCount(), 0);
    told(false, "used and activated");
    main().click(entry);
    told(true, "opened from the menu again", false);
    writeFile(path(file), list);
    told(false, "readable again");
    fs::remove(path(file));
    told(true, "missing again");
    told(false, "still missing");
    writeFile(path(file), list);
    w.close();
  }
}

}  // namespace
}  // namespace krt::test
