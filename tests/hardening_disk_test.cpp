// Real faults of a real disk: full, read-only, files vanishing or turned
// into folders between two commands, and the program killed in the middle
// of a save or a registration. Whatever happens, the archive and the work
// copy hold their old bytes or their new bytes.
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <random>

#include "support.h"

namespace krt::test {
namespace {

namespace fs = std::filesystem;
using headless::HeadlessPlatform;

std::vector<std::string> archiveLines(int count, const std::string& tag) {
  std::vector<std::string> lines;
  for (int i = 0; i < count; ++i) {
    const bool roma = i >= count / 3;
    lines.push_back(line({{"provincia", roma ? "ROMA" : "MILANO"},
                          {"associazione", roma ? "RADIO CLUB ROMA" : "RADIO MILANO"},
                          {"cognome", tag + std::to_string(1000 + i)},
                          {"nome", "NOME"},
                          {"via", "VIA DELLE PROVE 1"},
                          {"prov_residenza", roma ? "RM" : "MI"}}));
  }
  return lines;
}

// Registers a volunteer of the first province, opening the editor by
// "Inserisci" unless it is already open.
void enroll(HeadlessPlatform& ui, Modulo1& m, const std::string& cognome) {
  if (!m.form4Loaded() || !ui.window("Form4").isVisible()) ui.window("Form1").click("mnins");
  auto& ed = ui.window("Form4");
  ed.pick("Combo2", 0);
  ed.type("Text1", cognome);
  ed.type("Text2", "NUOVO");
  ed.click("Command2");
}

// The temporaries (".name.XXXXXX") that writers left in `folder`, removed
// when `clear` is set.
int temporaries(const std::string& folder, bool clear = false) {
  int n = 0;
  for (const auto& e : fs::directory_iterator(folder)) {
    const std::string name = e.path().filename().string();
    if (name.size() > 7 && name[0] == '.' && name[name.size() - 7] == '.') {
      if (clear) fs::remove(e.path());
      ++n;
    }
  }
  return n;
}

// A forked child running `body`, which gets the write end of a pipe whose
// read end the parent keeps. The child's failed checks print as usual and
// make it end with status 1; SIGALRM ends it after `seconds`.
struct Child {
  pid_t pid = -1;
  int pipe = -1;

