// Real faults of a real disk: full, read-only, files vanishing or turned into
// folders, and the program killed in the middle of a save or a registration.
#include <fcntl.h>
#include <grp.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <random>

#include "support.h"

namespace krt::test {
namespace {

namespace fs = std::filesystem;

// A full disk, as it really is (a small tmpfs where this process may mount,
// else a file size limit): "Salva" and "Registra" fail saying why and change
// nothing; once the disk takes writes again, both work.
TEST(HardeningDisk, FullDiskChangesNothingTillItTakesWritesAgain) {
  const std::string disk = fs::temp_directory_path() / ("krt-disco-" + std::to_string(::getpid()));
  fs::create_directories(disk);
  const bool mounted = ::geteuid() == 0 && ::mount("krt-test", disk.c_str(), "tmpfs", 0, "size=256k") == 0;
  const std::string reason = W(mounted ? "spazio su disco esaurito" : "il file è troppo grande");
  EXPECT_TRUE(Child(60, [&](int) {
                std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG
                const std::string archive = disk + "/archivio.txt", original = crlf(volunteers(20, 40, "VOL"));
                writeFile(archive, original);
                Program p(disk);
                p.menu("mnapri", archive);
                p.enroll("ZETA");
                const std::string work = p.workCopy();
                rlimit limit{};
                ::getrlimit(RLIMIT_FSIZE, &limit);
                if (mounted) {  // all but 12 KiB taken: every save starts, then runs out
                  const int fd = ::open((disk + "/zavorra").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                  const std::string chunk(4096, 'x');
                  off_t size = 0;
                  while (::write(fd, chunk.data(), chunk.size()) > 0) size += 4096;
                  EXPECT_EQ(errno, ENOSPC);
                  ASSERT_EQ(::ftruncate(fd, size > 12288 ? size - 12288 : 0) | ::close(fd), 0);
                } else {
                  const rlimit small{16384, limit.rlim_max};
                  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
                }
                for (const bool save : {true, false}) {
                  p.ui.messages.clear();
                  save ? p.main().click("mnsalva") : p.enroll("ZETA DUE");
                  EXPECT_NE(p.told().find(reason), std::string::npos) << p.told();
                  EXPECT_TRUE(readFile(archive) == original && p.workCopy() == work && p.m->modificato);
                  EXPECT_EQ(strayTemporaries(disk), 0);
                }
                ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
                fs::remove(disk + "/zavorra");
                p.enroll("ZETA DUE");
                p.main().click("mnsalva");
                EXPECT_EQ(p.workCopy().size(), work.size() + 811);
                EXPECT_TRUE(readFile(archive) == p.workCopy() && !p.m->modificato);
              }).end(false));
  if (mounted) ::umount2(disk.c_str(), MNT_DETACH);
  fs::remove_all(disk);
}

class HardeningDiskApp : public ProgramTest {};

// Behind the program's back, the work copy removed before "Registra": it says
// why and changes nothing.
TEST_F(HardeningDiskApp, WorkCopyRemovedBeforeRegistra) {
  restart();
  p->enroll("NUOVO");
  const std::string wrk = p->m->percorso_wrk();
  fs::remove(wrk);
  p->enroll("ALTRO");
  EXPECT_EQ(p->told(), "Impossibile leggere il file " + wrk + "\n(il file o la cartella non esiste).");
  EXPECT_TRUE(!fs::exists(wrk) && p->m->modificato);
}

// Every writer on a target its owner protected from writing (0444: root,
// who could write it anyway, is refused too): told, naming the file, and
// nothing written. On a writable one: replaced, keeping mode, owner and
// group, and a link to it stays a link (the three saves are chosen through one).
TEST_F(HardeningDiskApp, ProtectedTargetsAreRefusedReplacedOnesKeepModeOwnerAndLink) {
  writeFile(path("sorgente.txt"), crlf(volunteers(1, 2, "VOL")));
  fs::create_symlink(path("archivio.txt"), path("collegamento.txt"));
  const std::pair<const char*, std::function<void()>> writers[] = {
      {"archivio.txt", [&] { p->main().click("mnsalva"); }},
      {"archivio.txt", [&] { p->menu("mnscn", path("collegamento.txt")); }},
      {"archivio.txt", [&] { p->ui.answer(ui::Answer::Yes), p->menu("mnesci", path("collegamento.txt")); }},
      {"verifica.txt", [&] { p->main().click("mnverifica"); }},
      {"volontari.wrk", [&] { p->enroll("NUOVO"); }}};
  for (const auto& [target, write] : writers) {
    for (const mode_t mode : {0444, 0640}) {
      SCOPED_TRACE(std::string(target) + " " + std::to_string(mode));
      restart();
      p->menu("mnapri", path("sorgente.txt"));
      p->m->nome_archivio = path("collegamento.txt");
      p->m->modificato = true;
      if (std::string(target) != "volontari.wrk") writeFile(path(target), "vecchio\r\n");
      const std::string old = readFile(path(target));
      ASSERT_EQ(::chown(path(target).c_str(), 4321, 5432) | ::chmod(path(target).c_str(), mode), 0);
      p->ui.messages.clear();
      write();
      struct stat st {};
      ASSERT_EQ(::stat(path(target).c_str(), &st), 0);
      EXPECT_EQ((std::tuple{st.st_mode & 07777, st.st_uid, st.st_gid, readFile(path(target)) == old, p->m->modificato}),
                (std::tuple{mode, 4321u, 5432u, mode == 0444, mode == 0444 || std::string(target) != "archivio.txt"}));
      EXPECT_EQ(p->told() == "Impossibile scrivere il file " + path(target) + "\n(accesso negato).", mode == 0444)
          << p->told();
      EXPECT_TRUE(fs::is_symlink(path("collegamento.txt")) && strayTemporaries(folder()) == 0);
      if (p->ui.find("formv")) p->ui.find("formv")->close();
    }
  }
}

// The same for a user who is not root (root gives up its rights in a child):
// a file of someone else is refused, the user's own is replaced keeping its
// mode, and a folder that takes no new file is named, by "Salva" and by
// "Registra", which then keeps the work copy.
TEST_F(HardeningDiskApp, AUserMayReplaceOnlyWhatTheyMayWrite) {
  const std::string box = path("cartella"), mine = box + "/mio.txt", theirs = box + "/altrui.txt";
  const std::string work = path("lavoro");
  for (const auto& d : {box, work}) fs::create_directory(d);
  for (const auto& f : {mine, theirs}) writeFile(f, "vecchio\r\n");
  ASSERT_EQ(::chown(mine.c_str(), 65534, 65534) | ::chmod(mine.c_str(), 0604) | ::chmod(theirs.c_str(), 0644), 0);
  ASSERT_EQ(::chmod(box.c_str(), 0777) | ::chmod(folder().c_str(), 0755), 0);
  ASSERT_EQ(::chown(work.c_str(), 65534, 65534), 0);
  EXPECT_TRUE(
      Child(60, [&](int) {
        ASSERT_EQ(::setgroups(0, nullptr) | ::setresgid(65534, 65534, 65534) | ::setresuid(65534, 65534, 65534), 0);
        Program p(work);
        p.enroll("NUOVO");
        const std::pair<std::string, std::string> saves[] = {
            {theirs, "Impossibile scrivere il file " + theirs + "\n(accesso negato)."},
            {mine, "File salvato"},
            {folder() + "/nuovo.txt", "Impossibile creare un file nella cartella " + folder() + "\n(accesso negato)."}};
        for (const auto& [target, told] : saves) {
          p.m->nome_archivio = target;
          p.main().click("mnsalva");
          EXPECT_EQ(p.told(), told);
        }
        const std::string registered = p.workCopy();
        ASSERT_EQ(::chmod(work.c_str(), 0555), 0);
        p.enroll("ALTRO");
        EXPECT_EQ(p.told(), "Impossibile creare un file nella cartella " + work + "\n(accesso negato).");
        EXPECT_TRUE(p.workCopy() == registered && !p.m->modificato && strayTemporaries(work) == 0);
      }).end(false));
  EXPECT_EQ((std::tuple{readFile(theirs), readFile(mine), fs::status(mine).permissions()}),
            (std::tuple{"vecchio\r\n", readFile(work + "/volontari.wrk"), fs::perms(0604)}));
  EXPECT_TRUE(strayTemporaries(box) == 0 && !fs::exists(folder() + "/nuovo.txt"));
}

// ---- killed at random points ------------------------------------------------

using Tick = std::function<void()>;

// Forks `loop` (which ticks once set up and after each operation) 120 times,
// kills each child after a random delay and checks the files; the check tells
// whether the child had completed an operation. Every ten kills the delays'
// range grows or shrinks so that kills fall both within and after it.
class HardeningKill : public TempDirTest {
 protected:
  void killRepeatedly(const std::function<void(const Tick&)>& loop, const std::function<bool()>& checkAfterKill) {
    std::mt19937 random{std::random_device{}()};
    double range = 5000;  // microseconds
    int after = 0;
    for (int done = 0, progressed = 0; done < 120 && !::testing::Test::HasFailure(); ++done) {
      Child child(30, [&](int out) { loop([out] { (void)!::write(out, "t", 1); }); });
      char c;
      EXPECT_EQ(::read(child.pipe, &c, 1), 1) << "the child died while it was being set up";
      ::usleep(static_cast<useconds_t>(std::uniform_real_distribution<double>(0, range)(random)));
      EXPECT_TRUE(child.end(true)) << "the child ended by itself";
      const bool progress = checkAfterKill();
      strayTemporaries(folder(), true);  // a killed writer's garbage, harmless
      progressed += progress, after += progress;
      if ((done + 1) % 10 == 0) range *= progressed == 0 ? 2 : progressed == 10 ? 0.6 : 1, progressed = 0;
    }
    EXPECT_TRUE(after > 0 && after < 120) << after << " of the kills fell after the first operation";
  }
};

TEST_F(HardeningKill, KilledDuringSaveLeavesOneWholeArchive) {
  const std::string a = crlf(volunteers(30, 60, "PRIMA")), b = crlf(volunteers(40, 90, "SECONDA"));
  const std::string archive = path("archivio.txt");
  for (const auto& [name, bytes] : {std::pair{"a.txt", a}, {"b.txt", b}, {"archivio.txt", a}})
    writeFile(path(name), bytes);
  std::string last = a;
  killRepeatedly(
      [&](const Tick& tick) {
        Program p(folder());
        tick();
        for (int i = readFile(archive) == a ? 0 : 1;; ++i) {  // the first save always changes the archive
          p.menu("mnapri", path(i % 2 ? "a.txt" : "b.txt"));
          p.m->nome_archivio = archive;
          p.main().click("mnsalva");
          p.ui.messages.clear();
          tick();
        }
      },
      [&] {
        const std::string now = readFile(archive), work = readFile(path("volontari.wrk"));
        EXPECT_TRUE(now == a || now == b) << "the archive is torn (" << now.size() << " bytes)";
        EXPECT_TRUE(work.empty() || work == a || work == b) << "the work copy is torn (" << work.size() << " bytes)";
        return std::exchange(last, now) != now;  // whether a save completed since the last kill
      });
}

// The work copy holds the old lines, then the first k registered volunteers
// (each sorts after every line before it), each line whole.
TEST_F(HardeningKill, KilledDuringRegistrationLeavesAWholeWorkCopy) {
  const std::string base = crlf(volunteers(25, 55, "BASE"));
  writeFile(path("base.txt"), base);
  const auto name = [](std::size_t i) { return "ZZ" + std::to_string(100000 + i); };
  killRepeatedly(
      [&](const Tick& tick) {
        Program p(folder());
        p.menu("mnapri", path("base.txt"));
        tick();
        for (std::size_t i = 0; i < 400; ++i) {
          p.enroll(name(i));
          tick();
        }
      },
      [&] {
        const std::string work = readFile(path("volontari.wrk"));
        const std::size_t k = work.size() > base.size() ? (work.size() - base.size()) / 811 : 0;
        EXPECT_TRUE(work.size() % 811 == 0 && work.starts_with(base) && k <= 400)
            << "the work copy is torn or lost its old lines (" << work.size() << " bytes)";
        for (std::size_t i = 0; i < std::min<std::size_t>(k, 400); ++i) {
          const std::string got = work.substr(base.size() + i * 811, 811);
          EXPECT_TRUE(got.ends_with("\r\n") && trimBlanks(columns(got, 61, 25)) == name(i)) << "registration " << i;
        }
        return k > 0;
      });
}

}  // namespace
}  // namespace krt::test
