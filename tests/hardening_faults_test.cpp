// Every command that writes, failed at each write, sync, close and rename it
// makes: files old or new but whole, an Italian message, `modificato` true to
// the work copy, and the same command works once the disk is well again.
// Each replaced file is seen synced, by the system calls themselves, before
// it takes the target's name, and its folder after.
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <optional>

#include "records/file_io.h"
#include "support.h"

namespace krt::test {
namespace {

namespace fs = std::filesystem;
using Snapshot = std::map<std::string, std::optional<std::string>>;

// One call of the wrapped fdatasync (a file) or fsync (a folder): the inode
// synced, the name its descriptor had then, and the inode each watched file
// had at that moment.
struct SyncSeen {
  bool folder;
  ino_t inode;
  std::string name;
  std::map<std::string, ino_t> watched;
};
std::vector<SyncSeen> g_seen;
std::vector<std::string> g_watched;

ino_t inodeOf(const std::string& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 ? st.st_ino : 0;
}

template <bool folder>
int watchedSync(int fd) {
  struct stat st {};
  ::fstat(fd, &st);
  std::error_code ec;
  SyncSeen seen{folder, st.st_ino, fs::read_symlink("/proc/self/fd/" + std::to_string(fd), ec).string(), {}};
  for (const auto& w : g_watched) seen.watched[w] = inodeOf(w);
  g_seen.push_back(seen);
  return folder ? ::fsync(fd) : ::fdatasync(fd);
}

// Whether `file`, as it is now, was fdatasync'ed under another name (the
// temporary, before the rename) and its folder fsync'ed once the file had
// the target's name (after the rename).
bool syncedAroundTheRename(const std::string& file) {
  const ino_t now = inodeOf(file), folder = inodeOf(fs::path(file).parent_path());
  const auto data = std::ranges::find_if(g_seen, [&](const SyncSeen& s) {
    return !s.folder && s.inode == now && !s.name.empty() && s.name != file;
  });
  return data != g_seen.end() && std::any_of(data + 1, g_seen.end(), [&](const SyncSeen& s) {
           return s.folder && s.inode == folder && s.watched.at(file) == now;
         });
}

// `file` (none when empty) holds `bytes` (nullopt: no such file) and the work
// copy `wrk`, unsaved when `modified`; `prepare` sets the rest, `act` is the
// user's action and `check` what else must hold, failed or not.
struct Scenario {
  const char* name;
  const char* file;
  std::optional<std::string> bytes;
  std::string wrk;
  bool modified;
  std::function<void()> prepare, act;
  std::function<void(bool failed)> check;
};

class HardeningFaults : public ProgramTest {
 protected:
  void TearDown() override {
    io::setFaultHook(nullptr);
    io::syncCalls() = {::fdatasync, ::fsync};
    ProgramTest::TearDown();
  }

