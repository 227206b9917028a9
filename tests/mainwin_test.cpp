// The main window: start-up, opening, the three ways of saving, exit and
// close, help, and the lookup lists behind the province and association
// choices.
#include <sys/stat.h>

#include "records/work_files.h"
#include "support.h"

namespace krt::test {
namespace {

using ui::Answer;

const std::string kRossi = line({{"provincia", "ROMA"}, {"associazione", "RADIO CLUB ROMA"}, {"cognome", "ROSSI"}});
const std::string kVerdi = line({{"provincia", "ROMA"}, {"associazione", "RADIO CLUB ROMA"}, {"cognome", "VERDI"}});

class MainWindow : public AppTest {};

TEST_F(MainWindow, StartUpEmptiesAnOldWorkCopy) {
  m.reset();
  writeFile(path("volontari.wrk"), crlf({kRossi}));
  m = std::make_unique<Modulo1>(ui, folder(), folder());
  m->form1().show();
  EXPECT_TRUE(std::filesystem::exists(path("volontari.wrk")));
  EXPECT_EQ(workCopy(), "");
  EXPECT_EQ(m->modificato, "0");
  EXPECT_EQ(main().control("List1").itemCount(), 0);
  EXPECT_EQ(m->percorso_temp(), path("workfile.wrk"));
  EXPECT_EQ(m->percorso_verifica(), path("verifica.txt"));
  EXPECT_EQ(main().caption(), "Profilo del volontario K.R.T.");
}

TEST_F(MainWindow, ApriCopiesLinesAndListsTheirKeys) {
  openArchive(kRossi + "\r\n" + kVerdi);  // no final line end
  EXPECT_EQ(workCopy(), crlf({kRossi, kVerdi}));
  EXPECT_EQ(items("Form1", "List1"), (std::vector<std::string>{kRossi.substr(0, 110), kVerdi.substr(0, 110)}));
  EXPECT_EQ(main().control("List1").listIndex(), -1);
  EXPECT_EQ(m->nome_archivio, path("archivio.txt"));
  ASSERT_EQ(ui.openDialogs.size(), 1u);
  EXPECT_EQ(ui.openDialogs[0].title, "Nome del file da aprire");
  EXPECT_EQ(ui.openDialogs[0].filter, "File di testo (*.txt)|*.txt|Tutti i file (*.*)|*.*");
  EXPECT_EQ(ui.openDialogs[0].folder, folder());
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
  EXPECT_EQ(ui.takeMessages(), (std::vector<std::string>{"File salvato"}));

  writeFile(path("copia.txt"), std::string(100000, 'x'));  // a larger file is replaced whole
  ui.chooseFile(path("copia.txt"));
  main().click("mnscn");
  EXPECT_EQ(readFile(path("copia.txt")), bytes);
  EXPECT_EQ(m->nome_archivio, path("copia.txt"));
  EXPECT_EQ(ui.takeMessages(), (std::vector<std::string>{"File salvato."}));
  EXPECT_EQ(ui.saveDialogs.back().title, "Inserisci il nome di file da salvare");
  EXPECT_EQ(ui.saveDialogs.back().filter, "*.*");

  m->modificato = "1";
  ui.answer(Answer::Yes);
  ui.chooseFile(path("uscita.txt"));
  main().click("mnesci");
  EXPECT_EQ(readFile(path("uscita.txt")), crlf({kRossi, std::string(809, ' '), "", "A\nB", kVerdi}));
  EXPECT_EQ(ui.takeMessages(), (std::vector<std::string>{"Vuoi salvare le modifiche?", "file salvato."}));
  EXPECT_EQ(m->modificato, "0");
  EXPECT_TRUE(ui.quitRequested);
}

TEST_F(MainWindow, SalvaWithoutANameAsksForOne) {
  setWorkCopy(crlf({kRossi}));
  ui.chooseFile(std::nullopt);
  main().click("mnsalva");
  EXPECT_EQ(ui.saveDialogs.size(), 1u);
  EXPECT_TRUE(m->nome_archivio.empty());
  ui.chooseFile(path("nuovo.txt"));
  main().click("mnsalva");
  EXPECT_EQ(readFile(path("nuovo.txt")), crlf({kRossi}));
  EXPECT_EQ(m->nome_archivio, path("nuovo.txt"));
  ui.chooseFile(std::nullopt);  // cancelled save-as changes nothing
  main().click("mnscn");
  EXPECT_EQ(m->nome_archivio, path("nuovo.txt"));
}

TEST_F(MainWindow, ApriAsksBeforeDiscardingChanges) {
  openArchive(crlf({kRossi}));
  m->modificato = "1";
  // Cancel: nothing happens, no dialog.
  ui.answer(Answer::Cancel);
  main().click("mnapri");
  EXPECT_TRUE(ui.openDialogs.size() == 1u && m->modificato == "1");
  // No, then the dialog cancelled: the changes are still marked unsaved.
  ui.answer(Answer::No);
  ui.chooseFile(std::nullopt);
  main().click("mnapri");
  EXPECT_EQ(m->modificato, "1");
  EXPECT_EQ(workCopy(), crlf({kRossi}));
  // So a later Esci still asks.
  ui.answer(Answer::Cancel);
  main().click("mnesci");
  EXPECT_FALSE(ui.quitRequested);
  // Yes saves first, then opens.
  writeFile(path("altro.txt"), crlf({kVerdi}));
  ui.answer(Answer::Yes);
  ui.chooseFile(path("salvato.txt"));
  ui.chooseFile(path("altro.txt"));
  main().click("mnapri");
  EXPECT_EQ(readFile(path("salvato.txt")), crlf({kRossi}));
  EXPECT_EQ(workCopy(), crlf({kVerdi}));
  EXPECT_EQ(m->modificato, "0");
  // Yes with the save dialog cancelled: nothing is opened.
  m->modificato = "1";
  ui.answer(Answer::Yes);
  ui.chooseFile(std::nullopt);
  main().click("mnapri");
  EXPECT_EQ(workCopy(), crlf({kVerdi}));
  EXPECT_EQ(m->modificato, "1");
  EXPECT_TRUE(ui.scriptsUsed());
}

TEST_F(MainWindow, ExitAndCloseWithEveryAnswer) {
  EXPECT_TRUE(main().close());  // nothing to save: no question
  EXPECT_TRUE(ui.quitRequested);
  EXPECT_TRUE(ui.messages.empty());

  ui.quitRequested = false;
  m->modificato = "1";
  ui.answer(Answer::No);
  main().click("mnesci");
  EXPECT_TRUE(ui.quitRequested);

  ui.quitRequested = false;
  ui.answer(Answer::Yes);
  ui.chooseFile(std::nullopt);  // Esci: a cancelled save keeps the program open
  main().click("mnesci");
  EXPECT_FALSE(ui.quitRequested);
  EXPECT_EQ(m->modificato, "1");

  ui.answer(Answer::Yes);
  ui.chooseFile(std::nullopt);  // closing: the same, rather than ending unsaved
  EXPECT_FALSE(main().close());
  EXPECT_FALSE(ui.quitRequested);
  EXPECT_EQ(ui.messages.back().buttons, ui::Buttons::YesNo);

  ui.answer(Answer::No);
  EXPECT_TRUE(main().close());
  EXPECT_TRUE(ui.quitRequested);

  ui.quitRequested = false;
  ui.answer(Answer::Yes);
  ui.chooseFile(path("chiusura.txt"));
  EXPECT_TRUE(main().close());
  EXPECT_TRUE(ui.quitRequested);
  EXPECT_TRUE(std::filesystem::exists(path("chiusura.txt")));
}

TEST_F(MainWindow, FailedWritesKeepEverythingAsItWas) {
  openArchive(crlf({kRossi}));
  m->modificato = "1";
  const std::string before = workCopy();
  std::filesystem::create_directory(path("cartella"));

  ui.chooseFile(path("cartella"));  // a target that is a folder
  main().click("mnscn");
  EXPECT_EQ(m->modificato, "1");
  EXPECT_EQ(m->nome_archivio, path("archivio.txt"));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].text.find(path("cartella")), std::string::npos);
  ui.messages.clear();

