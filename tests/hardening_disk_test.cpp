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

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <iostream>
#include <random>
#include <set>

#include "editor/form4.h"
#include "records/file_io.h"
#include "support.h"

namespace krt::test {
namespace {

namespace fs = std::filesystem;
using headless::HeadlessPlatform;

std::string volunteer(const std::string& provincia, const std::string& cognome) {
  const bool roma = provincia == "ROMA";
  return line({{"provincia", provincia},
               {"associazione", roma ? "RADIO CLUB ROMA" : "RADIO MILANO"},
               {"cognome", cognome},
               {"nome", "NOME"},
               {"via", "VIA DELLE PROVE 1"},
               {"prov_residenza", roma ? "RM" : "MI"}});
}

std::vector<std::string> archiveLines(int count, const std::string& tag) {
  std::vector<std::string> lines;
  for (int i = 0; i < count; ++i)
    lines.push_back(volunteer(i < count / 3 ? "MILANO" : "ROMA", tag + std::to_string(1000 + i)));
  return lines;
}

// Collects what went wrong, so that the same checks run in this process or
// in a forked child that reports back through a pipe.
struct Findings {
  std::string text;
  void check(bool ok, const std::string& what) {
    if (!ok) text += what + "\n";
  }
  void told(HeadlessPlatform& ui, const std::string& reason, const std::string& what) {
    bool found = false;
    for (const auto& msg : ui.messages) found = found || msg.text.find(W(reason.c_str())) != std::string::npos;
    check(found, what + ": no message saying \"" + reason + "\"");
    ui.messages.clear();
  }
};

// Runs `fn` in a forked child and returns its findings (or how it died).
std::string inChild(const std::function<std::string()>& fn) {
  int fds[2];
  if (::pipe(fds) != 0) return "pipe failed";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    ::alarm(60);
    std::string out;
    try {
      out = fn();
    } catch (const std::exception& e) {
      out = std::string("exception: ") + e.what();
    }
    ssize_t ignored = ::write(fds[1], out.data(), out.size());
    (void)ignored;
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string out;
  char buf[4096];
  ssize_t n;
  while ((n = ::read(fds[0], buf, sizeof buf)) > 0) out.append(buf, static_cast<std::size_t>(n));
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status)) return out + "child died with signal " + std::to_string(WTERMSIG(status));
  return out;
}

// A small tmpfs mounted on a folder, when this process may mount.
class Mount {
 public:
  Mount(const std::string& where, const std::string& options) : where_(where) {
    fs::create_directories(where);
    if (::geteuid() == 0) mounted_ = ::mount("krt-test", where.c_str(), "tmpfs", 0, options.c_str()) == 0;
  }
  ~Mount() {
    if (mounted_) ::umount2(where_.c_str(), MNT_DETACH);
  }
  explicit operator bool() const { return mounted_; }
  bool setReadOnly(bool ro) {
    return ::mount("krt-test", where_.c_str(), "tmpfs", MS_REMOUNT | (ro ? MS_RDONLY : 0), nullptr) == 0;
  }

 private:
  std::string where_;
  bool mounted_ = false;
};

// The program started in `folder`, which holds its lookup lists.
struct Program {
  explicit Program(const std::string& folder) : dir(folder) {
    writeFile(dir + "/province.dat", kTestProvinces);
    writeFile(dir + "/associazioni.dat", testAssociations());
    m = std::make_unique<Modulo1>(ui, dir, dir);
    m->form1().show();
  }
  headless::HeadlessWindow& main() { return ui.window("Form1"); }
  headless::HeadlessWindow& ed() { return ui.window("Form4"); }
  void open(const std::string& archive) {
    ui.chooseFile(archive);
    main().click("mnapri");
  }
  void enroll(const std::string& cognome) {
    if (!m->form4Loaded() || !ed().isVisible()) {
      m->modo = "i";
      m->form4().show();
    }
    ed().pick("Combo2", 0);
    ed().type("Text1", cognome);
    ed().type("Text2", "NUOVO");
    ed().click("Command2");
  }
  std::string workCopy() { return readFile(m->percorso_wrk()); }