  // Runs the scenario clean to count its failure points, then once per point
  // with that call failing.
  void walk(const Scenario& s) {
    SCOPED_TRACE(s.name);
    Snapshot before{{"volontari.wrk", s.wrk}};
    if (*s.file) before[s.file] = s.bytes;
    const auto files = [&] {
      Snapshot now;
      for (const auto& [n, _] : before)
        now[n] = fs::is_regular_file(path(n)) ? readFile(path(n)) : Snapshot::mapped_type();
      return now;
    };
    const auto errorShown = [&] {
      return std::ranges::any_of(p->ui.messages, [](const auto& msg) { return msg.text.starts_with("Impossibile"); });
    };
    // Starts afresh and acts, failing the n-th call of `op` (none when n is 0).
    std::map<io::Op, int> calls;
    const auto run = [&](io::Op op, int n) {
      restart();
      if (*s.file) s.bytes ? writeFile(path(s.file), *s.bytes) : (void)fs::remove(path(s.file));
      writeFile(p->m->percorso_wrk(), s.wrk);
      if (s.modified) p->m->modificato = true;
      if (s.prepare) s.prepare();
      calls.clear();
      io::setFaultHook([&](io::Op o, const std::string&) { return ++calls[o] == n && o == op; });
      s.act();
      io::setFaultHook(nullptr);
    };
    g_seen.clear(), g_watched.clear();
    for (const auto& [n, _] : before) g_watched.push_back(path(n));
    io::syncCalls() = {watchedSync<false>, watchedSync<true>};
    run(io::Op::Read, 0);
    io::syncCalls() = {::fdatasync, ::fsync};
    std::map<io::Op, int> counted = calls;
    const Snapshot after = files();
    EXPECT_FALSE(errorShown());
    EXPECT_NE(before, after) << "the command changed nothing: the walk would prove nothing";
    if (s.check) s.check(false);
    for (const auto& [n, bytes] : after)  // only the report, derived again at will, is not synced
      EXPECT_TRUE(bytes == before.at(n) || syncedAroundTheRename(path(n)) == (n != "verifica.txt")) << n;
    for (const auto& [op, opName] : {std::pair{io::Op::Write, "write"}, {io::Op::Sync, "sync"},
                                     {io::Op::Close, "close"}, {io::Op::Rename, "rename"}}) {
      for (int n = 1; n <= counted[op]; ++n) {
        SCOPED_TRACE(opName + (" #" + std::to_string(n)));
        run(op, n);
        for (const auto& [name, now] : files())
          EXPECT_TRUE(now == before.at(name) || now == after.at(name)) << name << " is neither old nor new";
        EXPECT_EQ(strayTemporaries(folder()), 0);
        const std::string told = p->told();
        EXPECT_TRUE(told.starts_with("Impossibile") &&
                    (told.find("spazio su disco esaurito") != std::string::npos ||
                     told.find("errore di lettura o scrittura sul disco") != std::string::npos))
            << told;
        EXPECT_EQ(p->m->modificato, s.modified);
        EXPECT_FALSE(p->ui.busy);
        if (s.check) s.check(true);
        // The disk is well again: the very same command now succeeds.
        p->ui.messages.clear();
        s.act();
        EXPECT_FALSE(errorShown());
        EXPECT_EQ(files(), after);
        if (s.check) s.check(false);
      }
    }
  }
};

TEST_F(HardeningFaults, EveryWritingCommandSurvivesEveryFailurePoint) {
  const auto work = volunteers(50, 70, "COGNOME");
  const std::string old = crlf(volunteers(10, 10, "COGNOME")), workBytes = crlf(work);
  const std::string withBlank = crlf({work[0], "   ", work[1]}) + crlf(std::vector(work.begin() + 2, work.end()));
  std::string mixedEnds;
  for (std::size_t i = 0; i < work.size(); ++i) mixedEnds += work[i] + (i % 2 ? "\r" : "\r\n");

  const auto menu = [&](const char* command, const char* file) {
    return [&, command, file] { *file ? p->menu(command, path(file)) : p->main().click(command); };
  };
  const auto quits = [&](bool failed) { EXPECT_EQ(p->ui.quitRequested, !failed); };
  const auto editorStays = [&](bool failed) { EXPECT_EQ(p->ed().isVisible(), failed); };
  const Scenario scenarios[] = {
      // "Salva" leaves the blank lines out; "Salva con nome" copies byte for byte.
      {"Salva", "archivio.txt", old, withBlank, true, [&] { p->m->nome_archivio = path("archivio.txt"); },
       menu("mnsalva", ""), [&](bool failed) { EXPECT_EQ(p->told() == "File salvato", !failed); }},
      {"Salva con nome", "copia.txt", old, withBlank + "CODA SENZA FINE", true, nullptr, menu("mnscn", "copia.txt"),
       [&](bool failed) { EXPECT_EQ(p->m->nome_archivio, failed ? "" : path("copia.txt")); }},
      // The save offered on leaving by closing the window.
      {"chiusura", "uscita.txt", std::nullopt, withBlank, true, nullptr,
       [&] { p->ui.answer(ui::Answer::Yes); p->ui.chooseFile(path("uscita.txt")); p->main().close(); }, quits},
      // "Apri" copies the archive into the work copy, lines re-terminated.
      {"Apri", "archivio.txt", mixedEnds, old, false, [&] { p->m->nome_archivio = path("vecchio.txt"); },
       menu("mnapri", "archivio.txt"),
       [&](bool failed) { EXPECT_EQ(p->m->nome_archivio, path(failed ? "vecchio.txt" : "archivio.txt")); }},
      // Registra, Modifica, Elimina: workfile.wrk, then copied over the work copy.
      {"Registra", "", std::nullopt, workBytes, false, [&] { p->m->ReloadList(); }, [&] { p->enroll("NUOVO"); },
       nullptr},
      // A volunteer of the list opened in the editor, for Modifica with its address changed.
      {"Modifica", "", std::nullopt, workBytes, false,
       [&] { p->m->ReloadList(); p->main().pick("List1", 60); p->ed().type("Text12", "PIAZZA NUOVA 1"); },
       [&] { p->ed().click("modifica"); }, editorStays},
      {"Elimina", "", std::nullopt, workBytes, false, [&] { p->m->ReloadList(); p->main().pick("List1", 3); },
       [&] { p->ed().click("elimina"); }, editorStays},
      {"Aggiungi", "aggiunto.txt", crlf(volunteers(0, 30, "COGNOME")), workBytes, false, nullptr,
       menu("mnaggiu", "aggiunto.txt"), nullptr},
      // The start-up writes an empty work copy.
      {"avvio", "", std::nullopt, old, false, nullptr, [&] { restart(); }, nullptr},
      // "Verifica": the report replaced, the work copy only read.
      {"Verifica", "verifica.txt", "RAPPORTO PRECEDENTE\r\n", workBytes, false, nullptr, menu("mnverifica", ""),
       [&](bool failed) {
         headless::HeadlessWindow* viewer = p->ui.find("formv");
         EXPECT_EQ(viewer && viewer->isVisible(), !failed);
         if (viewer && !failed) viewer->close();
         p->ui.runPosted();
       }},
  };
  for (const auto& s : scenarios) walk(s);
}

}  // namespace
}  // namespace krt::test