  ui.answer(Answer::Yes);  // the save at exit failing keeps the program open
  ui.chooseFile(path("manca/uscita.txt"));
  main().click("mnesci");
  EXPECT_FALSE(ui.quitRequested);
  EXPECT_EQ(m->modificato, "1");
  ui.messages.clear();

  // "Salva" onto an archive replaced by a folder.
  std::filesystem::remove(path("archivio.txt"));
  std::filesystem::create_directory(path("archivio.txt"));
  main().click("mnsalva");
  EXPECT_EQ(m->modificato, "1");
  EXPECT_EQ(ui.takeMessages().size(), 1u);

  // "Apri" of a file that cannot be read.
  ui.answer(Answer::No);
  ui.chooseFile(path("inesistente.txt"));
  main().click("mnapri");
  EXPECT_NE(ui.takeMessages().back().find("inesistente.txt"), std::string::npos);
  EXPECT_EQ(m->nome_archivio, path("archivio.txt"));
  EXPECT_EQ(workCopy(), before);
  EXPECT_EQ(m->modificato, "1");

  // A failed rename (as on a full disk) leaves the old archive whole.
  writeFile(path("vecchio.txt"), "vecchio\r\n");
  io::setFaultHook([](io::Op op, const std::string&) { return op == io::Op::Rename; });
  ui.chooseFile(path("vecchio.txt"));
  main().click("mnscn");
  io::setFaultHook(nullptr);
  EXPECT_EQ(readFile(path("vecchio.txt")), "vecchio\r\n");
  EXPECT_EQ(m->modificato, "1");
}