  std::string dir;
  HeadlessPlatform ui;
  std::unique_ptr<Modulo1> m;
};

bool strayTemporaries(const std::string& folder) {
  for (const auto& e : fs::directory_iterator(folder)) {
    const std::string n = e.path().filename().string();
    if (n.size() > 7 && n[0] == '.' && n[n.size() - 7] == '.') return true;
  }
  return false;
}

// The full-disk story: an archive opened and changed, then the disk fills
// (`fill`); every writing command fails with `reason` and keeps the files as
// they were; once space is back (`unfill`) "Salva" works.
std::string fullDiskStory(const std::string& folder, const std::function<void()>& fill,
                          const std::function<void()>& unfill, const std::string& reason) {
  Findings f;
  Program p(folder);
  const std::string archive = folder + "/archivio.txt";
  const std::string original = crlf(archiveLines(60, "VOL"));
  writeFile(archive, original);
  p.open(archive);
  p.enroll("ZETA");
  f.check(p.m->modificato == "1", "the registration before the disk filled failed");
  const std::string work = p.workCopy();
  p.ui.messages.clear();

  fill();
  p.main().click("mnsalva");
  f.told(p.ui, reason, "Salva");
  f.check(readFile(archive) == original, "Salva on a full disk changed the archive");
  f.check(p.m->modificato == "1", "Salva on a full disk cleared modificato");
  p.ui.chooseFile(folder + "/copia.txt");
  p.main().click("mnscn");
  f.told(p.ui, reason, "Salva con nome");
  f.check(!fs::exists(folder + "/copia.txt"), "Salva con nome on a full disk left a file");
  p.enroll("ZETA DUE");
  f.told(p.ui, reason, "Registra");
  f.check(p.workCopy() == work, "Registra on a full disk changed the work copy");
  p.main().click("mnverifica");
  f.told(p.ui, reason, "Verifica");
  p.ui.chooseFile(archive);
  p.main().click("mnaggiu");
  f.told(p.ui, reason, "Aggiungi");
  f.check(p.workCopy() == work, "the merge on a full disk changed the work copy");
  f.check(p.m->modificato == "1", "a failure cleared modificato");
  f.check(!strayTemporaries(folder), "a failed save left its temporary file");

  unfill();
  p.main().click("mnsalva");
  f.check(readFile(archive) == work, "Salva with space again did not save");
  f.check(p.m->modificato == "0", "Salva with space again left modificato set");
  p.m.reset();
  return f.text;
}

// Read-only story: `roFolder` holds the archive and cannot be written; the
// program works in `workFolder`, which turns read-only by `lock`.
std::string readOnlyStory(const std::string& roFolder, const std::string& workFolder, const std::function<void()>& lock,
                          const std::function<void()>& unlock, const std::string& reason) {
  Findings f;
  Program p(workFolder);
  const std::string archive = roFolder + "/archivio.txt";
  const std::string original = readFile(archive);
  p.open(archive);
  f.check(p.workCopy() == original, "Apri from a read-only folder failed");
  p.enroll("ZETA");
  const std::string work = p.workCopy();
  p.ui.messages.clear();
  p.main().click("mnsalva");
  f.told(p.ui, reason, "Salva into a read-only folder");
  f.check(readFile(archive) == original, "the read-only archive changed");
  f.check(p.m->modificato == "1", "a failed Salva cleared modificato");
  p.ui.chooseFile(workFolder + "/salvato.txt");
  p.main().click("mnscn");
  f.check(readFile(workFolder + "/salvato.txt") == work, "Salva con nome elsewhere failed");
  p.enroll("ZETA DUE");
  const std::string work2 = p.workCopy();
  const std::string modBefore = p.m->modificato;

  lock();
  p.ui.messages.clear();
  p.enroll("ZETA TRE");
  f.told(p.ui, reason, "Registra in a read-only work folder");
  f.check(p.workCopy() == work2, "Registra in a read-only folder changed the work copy");
  p.main().click("mnverifica");
  f.told(p.ui, reason, "Verifica in a read-only work folder");
  p.ui.chooseFile(archive);
  p.main().click("mnaggiu");
  f.told(p.ui, reason, "Aggiungi in a read-only work folder");
  f.check(p.workCopy() == work2, "the merge in a read-only folder changed the work copy");
  f.check(p.m->modificato == modBefore, "a failure changed modificato");
  unlock();
  p.enroll("ZETA TRE");
  f.check(p.workCopy().size() == work2.size() + 811, "Registra after the folder was writable again failed");
  p.m.reset();
  return f.text;
}

