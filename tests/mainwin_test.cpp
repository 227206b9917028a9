// The main window: start-up, opening, the three ways of saving, exit and
// close, help, and the lookup lists behind the province and association
// choices.
#include "records/work_files.h"
#include "support.h"

namespace krt::test {
namespace {

using ui::Answer;
using Names = std::vector<std::string>;

const std::string kRossi = line({{"provincia", "ROMA"}, {"associazione", "RADIO CLUB ROMA"}, {"cognome", "ROSSI"}});
const std::string kVerdi = line({{"provincia", "ROMA"}, {"associazione", "RADIO CLUB ROMA"}, {"cognome", "VERDI"}});

// A file dialog as the user sees it: start folder, title and filter.
std::string shown(const ui::FileRequest& r) { return r.folder + " | " + r.title + " | " + r.filter; }

// The one message box shown since the last look contains `part`.
void toldAbout(headless::HeadlessPlatform& ui, const std::string& part) {
  const Names told = ui.takeMessages();
  ASSERT_EQ(told.size(), 1u);
  EXPECT_NE(told[0].find(part), std::string::npos) << told[0];
}

class MainWindow : public AppTest {
 protected:
  // The user's answer to the question about unsaved changes (when given),
  // then each file dialog's choice: a name in the folder, "" for Cancel.
  void script(std::optional<Answer> answer, const Names& files) {
    if (answer) ui.answer(*answer);
    for (const auto& f : files) ui.chooseFile(f.empty() ? std::nullopt : std::optional(path(f)));
  }
  void menu(const char* entry, std::optional<Answer> answer, const Names& files = {}) {
    script(answer, files);
    main().click(entry);
  }
  void menu(const char* entry, const Names& files) { menu(entry, std::nullopt, files); }
};

TEST_F(MainWindow, StartsOnAnEmptyWorkCopyThenOffersHelpAndANewEntry) {
  m.reset();
  writeFile(path("volontari.wrk"), crlf({kRossi}));
  m = std::make_unique<Modulo1>(ui, folder(), folder());
  m->form1().show();
  EXPECT_TRUE(std::filesystem::exists(path("volontari.wrk")));
  EXPECT_EQ(workCopy(), "");
  EXPECT_EQ(m->modificato, "0");
  EXPECT_EQ(main().control("List1").itemCount(), 0);
  EXPECT_EQ(main().caption(), "Profilo del volontario K.R.T.");

  main().click("mnhelp");  // no help file yet
  EXPECT_TRUE(ui.helpShown.empty());
  toldAbout(ui, "krt.hlp");
  writeFile(path("krt.hlp"), "<html></html>");
  main().click("mnhelp");
  EXPECT_EQ(ui.helpShown, (Names{path("krt.hlp")}));

  m->modo = "m";
  main().click("mnins");
  EXPECT_EQ(m->modo, "i");
  EXPECT_TRUE(ui.window("Form4").isVisible());
}

TEST_F(MainWindow, ApriCopiesLinesAndListsTheirKeys) {
  openArchive(kRossi + "\r\n" + kVerdi);  // no final line end
  EXPECT_EQ(workCopy(), crlf({kRossi, kVerdi}));
  EXPECT_EQ(items("Form1", "List1"), (Names{kRossi.substr(0, 110), kVerdi.substr(0, 110)}));
  EXPECT_EQ(main().control("List1").listIndex(), -1);
  EXPECT_EQ(m->nome_archivio, path("archivio.txt"));
  ASSERT_EQ(ui.openDialogs.size(), 1u);
  EXPECT_EQ(shown(ui.openDialogs[0]),
            folder() + " | Nome del file da aprire | File di testo (*.txt)|*.txt|Tutti i file (*.*)|*.*");
  EXPECT_GT(ui.busyCalls, 0);
  EXPECT_FALSE(ui.busy);

  openArchive("");
  EXPECT_EQ(workCopy(), "");
  EXPECT_EQ(main().control("List1").itemCount(), 0);
}

TEST_F(MainWindow, TheThreeSavesDifferAsDesigned) {
  // Blank line, a lone LF inside a line, and a last line without CR LF.
  const std::string bytes = kRossi + "\r\n" + std::string(809, ' ') + "\r\n\r\nA\nB\r\n" + kVerdi;
  openArchive(bytes);
  setWorkCopy(bytes);  // as another program might have left it

  main().click("mnsalva");
  EXPECT_EQ(readFile(path("archivio.txt")), crlf({kRossi, "A\nB", kVerdi}));
  EXPECT_EQ(ui.takeMessages(), (Names{"File salvato"}));

  writeFile(path("copia.txt"), std::string(100000, 'x'));  // a larger file is replaced whole
  menu("mnscn", {"copia.txt"});
  EXPECT_EQ(readFile(path("copia.txt")), bytes);
  EXPECT_EQ(m->nome_archivio, path("copia.txt"));
  EXPECT_EQ(ui.takeMessages(), (Names{"File salvato."}));
  EXPECT_EQ(shown(ui.saveDialogs.back()), folder() + " | Inserisci il nome di file da salvare | *.*");

  m->modificato = "1";
  menu("mnesci", Answer::Yes, {"uscita.txt"});
  EXPECT_EQ(readFile(path("uscita.txt")), crlf({kRossi, std::string(809, ' '), "", "A\nB", kVerdi}));
  EXPECT_EQ(ui.takeMessages(), (Names{"Vuoi salvare le modifiche?", "file salvato."}));
  EXPECT_EQ(m->modificato, "0");
  EXPECT_TRUE(ui.quitRequested);
}

TEST_F(MainWindow, SalvaWithoutANameAsksForOne) {
  setWorkCopy(crlf({kRossi}));
  menu("mnsalva", {""});
  EXPECT_EQ(ui.saveDialogs.size(), 1u);
  EXPECT_TRUE(m->nome_archivio.empty());
  menu("mnsalva", {"nuovo.txt"});
  EXPECT_EQ(readFile(path("nuovo.txt")), crlf({kRossi}));
  EXPECT_EQ(m->nome_archivio, path("nuovo.txt"));
  menu("mnscn", {""});  // a cancelled save-as changes nothing
  EXPECT_EQ(m->nome_archivio, path("nuovo.txt"));
}

TEST_F(MainWindow, ApriAsksBeforeDiscardingChanges) {
  openArchive(crlf({kRossi}));
  m->modificato = "1";
  menu("mnapri", Answer::Cancel);  // nothing happens, no dialog
  EXPECT_EQ(ui.openDialogs.size(), 1u);
  EXPECT_EQ(m->modificato, "1");
  menu("mnapri", Answer::No, {""});  // the changes are still marked unsaved
  EXPECT_EQ(m->modificato, "1");
  EXPECT_EQ(workCopy(), crlf({kRossi}));
  writeFile(path("altro.txt"), crlf({kVerdi}));
  menu("mnapri", Answer::Yes, {"salvato.txt", "altro.txt"});  // saves first, then opens
  EXPECT_EQ(readFile(path("salvato.txt")), crlf({kRossi}));
  EXPECT_EQ(workCopy(), crlf({kVerdi}));
  EXPECT_EQ(m->modificato, "0");
  m->modificato = "1";
  menu("mnapri", Answer::Yes, {""});  // the save cancelled: nothing is opened
  EXPECT_EQ(workCopy(), crlf({kVerdi}));
  EXPECT_EQ(m->modificato, "1");
  EXPECT_TRUE(ui.scriptsUsed());
}

TEST_F(MainWindow, ExitAndCloseWithEveryAnswer) {
  EXPECT_TRUE(main().close());  // nothing to save: no question
  EXPECT_TRUE(ui.quitRequested);
  EXPECT_TRUE(ui.messages.empty());
  // With unsaved changes, by Esci or by the frame (which has no Cancel): a
  // cancelled save keeps the program open rather than ending unsaved.
  const std::tuple<bool, Answer, Names, bool> rows[] = {
      {false, Answer::Cancel, {}, false}, {false, Answer::No, {}, true},
      {false, Answer::Yes, {""}, false},  {true, Answer::No, {}, true},
      {true, Answer::Yes, {""}, false},   {true, Answer::Yes, {"chiusura.txt"}, true}};
  for (const auto& [byFrame, answer, files, quits] : rows) {
    SCOPED_TRACE(testing::Message() << (byFrame ? "frame" : "Esci") << ", answer " << static_cast<int>(answer)
                                    << ", save dialogs " << files.size());
    ui.quitRequested = false;
    ui.messages.clear();
    m->modificato = "1";
    script(answer, files);
    if (!byFrame) main().click("mnesci");
    EXPECT_EQ(byFrame ? main().close() : ui.quitRequested, quits);  // what closing by the frame returns
    EXPECT_EQ(ui.quitRequested, quits);
    EXPECT_EQ(m->modificato, quits && answer == Answer::Yes ? "0" : "1");
    EXPECT_EQ(ui.messages.at(0).buttons, byFrame ? ui::Buttons::YesNo : ui::Buttons::YesNoCancel);
    EXPECT_TRUE(ui.scriptsUsed());
  }
  EXPECT_TRUE(std::filesystem::exists(path("chiusura.txt")));
}

TEST_F(MainWindow, FailedWritesKeepEverythingAsItWas) {
  openArchive(crlf({kRossi}));
  m->modificato = "1";
  const std::string before = workCopy();
  std::filesystem::create_directory(path("cartella"));
  menu("mnscn", {"cartella"});  // a target that is a folder
  EXPECT_EQ(m->modificato, "1");
  EXPECT_EQ(m->nome_archivio, path("archivio.txt"));
  toldAbout(ui, path("cartella"));

  menu("mnesci", Answer::Yes, {"manca/uscita.txt"});  // the save at exit failing keeps the program open
  EXPECT_FALSE(ui.quitRequested);
  EXPECT_EQ(m->modificato, "1");
  ui.messages.clear();

  // "Salva" onto an archive replaced by a folder.
  std::filesystem::remove(path("archivio.txt"));
  std::filesystem::create_directory(path("archivio.txt"));
  main().click("mnsalva");
  EXPECT_EQ(m->modificato, "1");
  toldAbout(ui, path("archivio.txt"));

  menu("mnapri", Answer::No, {"inesistente.txt"});  // a file that cannot be read
  EXPECT_NE(ui.takeMessages().back().find("inesistente.txt"), std::string::npos);
  EXPECT_EQ(m->nome_archivio, path("archivio.txt"));
  EXPECT_EQ(workCopy(), before);
  EXPECT_EQ(m->modificato, "1");

  // A failed rename (as on a full disk) leaves the old archive whole.
  writeFile(path("vecchio.txt"), "vecchio\r\n");
  io::setFaultHook([](io::Op op, const std::string&) { return op == io::Op::Rename; });
  menu("mnscn", {"vecchio.txt"});
  io::setFaultHook(nullptr);
  EXPECT_EQ(readFile(path("vecchio.txt")), "vecchio\r\n");
  EXPECT_EQ(m->modificato, "1");
}

class LookupLists : public AppTest {};

TEST_F(LookupLists, ProvincesAssociationsBySiglaAndWhereTheListsComeFrom) {
  headless::HeadlessControl ass(main(), {ui::Kind::ComboBox, "ass"});
  headless::HeadlessControl pc(main(), {ui::Kind::ComboBox, "prov"});
  pc.setText("stale");
  m->LoadProvinces(pc, ass);
  EXPECT_EQ(pc.items(), (Names{"ROMA                RM  ", "MILANO              MI  "}));
  EXPECT_EQ(pc.text(), "");
  EXPECT_EQ(pc.fontName(), "courier new");
  EXPECT_EQ(ass.fontName(), "courier new");
  const auto associationsOf = [&](const std::string& province) {
    pc.setText(province);
    m->LoadAssociations(pc, ass);
    return ass.items();
  };
  EXPECT_EQ(associationsOf(pc.item(0)),
            (Names{fixedWidth("RADIO CLUB ROMA", 40) + "RM  ", fixedWidth("CB ROMA NORD", 40) + "RM  "}));
  EXPECT_EQ(associationsOf("ROMA RM"), Names{fixedWidth("SENZA PROVINCIA", 40)});  // under 21 characters: no sigla
  EXPECT_EQ(associationsOf(fixedWidth("ROMA", 20) + "RM"), Names{});  // "RM" without its blanks matches nothing

  // A missing list is told and leaves the choice empty.
  std::filesystem::create_directory(path("share"));
  std::filesystem::rename(path("province.dat"), path("share/province.dat"));
  m->LoadProvinces(pc, ass);
  EXPECT_EQ(pc.itemCount(), 0);
  toldAbout(ui, "province.dat");
  // An installed program falls back on the lists it ships; the folder's own
  // list wins, and with neither the bare name in the folder is used.
  writeFile(path("share/associazioni.dat"), "altro");
  m->systemDataDir = path("share");
  EXPECT_EQ(m->lookupPath("province.dat"), path("share/province.dat"));
  EXPECT_EQ(m->lookupPath("associazioni.dat"), path("associazioni.dat"));
  EXPECT_EQ(m->lookupPath("krt.hlp"), path("krt.hlp"));
}

TEST_F(LookupLists, LookupByKeyAndARewriteOfTheWorkCopy) {
  const std::string second = kRossi.substr(0, 110) + std::string(10, 'Z');
  setWorkCopy(crlf({kVerdi, kRossi, second}));
  VolunteerRecord r;
  EXPECT_TRUE(lookupByKey(m->percorso_wrk(), kRossi.substr(0, 110), r));  // the first with that key
  EXPECT_EQ(r.via.view(), std::string(40, ' '));
  EXPECT_FALSE(lookupByKey(m->percorso_wrk(), "NESSUNO", r));
  EXPECT_EQ(r.bytes(), std::string(809, ' '));

  setWorkCopy(crlf({kRossi, kVerdi}));
  std::filesystem::create_directory(path("workfile.wrk"));  // cannot be written
  EXPECT_THROW(rewriteWorkCopy(m->paths, [](LineReader&, FileWriter& out) { out.writeLine("X"); }), FileError);
  EXPECT_EQ(workCopy(), crlf({kRossi, kVerdi}));
  std::filesystem::remove(path("workfile.wrk"));
  rewriteWorkCopy(m->paths, [](LineReader& in, FileWriter& out) {
    std::string l;
    while (in.next(l)) out.writeLine(l.substr(0, 3));
  });
  EXPECT_EQ(workCopy(), crlf({"ROM", "ROM"}));
  EXPECT_EQ(readFile(path("workfile.wrk")), crlf({"ROM", "ROM"}));  // stays on disk
}

}  // namespace
}  // namespace krt::test