TEST_F(MainWindow, HelpOpensTheFileOrSaysItIsMissing) {
  main().click("mnhelp");
  EXPECT_TRUE(ui.helpShown.empty());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].text.find("krt.hlp"), std::string::npos);
  writeFile(path("krt.hlp"), "<html></html>");
  main().click("mnhelp");
  EXPECT_EQ(ui.helpShown, (std::vector<std::string>{path("krt.hlp")}));
}

TEST_F(MainWindow, NuovoInserimentoSetsModeI) {
  m->modo = "m";
  main().click("mnins");
  EXPECT_EQ(m->modo, "i");
  EXPECT_TRUE(ui.window("Form4").isVisible());
}

class LookupLists : public AppTest {};

TEST_F(LookupLists, ProvinceItemsAndAssociationsBySigla) {
  ui::Control& prov = main().control("tcerca");  // any two controls will do
  headless::HeadlessControl ass(main(), {ui::Kind::ComboBox, "ass"});
  headless::HeadlessControl pc(main(), {ui::Kind::ComboBox, "prov"});
  (void)prov;
  pc.setText("stale");
  m->LoadProvinces(pc, ass);
  EXPECT_EQ(pc.items(), (std::vector<std::string>{"ROMA                RM  ", "MILANO              MI  "}));
  EXPECT_EQ(pc.text(), "");
  EXPECT_EQ(pc.fontName(), "courier new");
  EXPECT_EQ(ass.fontName(), "courier new");
  pc.setText(pc.item(0));
  m->LoadAssociations(pc, ass);
  EXPECT_EQ(ass.items(), (std::vector<std::string>{fixedWidth("RADIO CLUB ROMA", 40) + "RM  ",
                                                   fixedWidth("CB ROMA NORD", 40) + "RM  "}));
  pc.setText("ROMA RM");  // shorter than 21 characters: empty sigla
  m->LoadAssociations(pc, ass);
  EXPECT_EQ(ass.items(), (std::vector<std::string>{fixedWidth("SENZA PROVINCIA", 40)}));
  pc.setText(fixedWidth("ROMA", 20) + "RM");  // "RM" without its blanks matches nothing
  m->LoadAssociations(pc, ass);
  EXPECT_TRUE(ass.items().empty());
}

TEST_F(LookupLists, MissingListsAreReportedAndLeaveChoicesEmpty) {
  std::filesystem::remove(path("province.dat"));
  headless::HeadlessControl ass(main(), {ui::Kind::ComboBox, "ass"});
  headless::HeadlessControl pc(main(), {ui::Kind::ComboBox, "prov"});
  m->LoadProvinces(pc, ass);
  EXPECT_EQ(pc.itemCount(), 0);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].text.find("province.dat"), std::string::npos);
}

TEST_F(LookupLists, LookupByKeyFindsTheFirstOrBlanks) {
  const std::string second = kRossi.substr(0, 110) + std::string(10, 'Z');
  setWorkCopy(crlf({kVerdi, kRossi, second}));
  VolunteerRecord r;
  EXPECT_TRUE(lookupByKey(m->percorso_wrk(), kRossi.substr(0, 110), r));
  EXPECT_EQ(r.via.view(), std::string(40, ' '));
  EXPECT_FALSE(lookupByKey(m->percorso_wrk(), "NESSUNO", r));
  EXPECT_EQ(r.bytes(), std::string(809, ' '));
}

TEST_F(LookupLists, RewriteFailureLeavesTheWorkCopy) {
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

namespace krt::test {
namespace {

TEST_F(LookupLists, AnInstalledProgramFallsBackOnTheListsItShips) {
  std::filesystem::create_directory(path("share"));
  std::filesystem::rename(path("province.dat"), path("share/province.dat"));
  writeFile(path("share/associazioni.dat"), "altro");
  m->systemDataDir = path("share");
  EXPECT_EQ(m->lookupPath("province.dat"), path("share/province.dat"));
  EXPECT_EQ(m->lookupPath("associazioni.dat"), path("associazioni.dat"));  // the folder's own list wins
  EXPECT_EQ(m->lookupPath("krt.hlp"), path("krt.hlp"));                    // neither: the bare name in the folder
}

}  // namespace
}  // namespace krt::test