class HardeningDisk : public AppTest {};

TEST_F(HardeningDisk, FullDiskOnASmallTmpfs) {
  const std::string disk = path("disco");
  Mount mount(disk, "size=256k");
  if (!mount) GTEST_SKIP() << "no tmpfs can be mounted here (not root, or mounting is not permitted)";
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
  const auto unfill = [&] { fs::remove(ballast); };
  EXPECT_EQ(fullDiskStory(disk, fill, unfill, "spazio su disco esaurito"), "");
}

TEST_F(HardeningDisk, FileSizeLimitInAChild) {
  const std::string folder = path("limite");
  fs::create_directories(folder);
  const auto findings = inChild([&] {
    std::signal(SIGXFSZ, SIG_IGN);  // write then fails with EFBIG
    rlimit original{};
    ::getrlimit(RLIMIT_FSIZE, &original);
    const auto fill = [&] {
      rlimit small = original;
      small.rlim_cur = 16384;
      ::setrlimit(RLIMIT_FSIZE, &small);
    };
    const auto unfill = [&] { ::setrlimit(RLIMIT_FSIZE, &original); };
    return fullDiskStory(folder, fill, unfill, "il file è troppo grande");
  });
  EXPECT_EQ(findings, "");
}

TEST_F(HardeningDisk, ReadOnlyFolders) {
  const std::string ro = path("sola-lettura");
  const std::string work = path("lavoro");
  Mount roMount(ro, "size=1m");
  Mount workMount(work, "size=4m");
  if (roMount && workMount) {
    writeFile(ro + "/archivio.txt", crlf(archiveLines(20, "VOL")));
    ASSERT_TRUE(roMount.setReadOnly(true));
    const auto findings = readOnlyStory(
        ro, work, [&] { ASSERT_TRUE(workMount.setReadOnly(true)); }, [&] { ASSERT_TRUE(workMount.setReadOnly(false)); },
        "il disco è protetto in scrittura");
    EXPECT_EQ(findings, "");
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
  const auto story = [&] {
    if (root && ::setresgid(65534, 65534, 65534) != 0) return std::string("cannot become nobody (group)");
    if (root && ::setresuid(65534, 65534, 65534) != 0) return std::string("cannot become nobody");
    return readOnlyStory(
        roBits, workBits, [&] { ::chmod(workBits.c_str(), 0555); }, [&] { ::chmod(workBits.c_str(), 0755); },
        "accesso negato");
  };
  EXPECT_EQ(root ? inChild(story) : story(), "");
  ::chmod(roBits.c_str(), 0755);  // so that the folder can be cleared away
  if (root) ::chown(workBits.c_str(), 0, 0);
  if (!roMount || !workMount)
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
  // Registra.
  main().click("mnins");
  gone();
  win("Form4").pick("Combo2", 0);
  win("Form4").type("Text1", "NUOVO");
  win("Form4").type("Text2", "NOME");
  win("Form4").click("Command2");
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
  const auto lines = archiveLines(4, "VOL");
  openArchive(crlf(lines));
  main().click("mnins");
  win("Form4").pick("Combo2", 0);
  win("Form4").type("Text1", "NUOVO");
  win("Form4").type("Text2", "NOME");
  win("Form4").click("Command2");
  ASSERT_EQ(m->modificato, "1");
  const std::string work = workCopy();
  fs::remove(path("archivio.txt"));
  fs::create_directory(path("archivio.txt"));
  writeFile(path("archivio.txt/dentro.txt"), "CONTENUTO\r\n");
  const auto toldFolder = [&](const char* what) {
    ASSERT_FALSE(ui.messages.empty()) << what;
    EXPECT_NE(ui.messages.back().text.find("il nome indica una cartella"), std::string::npos) << what;
    EXPECT_TRUE(fs::is_directory(path("archivio.txt"))) << what;
    EXPECT_EQ(readFile(path("archivio.txt/dentro.txt")), "CONTENUTO\r\n") << what;
    EXPECT_EQ(workCopy(), work) << what;
    EXPECT_EQ(m->modificato, "1") << what;
    ui.messages.clear();
  };
  ui.messages.clear();
  main().click("mnsalva");
  toldFolder("Salva");
  ui.chooseFile(path("archivio.txt"));
  main().click("mnscn");
  toldFolder("Salva con nome");
  EXPECT_EQ(m->nome_archivio, path("archivio.txt"));
  ui.answer(ui::Answer::Yes);
  ui.chooseFile(path("archivio.txt"));
  EXPECT_FALSE(main().close());
  toldFolder("the save at exit");
  EXPECT_FALSE(ui.quitRequested);
  ui.answer(ui::Answer::No);  // "Apri" asks first about the unsaved changes
  ui.chooseFile(path("archivio.txt"));
  main().click("mnapri");
  toldFolder("Apri");
  ui.chooseFile(path("archivio.txt"));
  main().click("mnaggiu");
  toldFolder("Aggiungi");
  // A folder where the work copy should be.
  fs::remove(m->percorso_wrk());
  fs::create_directory(m->percorso_wrk());
  main().click("mnverifica");
  ASSERT_FALSE(ui.messages.empty());
  EXPECT_NE(ui.messages.back().text.find("il nome indica una cartella"), std::string::npos);
  EXPECT_TRUE(fs::is_directory(m->percorso_wrk()));
}

// An archive kept elsewhere (a memory stick) and reached through a symbolic
// link: saving must update the file the link leads to, not put a new file
// in the link's place and leave the real archive behind.
TEST_F(HardeningDisk, ArchiveReachedThroughASymbolicLink) {
  fs::create_directories(path("chiavetta"));
  const auto old = archiveLines(3, "VOL");
  writeFile(path("chiavetta/archivio.txt"), crlf(old));
  ASSERT_EQ(::chmod(path("chiavetta/archivio.txt").c_str(), 0640), 0);
  fs::create_symlink(path("chiavetta/archivio.txt"), path("collegamento.txt"));
  ui.chooseFile(path("collegamento.txt"));
  main().click("mnapri");
  main().click("mnins");
  win("Form4").pick("Combo2", 0);
  win("Form4").type("Text1", "NUOVO");
  win("Form4").type("Text2", "NOME");
  win("Form4").click("Command2");
  const std::string work = workCopy();
  for (const char* command : {"mnsalva", "mnscn"}) {
    SCOPED_TRACE(command);
    writeFile(path("chiavetta/archivio.txt"), crlf(old));
    if (std::string(command) == "mnscn") ui.chooseFile(path("collegamento.txt"));
    main().click(command);
    EXPECT_TRUE(fs::is_symlink(path("collegamento.txt")));
    EXPECT_EQ(readFile(path("chiavetta/archivio.txt")), work);
    EXPECT_EQ(fs::status(path("chiavetta/archivio.txt")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(m->modificato, "0");
    m->modificato = "1";
  }
  // The save at exit too.
  writeFile(path("chiavetta/archivio.txt"), crlf(old));
  ui.answer(ui::Answer::Yes);
  ui.chooseFile(path("collegamento.txt"));
  EXPECT_TRUE(main().close());
  EXPECT_TRUE(fs::is_symlink(path("collegamento.txt")));
  EXPECT_EQ(readFile(path("chiavetta/archivio.txt")), work);
}

// ---- killed at random points ------------------------------------------------

// A child running an operation in a loop; it writes a byte to the pipe once
// it is set up and after each operation it completes.
using Tick = std::function<void()>;
using Loop = std::function<void(const Tick& tick)>;

struct Child {
  pid_t pid = -1;
  int ticks = -1;

  explicit Child(const Loop& loop) {
    int fds[2];
    if (::pipe(fds) != 0) return;
    pid = ::fork();
    if (pid == 0) {
      ::close(fds[0]);
      ::alarm(30);
      const int out = fds[1];
      try {
        loop([out] {
          const char c = 't';
          (void)!::write(out, &c, 1);
        });
      } catch (...) {
      }
      ::_exit(3);
    }
    ::close(fds[1]);
    ticks = fds[0];
  }
  bool waitTick() const {
    char c;
    return ::read(ticks, &c, 1) == 1;
  }
  // Kills the child; true when SIGKILL was what ended it.
  bool kill() {
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(ticks);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  }
};

// Forks `loop` again and again, kills it at a random moment of its first
// operations and checks the files after each kill; the check tells whether
// the child had completed an operation. The moments are spread over about
// `spread` operations, timed on a first child (a sanitizer build runs many
// times slower) and stretched or shrunk as a busy machine changes the pace,
// so that the kills keep falling both within and after the first operation.
// Returns the number of kills.
int killRepeatedly(int kills, double spread, std::mt19937& random, const Loop& loop,
                   const std::function<bool()>& checkAfterKill) {
  using Clock = std::chrono::steady_clock;
  Child timing(loop);
  if (!timing.waitTick()) {
    ADD_FAILURE() << "the child did not start";
    timing.kill();
    return 0;
  }
  // The quickest of three operations: a slow one is the machine's noise.
  double cycle = 1e9;
  for (int i = 0; i < 3; ++i) {
    const auto start = Clock::now();
    if (!timing.waitTick()) ADD_FAILURE() << "the child stopped before its third operation";
    cycle = std::min(cycle, std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  timing.kill();
  checkAfterKill();
  std::uniform_real_distribution<double> delay(0, spread * cycle);
  double scale = 1;
  int progressed = 0;
  int done = 0;
  for (int k = 0; k < kills && !::testing::Test::HasFailure(); ++k) {
    Child child(loop);
    EXPECT_TRUE(child.waitTick()) << "the child died while it was being set up";
    ::usleep(static_cast<useconds_t>(scale * delay(random)));
    EXPECT_TRUE(child.kill()) << "the child ended by itself";
    if (checkAfterKill()) ++progressed;
    ++done;
    if (done % 10 == 0) {
      if (progressed == 0) scale *= 2;
      if (progressed == 10) scale *= 0.6;
      progressed = 0;
    }
  }
  return done;
}

class HardeningKill : public TempDirTest {
 protected:
  // A temporary left by a killed writer is harmless garbage; it is cleared
  // so that it cannot be mistaken for the next run's.
  int clearTemporaries(const std::string& folder) {
    int n = 0;
    for (const auto& e : fs::directory_iterator(folder)) {
      const std::string name = e.path().filename().string();
      if (name.size() > 7 && name[0] == '.' && name[name.size() - 7] == '.') {
        fs::remove(e.path());
        ++n;
      }
    }
    return n;
  }
  std::mt19937 random{static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count())};
};

TEST_F(HardeningKill, KilledDuringSaveLeavesOneWholeArchive) {
  const std::string work = path("lavoro");
  fs::create_directories(work);
  const std::string a = crlf(archiveLines(90, "PRIMA"));
  const std::string b = crlf(archiveLines(130, "SECONDA"));
  writeFile(path("a.txt"), a);
  writeFile(path("b.txt"), b);
  const std::string archive = path("archivio.txt");
  writeFile(archive, a);
  std::map<std::string, int> seen;
  std::string last = a;
  int temporaries = 0;
  const int kills = killRepeatedly(
      130, 2.0, random,
      [&](const Tick& tick) {
        Program p(work);
        tick();
        // The first save always changes the archive.
        for (int i = readFile(archive) == a ? 0 : 1;; ++i) {
          p.open(path(i % 2 ? "a.txt" : "b.txt"));
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
        ++seen[now == a ? "a" : "b"];
        temporaries += clearTemporaries(path("")) + clearTemporaries(work);
        // Each child's first save changes the archive.
        const bool saved = now != last;
        last = now;
        return saved;
      });
  std::cout << "[ kill     ] save: " << kills << " kills survived (archive a " << seen["a"] << ", b " << seen["b"]
            << "; " << temporaries << " abandoned temporaries)\n";
  RecordProperty("save_kills", kills);
  EXPECT_EQ(kills, 130);
  // The kills fell on both sides of the saves.
  EXPECT_GT(seen["a"], 0);
  EXPECT_GT(seen["b"], 0);
}

TEST_F(HardeningKill, KilledDuringRegistrationLeavesAWholeWorkCopy) {
  const std::string work = path("lavoro");
  fs::create_directories(work);
  const auto base = archiveLines(80, "BASE");
  writeFile(path("base.txt"), crlf(base));
  // The k-th registered volunteer sorts after every line before it.
  std::vector<std::string> names;
  for (int i = 0; i < 400; ++i) names.push_back("ZZ" + std::to_string(100000 + i));
  // The work copy holds the old lines and then the first k registered
  // volunteers, each line whole; k is returned.
  const auto checkWorkCopy = [&](std::size_t& k) {
    const std::string wrk = readFile(work + "/volontari.wrk");
    const std::string old = crlf(base);
    ASSERT_EQ(wrk.size() % 811, 0u) << "torn work copy";
    ASSERT_GE(wrk.size(), old.size()) << "the work copy lost lines";
    ASSERT_EQ(wrk.compare(0, old.size(), old), 0) << "the registrations changed the lines before them";
    k = wrk.size() / 811 - base.size();
    ASSERT_LE(k, names.size());
    for (std::size_t i = 0; i < k; ++i) {
      const std::string got = wrk.substr((base.size() + i) * 811, 811);
      VolunteerRecord r;
      r.fromLine(got.substr(0, 809));
      ASSERT_EQ(got.substr(809), "\r\n");
      ASSERT_EQ(std::string(trimBlanks(r.cognome.view())), names[i]) << "line " << base.size() + i;
    }
  };
  std::size_t longest = 0;
  int temporaries = 0;
  const int kills = killRepeatedly(
      130, 2.5, random,
      [&](const Tick& tick) {
        Program p(work);
        p.open(path("base.txt"));
        tick();
        for (const auto& n : names) {
          p.enroll(n);
          tick();
        }
      },
      [&] {
        std::size_t registered = 0;
        checkWorkCopy(registered);
        longest = std::max(longest, registered);
        temporaries += clearTemporaries(work);
        return registered > 0;
      });
  std::cout << "[ kill     ] register: " << kills << " kills survived (up to " << longest
            << " registrations in one run; " << temporaries << " abandoned temporaries)\n";
  RecordProperty("register_kills", kills);
  EXPECT_EQ(kills, 130);
  EXPECT_GT(longest, 0u);
}

}  // namespace
}  // namespace krt::test