  Child(unsigned seconds, const std::function<void(int out)>& body) {
    int fds[2];
    if (::pipe(fds) != 0) return;
    std::fflush(stdout);  // or the child would print again what is still buffered
    pid = ::fork();
    if (pid == 0) {
      ::close(fds[0]);
      ::alarm(seconds);
      try {
        body(fds[1]);
      } catch (const std::exception& e) {
        ADD_FAILURE() << "exception: " << e.what();
      }
      std::fflush(stdout);
      ::_exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    ::close(fds[1]);
    pipe = fds[0];
  }
  bool waitTick() const {
    char c;
    return ::read(pipe, &c, 1) == 1;
  }
  // Waits for the child, killed first when `kill` is set; true when it ended
  // as wanted: by SIGKILL, or else with status 0.
  bool end(bool kill) {
    if (pid <= 0) return false;
    if (kill) ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(pipe);
    return kill ? WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL : WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
};

// A small tmpfs mounted on a folder, when this process may mount.
struct Mount {
  std::string where;
  bool mounted;
  Mount(const std::string& folder, const std::string& options) : where(folder) {
    fs::create_directories(where);
    mounted = ::geteuid() == 0 && ::mount("krt-test", where.c_str(), "tmpfs", 0, options.c_str()) == 0;
  }
  ~Mount() {
    if (mounted) ::umount2(where.c_str(), MNT_DETACH);
  }
  bool setReadOnly(bool ro) {
    return ::mount("krt-test", where.c_str(), "tmpfs", MS_REMOUNT | (ro ? MS_RDONLY : 0), nullptr) == 0;
  }
};

// The program started in `folder`, which holds its lookup lists.
struct Program {
  explicit Program(const std::string& folder) {
    writeFile(folder + "/province.dat", kTestProvinces);
    writeFile(folder + "/associazioni.dat", testAssociations());
    m = std::make_unique<Modulo1>(ui, folder, folder);
    m->form1().show();
  }
  headless::HeadlessWindow& main() { return ui.window("Form1"); }
  // A menu command, with `file` chosen in its dialog.
  void menu(const char* command, const std::string& file) {
    ui.chooseFile(file);
    main().click(command);
  }
  void enroll(const std::string& cognome) { test::enroll(ui, *m, cognome); }
  std::string workCopy() { return readFile(m->percorso_wrk()); }

  HeadlessPlatform ui;
  std::unique_ptr<Modulo1> m;
};

// A disk that stops taking writes. The archive in `archiveFolder` is opened
// into `workFolder` and a volunteer registered; then `block` makes both
// folders refuse writes (the archive's may refuse them from the start), and
// every writing command fails saying `reason`, keeping the files as they
// were. After `unblock` the work folder takes writes again: registering and
// saving work.
void refusedWritesStory(const std::string& archiveFolder, const std::string& workFolder, const std::string& reason,
                        const std::function<void()>& block, const std::function<void()>& unblock) {
  Program p(workFolder);
  const std::string archive = archiveFolder + "/archivio.txt";
  const std::string copy = workFolder + "/copia.txt";
  const std::string original = readFile(archive);
  const auto told = [&](const char* what) {
    std::string all;
    for (const auto& msg : p.ui.messages) all += msg.text;
    EXPECT_NE(all.find(W(reason.c_str())), std::string::npos) << what << ": no message saying " << reason;
    p.ui.messages.clear();
  };
  p.menu("mnapri", archive);
  EXPECT_TRUE(p.workCopy() == original) << "Apri failed";
  p.enroll("ZETA");
  EXPECT_EQ(p.m->modificato, "1") << "the registration before the disk refused writes failed";
  const std::string work = p.workCopy();
  p.ui.messages.clear();

  block();
  p.main().click("mnsalva");
  told("Salva");
  EXPECT_TRUE(readFile(archive) == original) << "a failed Salva changed the archive";
  p.menu("mnscn", copy);
  told("Salva con nome");
  EXPECT_FALSE(fs::exists(copy)) << "a failed Salva con nome left a file";
  p.enroll("ZETA DUE");
  told("Registra");
  p.main().click("mnverifica");
  told("Verifica");
  p.menu("mnaggiu", archive);
  told("Aggiungi");
  EXPECT_TRUE(p.workCopy() == work) << "a failed Registra or merge changed the work copy";
  EXPECT_EQ(p.m->modificato, "1") << "a failure cleared modificato";
  EXPECT_EQ(temporaries(archiveFolder) + temporaries(workFolder), 0) << "a failed save left its temporary file";

  unblock();
  p.enroll("ZETA DUE");
  EXPECT_EQ(p.workCopy().size(), work.size() + 811) << "Registra after the disk took writes again failed";
  // Salva when the archive's folder takes writes too, else "Salva con nome".
  const bool archiveWritable = archiveFolder == workFolder;
  if (archiveWritable) p.main().click("mnsalva");
  if (!archiveWritable) p.menu("mnscn", copy);
  EXPECT_TRUE(readFile(archiveWritable ? archive : copy) == p.workCopy()) << "saving after the disk took writes again";
  EXPECT_EQ(p.m->modificato, "0") << "saving after the disk took writes again left modificato set";
}

class HardeningDisk : public AppTest {};

TEST_F(HardeningDisk, FullDiskOnASmallTmpfs) {
  const std::string disk = path("disco");
  Mount mount(disk, "size=256k");
  if (!mount.mounted) GTEST_SKIP() << "no tmpfs can be mounted here (not root, or mounting is not permitted)";
  writeFile(disk + "/archivio.txt", crlf(archiveLines(60, "VOL")));
  const std::string ballast = disk + "/zavorra";
  const auto fill = [&] {
    const int fd = ::open(ballast.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    const std::string chunk(4096, 'x');
    off_t size = 0;
    while (::write(fd, chunk.data(), chunk.size()) > 0) size += 4096;
    EXPECT_EQ(errno, ENOSPC);
    // A little room stays: every save starts, then runs out.
    ASSERT_EQ(::ftruncate(fd, size > 12288 ? size - 12288 : 0), 0);
    ::close(fd);
  };
  refusedWritesStory(disk, disk, "spazio su disco esaurito", fill, [&] { fs::remove(ballast); });
}

TEST_F(HardeningDisk, FileSizeLimitInAChild) {
  const std::string folder = path("limite");
  fs::create_directories(folder);
  writeFile(folder + "/archivio.txt", crlf(archiveLines(60, "VOL")));
  EXPECT_TRUE(Child(60, [&](int) {
                std::signal(SIGXFSZ, SIG_IGN);  // write then fails with EFBIG
                rlimit limit{};
                ::getrlimit(RLIMIT_FSIZE, &limit);
                const rlimit unlimited = limit;
                limit.rlim_cur = 16384;
                refusedWritesStory(
                    folder, folder, "il file è troppo grande", [&] { ::setrlimit(RLIMIT_FSIZE, &limit); },
                    [&] { ::setrlimit(RLIMIT_FSIZE, &unlimited); });
              }).end(false));
}

TEST_F(HardeningDisk, ReadOnlyFolders) {
  const std::string ro = path("sola-lettura");
  const std::string work = path("lavoro");
  Mount roMount(ro, "size=1m");
  Mount workMount(work, "size=4m");
  if (roMount.mounted && workMount.mounted) {
    writeFile(ro + "/archivio.txt", crlf(archiveLines(20, "VOL")));
    ASSERT_TRUE(roMount.setReadOnly(true));
    refusedWritesStory(
        ro, work, "il disco è protetto in scrittura", [&] { ASSERT_TRUE(workMount.setReadOnly(true)); },
        [&] { ASSERT_TRUE(workMount.setReadOnly(false)); });
  }
  // Permission bits: root ignores them, so a child gives up root first.
  const std::string roBits = path("permessi");
  const std::string workBits = path("lavoro-permessi");
  fs::create_directories(roBits);
  fs::create_directories(workBits);
  writeFile(roBits + "/archivio.txt", crlf(archiveLines(20, "VOL")));
  const bool root = ::geteuid() == 0;
  if (root) {
    // nobody may read the archive and own the work folder, nothing else.
    ASSERT_EQ(::chmod(dir_.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(roBits.c_str(), 0755), 0);
    ASSERT_EQ(::chmod((roBits + "/archivio.txt").c_str(), 0644), 0);
    ASSERT_EQ(::chown(workBits.c_str(), 65534, 65534), 0);
  } else {
    ASSERT_EQ(::chmod(roBits.c_str(), 0555), 0);
  }
  EXPECT_TRUE(Child(60, [&](int) {
                ASSERT_TRUE(!root || (::setresgid(65534, 65534, 65534) == 0 && ::setresuid(65534, 65534, 65534) == 0));
                refusedWritesStory(
                    roBits, workBits, "accesso negato", [&] { ::chmod(workBits.c_str(), 0555); },
                    [&] { ::chmod(workBits.c_str(), 0755); });
              }).end(false));
  ::chmod(roBits.c_str(), 0755);  // so that the folder can be cleared away
  if (root) ::chown(workBits.c_str(), 0, 0);
  if (!roMount.mounted || !workMount.mounted)
    std::cout << "[ disk     ] read-only mounts are not permitted here: only the permission bits were tested\n";
}

TEST_F(HardeningDisk, WorkCopyRemovedBetweenTwoCommands) {
  const auto lines = archiveLines(6, "VOL");
  openArchive(crlf(lines));
  const auto gone = [&] {
    fs::remove(m->percorso_wrk());
    ui.messages.clear();
  };
  const auto toldMissing = [&](const char* what) {
    ASSERT_EQ(ui.messages.size(), 1u) << what;
    EXPECT_EQ(ui.messages[0].text,
              "Impossibile leggere il file " + m->percorso_wrk() + "\n(il file o la cartella non esiste).")
        << what;
    EXPECT_FALSE(fs::exists(m->percorso_wrk())) << what;
    EXPECT_EQ(m->modificato, "0") << what;
    EXPECT_FALSE(ui.busy) << what;
    ui.messages.clear();
  };
  gone();
  enroll(ui, *m, "NUOVO");
  toldMissing("Registra");
  EXPECT_EQ(win("Form4").control("Text1").text(), "NUOVO");
  win("Form4").click("Command1");  // "Esci" reloads the list: a message again
  toldMissing("Esci");
  // Verifica: no viewer with a report of nothing.
  main().click("mnverifica");
  toldMissing("Verifica");
  EXPECT_FALSE(m->viewerLoaded());
  // The main list's search still works on the list it shows.
  openArchive(crlf(lines));
  gone();
  main().type("tcerca", "VOL1003");
  main().click("cmdcerca");
  EXPECT_EQ(main().control("List1").listIndex(), 3);
  EXPECT_TRUE(ui.messages.empty());
  // A volunteer of the list whose line is gone with the file.
  main().pick("List1", 2);
  toldMissing("List1");
  // The selection's search: an empty list, not "nobody found".
  main().click("mnsel");
  win("Form3").click("cmdcerca");
  toldMissing("Cerca");
  EXPECT_EQ(items("Form3", "List1"), std::vector<std::string>{});
  // Salva: the archive stays.
  m->nome_archivio = path("archivio.txt");
  main().click("mnsalva");
  toldMissing("Salva");
  EXPECT_EQ(readFile(path("archivio.txt")), crlf(lines));
  // "Apri" brings the program back.
  openArchive(crlf(lines));
  EXPECT_EQ(workCopy(), crlf(lines));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(HardeningDisk, ArchiveReplacedByAFolder) {
  openArchive(crlf(archiveLines(4, "VOL")));
  enroll(ui, *m, "NUOVO");
  ASSERT_EQ(m->modificato, "1");
  const std::string work = workCopy();
  const std::string archive = path("archivio.txt");
  fs::remove(archive);
  fs::create_directory(archive);
  writeFile(archive + "/dentro.txt", "CONTENUTO\r\n");
  ui.messages.clear();
  // Every command that writes or reads the archive says it is a folder and
  // changes nothing. The dialogs all choose the archive; leaving saves first
  // and "Apri" asks first about the unsaved changes.
  for (const std::string command : {"mnsalva", "mnscn", "close", "mnapri", "mnaggiu"}) {
    SCOPED_TRACE(command);
    ui.chooseFile(archive);
    if (command == "close") ui.answer(ui::Answer::Yes);
    if (command == "mnapri") ui.answer(ui::Answer::No);
    if (command != "close") main().click(command);
    EXPECT_FALSE(command == "close" && main().close());  // the window stays open
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_NE(ui.messages.back().text.find("il nome indica una cartella"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(archive));
    EXPECT_EQ(readFile(archive + "/dentro.txt"), "CONTENUTO\r\n");
    EXPECT_EQ(workCopy(), work);
    EXPECT_EQ(m->modificato, "1");
    EXPECT_EQ(m->nome_archivio, archive);
    EXPECT_FALSE(ui.quitRequested);
    ui.messages.clear();
  }
  // A folder where the work copy should be.
  fs::remove(m->percorso_wrk());
  fs::create_directory(m->percorso_wrk());
  main().click("mnverifica");
  ASSERT_FALSE(ui.messages.empty());
  EXPECT_NE(ui.messages.back().text.find("il nome indica una cartella"), std::string::npos);
  EXPECT_TRUE(fs::is_directory(m->percorso_wrk()));
}

// An archive kept elsewhere (a memory stick) and reached through a symbolic
// link: every save must update the file the link leads to, keeping its
// permissions, not put a new file in the link's place and leave the real
// archive behind.
TEST_F(HardeningDisk, ArchiveReachedThroughASymbolicLink) {
  fs::create_directories(path("chiavetta"));
  const std::string real = path("chiavetta/archivio.txt");
  const std::string link = path("collegamento.txt");
  const auto old = crlf(archiveLines(3, "VOL"));
  writeFile(real, old);
  ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
  fs::create_symlink(real, link);
  ui.chooseFile(link);
  main().click("mnapri");
  enroll(ui, *m, "NUOVO");
  const std::string work = workCopy();
  for (const std::string command : {"mnsalva", "mnscn", "close"}) {
    SCOPED_TRACE(command);
    writeFile(real, old);
    m->modificato = "1";
    if (command != "mnsalva") ui.chooseFile(link);
    if (command == "close") ui.answer(ui::Answer::Yes);
    if (command != "close") main().click(command);
    EXPECT_TRUE(command != "close" || main().close());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readFile(real), work);
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(m->modificato, "0");
  }
}

// ---- killed at random points ------------------------------------------------

// An operation run again and again by a child, which calls `tick` once it is
// set up and after each operation it completes.
using Tick = std::function<void()>;
using Loop = std::function<void(const Tick& tick)>;

// Forks `loop` 130 times, kills each child at a random moment of its first
// operations and checks the files after each kill; the check tells whether
// the child had completed an operation. The moments are spread over about
// `spread` operations, timed on a first child (a sanitizer build runs many
// times slower) and stretched or shrunk as a busy machine changes the pace,
// so that the kills keep falling both within and after the first operation.
// The temporaries a killed writer leaves in `folders` are harmless garbage,
// cleared so that they cannot be mistaken for the next run's. The kills are
// recorded and printed with `what`.
void killRepeatedly(const char* what, double spread, const std::vector<std::string>& folders, const Loop& loop,
                    const std::function<bool()>& checkAfterKill) {
  using Clock = std::chrono::steady_clock;
  std::mt19937 random{static_cast<unsigned>(Clock::now().time_since_epoch().count())};
  const auto start = [&] { return Child(30, [&](int out) { loop([out] { (void)!::write(out, "t", 1); }); }); };
  Child timing = start();
  if (!timing.waitTick()) {
    ADD_FAILURE() << "the child did not start";
    timing.end(true);
    return;
  }
  // The quickest of three operations: a slow one is the machine's noise.
  double cycle = 1e9;
  for (int i = 0; i < 3; ++i) {
    const auto before = Clock::now();
    if (!timing.waitTick()) ADD_FAILURE() << "the child stopped before its third operation";
    cycle = std::min(cycle, std::chrono::duration<double, std::micro>(Clock::now() - before).count());
  }
  timing.end(true);
  int left = 0;
  const auto check = [&] {
    const bool progressed = checkAfterKill();
    for (const auto& folder : folders) left += temporaries(folder, true);
    return progressed;
  };
  check();
  std::uniform_real_distribution<double> delay(0, spread * cycle);
  double scale = 1;
  int progressed = 0;
  int done = 0;
  for (; done < 130 && !::testing::Test::HasFailure(); ++done) {
    Child child = start();
    EXPECT_TRUE(child.waitTick()) << "the child died while it was being set up";
    ::usleep(static_cast<useconds_t>(scale * delay(random)));
    EXPECT_TRUE(child.end(true)) << "the child ended by itself";
    if (check()) ++progressed;
    if ((done + 1) % 10 == 0) {
      if (progressed == 0) scale *= 2;
      if (progressed == 10) scale *= 0.6;
      progressed = 0;
    }
  }
  std::cout << "[ kill     ] " << what << ": " << done << " kills survived (" << left << " abandoned temporaries)\n";
  ::testing::Test::RecordProperty(std::string(what) + "_kills", done);
  EXPECT_EQ(done, 130);
}

class HardeningKill : public TempDirTest {};

TEST_F(HardeningKill, KilledDuringSaveLeavesOneWholeArchive) {
  const std::string work = path("lavoro");
  fs::create_directories(work);
  const std::string a = crlf(archiveLines(90, "PRIMA"));
  const std::string b = crlf(archiveLines(130, "SECONDA"));
  writeFile(path("a.txt"), a);
  writeFile(path("b.txt"), b);
  const std::string archive = path("archivio.txt");
  writeFile(archive, a);
  int seenA = 0, seenB = 0;
  std::string last = a;
  killRepeatedly(
      "save", 2.0, {folder(), work},
      [&](const Tick& tick) {
        Program p(work);
        tick();
        // The first save always changes the archive.
        for (int i = readFile(archive) == a ? 0 : 1;; ++i) {
          p.menu("mnapri", path(i % 2 ? "a.txt" : "b.txt"));
          p.m->nome_archivio = archive;  // "Apri" named the file it opened
          p.main().click("mnsalva");
          p.ui.messages.clear();
          tick();
        }
      },
      [&] {
        const std::string now = readFile(archive);
        const std::string wrk = readFile(work + "/volontari.wrk");
        EXPECT_TRUE(now == a || now == b) << "the archive is neither whole version (" << now.size() << " bytes)";
        EXPECT_TRUE(wrk.empty() || wrk == a || wrk == b) << "the work copy is torn (" << wrk.size() << " bytes)";
        ++(now == a ? seenA : seenB);
        // Each child's first save changes the archive.
        const bool saved = now != last;
        last = now;
        return saved;
      });
  // The kills fell on both sides of the saves.
  EXPECT_GT(seenA, 0);
  EXPECT_GT(seenB, 0);
}

TEST_F(HardeningKill, KilledDuringRegistrationLeavesAWholeWorkCopy) {
  const std::string work = path("lavoro");
  fs::create_directories(work);
  const std::string base = crlf(archiveLines(80, "BASE"));
  writeFile(path("base.txt"), base);
  // The k-th registered volunteer sorts after every line before it.
  std::vector<std::string> names;
  for (int i = 0; i < 400; ++i) names.push_back("ZZ" + std::to_string(100000 + i));
  std::size_t longest = 0;
  killRepeatedly(
      "register", 2.5, {work},
      [&](const Tick& tick) {
        Program p(work);
        p.menu("mnapri", path("base.txt"));
        tick();
        for (const auto& n : names) {
          p.enroll(n);
          tick();
        }
      },
      // The work copy holds the old lines and then the first k registered
      // volunteers, each line whole.
      [&] {
        const std::string wrk = readFile(work + "/volontari.wrk");
        const std::size_t k = wrk.size() > base.size() ? (wrk.size() - base.size()) / 811 : 0;
        EXPECT_TRUE(wrk.size() % 811 == 0 && wrk.starts_with(base) && k <= names.size())
            << "the work copy is torn or lost its old lines (" << wrk.size() << " bytes)";
        for (std::size_t i = 0; i < std::min(k, names.size()); ++i) {
          const std::string got = wrk.substr(base.size() + i * 811, 811);
          EXPECT_TRUE(got.ends_with("\r\n") && trimBlanks(columns(got, 61, 25)) == names[i]) << "registration " << i;
        }
        longest = std::max(longest, k);
        return k > 0;
      });
  std::cout << "[ kill     ] up to " << longest << " registrations in one run\n";
  EXPECT_GT(longest, 0u);
}

}  // namespace
}  // namespace krt::test
