// krt_bench: every operation of the program, timed on generated archives of
// 10,000 and 100,000 volunteers (and 1,000,000 when the disk has room),
// against a plain copy and a plain read of the same archive.
//
//   krt_bench [--csv FILE] [--data FOLDER] [--keep] [Google Benchmark options]
//
// The windows run on the headless platform exactly as in the tests: the
// time is that of the program's own event handlers. Each operation's peak
// memory is measured apart, in a fresh process that opens the archive and
// runs the operation once (ru_maxrss through wait4).
//
// The ratio of an operation is the median of the ratios of its runs, each
// paired with a run of its baseline (a plain copy or read of the archive)
// just before it.
//
// Environment: KRT_BENCH_MILLION=0 skips the million even when the disk has
// room for it.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

#include "bench/generator.h"
#include "export/expiry.h"
#include "mainwin/form1.h"
#include "mainwin/modulo1.h"
#include "platform/headless/headless.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/qt_window.h"
#include "records/fixed_text.h"
#include "select/form3.h"
#include "verify/formv.h"
#include "verify/verification.h"

extern char** environ;

namespace krt::bench {
namespace {

namespace fs = std::filesystem;
using headless::HeadlessWindow;
using Clock = std::chrono::steady_clock;

// ---- the data of one size ------------------------------------------------------------

struct Context {
  std::size_t volunteers = 0;
  std::string dir;      // everything of this size
  std::string archive;  // the archive the operations work on
  std::string added;    // the second archive, merged into the first
  std::string rare;     // an archive with one faulty volunteer in a hundred
  std::string start;    // the program's start-up folder, with the lookup lists

  static Context of(const std::string& root, std::size_t volunteers) {
    Context c;
    c.volunteers = volunteers;
    c.dir = root + "/" + std::to_string(volunteers);
    c.archive = c.dir + "/archivio.txt";
    c.added = c.dir + "/aggiunto.txt";
    c.rare = c.dir + "/rari-errori.txt";
    c.start = c.dir + "/programma";
    return c;
  }
};

void generate(const Context& c) {
  fs::create_directories(c.start);
  writeLookupLists(c.start);
  writeArchive(c.archive, {c.volunteers, 1, 1});
  // The second archive: as many volunteers, over every other province.
  writeArchive(c.added, {c.volunteers, 2, 2});
  writeArchive(c.rare, {c.volunteers, 3, 1, 100});
}

std::string g_tool;  // archivio-cli beside this program

// ---- the baselines ------------------------------------------------------------------------

void check(bool ok, const std::string& what) {
  if (!ok) throw std::runtime_error(what + ": " + std::strerror(errno));
}

// read() and write() in 64 KB blocks, as any copy does; `sync` makes the copy
// as durable as the program's own files (fdatasync before close).
void plainCopy(const std::string& from, const std::string& to, bool sync) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  check(in >= 0, from);
  const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  check(out >= 0, to);
  std::vector<char> buf(1 << 16);
  for (;;) {
    const ssize_t n = ::read(in, buf.data(), buf.size());
    check(n >= 0, from);
    if (n == 0) break;
    check(::write(out, buf.data(), static_cast<std::size_t>(n)) == n, to);
  }
  if (sync) check(::fdatasync(out) == 0, to);
  ::close(in);
  check(::close(out) == 0, to);
}

std::size_t plainRead(const std::string& path) {
  const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  check(in >= 0, path);
  std::vector<char> buf(1 << 16);
  std::size_t total = 0;
  for (;;) {
    const ssize_t n = ::read(in, buf.data(), buf.size());
    check(n >= 0, path);
    if (n == 0) break;
    total += static_cast<std::size_t>(n);
  }
  ::close(in);
  return total;
}

// Runs archivio-cli with standard output to /dev/null; its exit status.
int runTool(const std::vector<std::string>& args, rusage* usage = nullptr) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv{const_cast<char*>(g_tool.c_str())};
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int err = posix_spawn(&pid, g_tool.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (err != 0) throw std::runtime_error("cannot start " + g_tool);
  int status = 0;
  rusage ru{};
  ::wait4(pid, &status, 0, &ru);
  if (usage) *usage = ru;
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (code != 0 && code != 1) throw std::runtime_error(g_tool + " " + args.front() + " failed");
  return code;
}

// ---- the program ---------------------------------------------------------------------------

// The whole program on the headless platform, started in the size's start-up
// folder, with the archive opened through "Apri" unless told otherwise.
struct Program {
  headless::HeadlessPlatform ui;
  std::unique_ptr<Modulo1> m;

  Program(const Context& c, bool open) {
    m = std::make_unique<Modulo1>(ui, c.start, c.start);
    m->form1().show();
    if (open) {
      ui.chooseFile(c.archive);
      main().click("mnapri");
    }
  }
  ~Program() { m.reset(); }
  HeadlessWindow& main() { return ui.window("Form1"); }
  HeadlessWindow& window(const char* name) { return ui.window(name); }
  int listCount() { return main().control("List1").itemCount(); }
  // An entry near the end of the main list.
  int nearTheEnd() { return listCount() * 98 / 100; }
};

// The same program in the real Qt windows (offscreen, or on an X display for
// the accessibility rows). Message boxes are answered at once (OK, or No to
// a question) and every file dialog chooses `file`: their time counts.
class BenchQtPlatform : public qt::QtPlatform {
 public:
  std::optional<std::string> file;
  ui::Answer messageBox(std::string_view, ui::Buttons buttons) override {
    return buttons == ui::Buttons::Ok ? ui::Answer::Ok : ui::Answer::No;
  }
  std::optional<std::string> openFileDialog(const ui::FileRequest&) override { return file; }
  std::optional<std::string> saveFileDialog(const ui::FileRequest&) override { return file; }
};

// The application object of the Qt rows, made on first use: the core rows
// and their memory figures go without it. It lives until the process ends
// (a QApplication must not be destroyed by the exit handlers).
void ensureQtApplication() {
  static int argc = 1;
  static char name[] = "krt_bench";
  static char* argv[] = {name, nullptr};
  if (qApp) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  new QApplication(argc, argv);
  QApplication::setApplicationName("archivio");
}

// Lets the windows handle what the last command posted (layout, painting,
// the screen reader's events), as the program's event loop does.
void settle() {
  QCoreApplication::sendPostedEvents();
  QApplication::processEvents();
}

struct QtProgram {
  BenchQtPlatform ui;
  std::unique_ptr<Modulo1> m;

  QtProgram(const Context& c, const std::string& archive) {
    m = std::make_unique<Modulo1>(ui, c.start, c.start);
    m->form1().show();
    settle();
    if (!archive.empty()) {
      ui.file = archive;
      menu("mnapri");
    }
  }
  ~QtProgram() {
    m.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  static QWidget* top(ui::Form& form) { return dynamic_cast<qt::QtWindow&>(form.window()).top(); }
  // A menu entry of the main window, chosen.
  void menu(const char* name) {
    top(m->form1())->findChild<QAction*>(name)->trigger();
    settle();
  }
  // A button of a window, clicked.
  void click(ui::Form& form, const char* name) {
    top(form)->findChild<QPushButton*>(name)->click();
    settle();
  }
};

// The text searched for by the list searches: no volunteer has it.
constexpr const char* kNowhere = "NESSUN VOLONTARIO HA QUESTO NOME";

// One operation, ready to run: `prepare` sets up a run (not timed), `run` is
// what is timed.
struct Step {
  std::function<void()> prepare = [] {};
  std::function<void()> run;
  std::shared_ptr<void> state;
};

struct Operation {
  std::string name;
  std::string baseline;  // "copy", "read" or a core row: the column of the table
  std::string against;   // the row the ratio divides by
  std::function<Step(const Context&)> setup;
  bool screenReader = false;  // run only with the accessibility bridge (--a11y)
};

Step onProgram(const Context& c, bool open, const std::function<void(Program&, Step&)>& wire) {
  auto p = std::make_shared<Program>(c, open);
  Step s;
  s.state = p;
  wire(*p, s);
  return s;
}

Step onQtProgram(const Context& c, const std::string& archive, const std::function<void(QtProgram&, Step&)>& wire) {
  ensureQtApplication();
  auto p = std::make_shared<QtProgram>(c, archive);
  Step s;
  s.state = p;
  wire(*p, s);
  return s;
}

std::vector<Operation> operations() {
  std::vector<Operation> ops;
  const auto add = [&](std::string name, std::string baseline, std::string against,
                       std::function<Step(const Context&)> setup) {
    ops.push_back({std::move(name), std::move(baseline), std::move(against), std::move(setup)});
  };

  // Baselines.
  add("copy", "copy", "copy", [](const Context& c) {
    return Step{[] {}, [c] { plainCopy(c.archive, c.dir + "/copia.txt", true); }, nullptr};
  });
  add("copy (no sync)", "copy", "copy", [](const Context& c) {
    return Step{[] {}, [c] { plainCopy(c.archive, c.dir + "/copia.txt", false); }, nullptr};
  });
  add("read", "read", "read", [](const Context& c) {
    return Step{[] {}, [c] { benchmark::DoNotOptimize(plainRead(c.archive)); }, nullptr};
  });
  add("copy both", "copy", "copy", [](const Context& c) {
    return Step{[] {},
                [c] {
                  plainCopy(c.archive, c.dir + "/copia.txt", true);
                  plainCopy(c.added, c.dir + "/copia2.txt", true);
                },
                nullptr};
  });

  // The main window.
  add("Apri", "copy", "copy", [](const Context& c) {
    return onProgram(c, false, [c](Program& p, Step& s) {
      s.prepare = [&p, c] { p.ui.chooseFile(c.archive); };
      s.run = [&p] { p.main().click("mnapri"); };
    });
  });
  add("ReloadList", "read", "read", [](const Context& c) {
    return onProgram(c, true, [](Program& p, Step& s) { s.run = [&p] { p.m->ReloadList(); }; });
  });
  // A search that finds nothing: every entry of the list is examined.
  add("list search", "copy", "copy", [](const Context& c) {
    return onProgram(c, true, [](Program& p, Step& s) {
      s.prepare = [&p] {
        p.ui.takeMessages();
        p.main().type("tcerca", kNowhere);
      };
      s.run = [&p] { p.main().click("cmdcerca"); };
    });
  });
  add("open volunteer", "read", "read", [](const Context& c) {
    return onProgram(c, true, [](Program& p, Step& s) {
      const int index = p.nearTheEnd();
      s.run = [&p, index] { p.main().pick("List1", index); };
    });
  });

  // The editor.
  add("register", "copy", "copy", [](const Context& c) {
    return onProgram(c, true, [](Program& p, Step& s) {
      auto counter = std::make_shared<int>(0);
      s.prepare = [&p, counter] {
        p.main().click("mnins");
        HeadlessWindow& ed = p.window("Form4");
        ed.pick("Combo2", ed.control("Combo2").itemCount() / 2);
        ed.type("Text1", "BENCHMARK");
        ed.type("Text2", "NUOVO " + std::to_string(++*counter));
      };
      s.run = [&p] { p.window("Form4").click("Command2"); };
    });
  });
  add("modify", "copy", "copy", [](const Context& c) {
    return onProgram(c, true, [](Program& p, Step& s) {
      auto counter = std::make_shared<int>(0);
      s.prepare = [&p, counter] {
        p.main().pick("List1", p.nearTheEnd());
        p.window("Form4").type("recvol", "06 " + std::to_string(1000000 + ++*counter));
      };
      s.run = [&p] { p.window("Form4").click("modifica"); };
    });
  });
  add("delete", "copy", "copy", [](const Context& c) {
    return onProgram(c, true, [](Program& p, Step& s) {
      s.prepare = [&p] { p.main().pick("List1", p.nearTheEnd()); };
      s.run = [&p] { p.window("Form4").click("elimina"); };
    });
  });

  // Verification, selection, merge.
  add("verification", "read", "read", [](const Context& c) {
    return onProgram(c, true, [](Program& p, Step& s) {
      s.prepare = [&p] { p.ui.takeMessages(); };
      s.run = [&p] { p.main().click("mnverifica"); };
    });
  });
  // The check alone, without showing the report in the viewer (which reads
  // the report back into its list, up to 32,000 lines).
  add("verification check", "read", "read", [](const Context& c) {
    return onProgram(c, true, [](Program& p, Step& s) {
      s.run = [&p] { verifyArchive(p.m->percorso_wrk(), p.m->percorso_verifica(), p.m->numberFormat, p.m->record); };
    });
  });
  add("selection (5 criteria)", "read", "read", [](const Context& c) {
    return onProgram(c, true, [](Program& p, Step& s) {
      p.main().click("mnsel");
      HeadlessWindow& sel = p.window("Form3");
      sel.pick("Combo4", 2);  // licence "B "
      sel.click("Lpass");
      sel.click("Lauto");
      sel.click("L1pp");
      sel.click("L3pp");
      s.run = [&p] { p.window("Form3").click("cmdcerca"); };
    });
  });
  add("selection (no criteria)", "read", "read", [](const Context& c) {
    return onProgram(c, true, [](Program& p, Step& s) {
      p.main().click("mnsel");
      s.run = [&p] { p.window("Form3").click("cmdcerca"); };
    });
  });
  // The report of an archive with one faulty volunteer in a hundred, read
  // into the viewer's list as the viewer's activation does.
  add("viewer fill", "read", "read", [](const Context& c) {
    return onProgram(c, false, [c](Program& p, Step& s) {
      p.ui.chooseFile(c.rare);
      p.main().click("mnapri");
      p.main().click("mnverifica");
      s.prepare = [&p] { p.ui.takeMessages(); };
      s.run = [&p] { p.m->viewer().Form_Activate(); };
    });
  });
  add("merge", "copy", "copy both", [](const Context& c) {
    return onProgram(c, true, [c](Program& p, Step& s) {
      s.prepare = [&p, c] {
        plainCopy(c.archive, p.m->percorso_wrk(), false);  // the work copy as opened
        p.ui.chooseFile(c.added);
      };
      s.run = [&p] { p.main().click("mnaggiu"); };
    });
  });

  // The three saves.
  add("Salva", "copy", "copy", [](const Context& c) {
    return onProgram(c, true, [c](Program& p, Step& s) {
      p.m->nome_archivio = c.dir + "/salva.txt";
      s.prepare = [&p] { p.ui.takeMessages(); };
      s.run = [&p] { p.main().click("mnsalva"); };
    });
  });
  add("Salva con nome", "copy", "copy", [](const Context& c) {
    return onProgram(c, true, [c](Program& p, Step& s) {
      s.prepare = [&p, c] {
        p.ui.takeMessages();
        p.ui.chooseFile(c.dir + "/salva-con-nome.txt");
      };
      s.run = [&p] { p.main().click("mnscn"); };
    });
  });
  add("save at exit", "copy", "copy", [](const Context& c) {
    return onProgram(c, true, [c](Program& p, Step& s) {
      s.prepare = [&p, c] {
        p.ui.takeMessages();
        p.m->modificato = true;
        p.ui.answer(ui::Answer::Yes);
        p.ui.chooseFile(c.dir + "/uscita.txt");
      };
      s.run = [&p] { p.main().click("mnesci"); };
    });
  });

  // The same work in the real Qt windows, each against its core row.
  const auto window = [&](std::string name, std::string core, std::function<Step(const Context&)> setup,
                          bool screenReader) {
    add("window: " + name, core, core, setup);
    if (screenReader) {
      add("window+a11y: " + name, core, core, setup);
      ops.back().screenReader = true;
    }
  };
  window("Apri", "Apri", [](const Context& c) {
    return onQtProgram(c, "", [c](QtProgram& p, Step& s) {
      s.run = [&p, c] {
        p.ui.file = c.archive;
        p.menu("mnapri");
      };
    });
  }, true);
  window("ReloadList", "ReloadList", [](const Context& c) {
    return onQtProgram(c, c.archive, [](QtProgram& p, Step& s) {
      s.run = [&p] {
        p.m->ReloadList();
        settle();
      };
    });
  }, false);
  window("Cerca", "list search", [](const Context& c) {
    return onQtProgram(c, c.archive, [](QtProgram& p, Step& s) {
      s.prepare = [&p] { QtProgram::top(p.m->form1())->findChild<QLineEdit*>("tcerca")->setText(kNowhere); };
      s.run = [&p] { p.click(p.m->form1(), "cmdcerca"); };
    });
  }, true);
  window("selection Cerca", "selection (no criteria)", [](const Context& c) {
    return onQtProgram(c, c.archive, [](QtProgram& p, Step& s) {
      p.menu("mnsel");
      s.run = [&p] { p.click(p.m->form3(), "cmdcerca"); };
    });
  }, true);
  window("viewer", "viewer fill", [](const Context& c) {
    return onQtProgram(c, c.rare, [](QtProgram& p, Step& s) {
      p.menu("mnverifica");
      s.run = [&p] {
        p.m->viewer().Form_Activate();
        settle();
      };
    });
  }, false);
  // One program with every volunteer in the main list and, at the same
  // time, in the selection's result list: its peak memory is the figure.
  add("window: both lists", "selection (no criteria)", "selection (no criteria)", [](const Context& c) {
    return onQtProgram(c, "", [c](QtProgram& p, Step& s) {
      s.run = [&p, c] {
        p.ui.file = c.archive;
        p.menu("mnapri");
        p.menu("mnsel");
        p.click(p.m->form3(), "cmdcerca");
      };
    });
  });

  // The batch tool, as a separate process.
  add("cli verifica", "read", "read", [](const Context& c) {
    return Step{[] {}, [c] { runTool({"verifica", c.archive, "--report", c.dir + "/cli-verifica.txt"}); }, nullptr};
  });
  add("cli unisci", "copy", "copy both", [](const Context& c) {
    return Step{[] {}, [c] { runTool({"unisci", c.archive, c.added, "--out", c.dir + "/cli-unito.txt"}); }, nullptr};
  });
  add("cli seleziona", "read", "read", [](const Context& c) {
    return Step{[] {},
                [c] {
                  runTool({"seleziona", c.archive, "--patente", "B", "--passaporto", "--dotazione", "auto",
                           "--disponibilita", "1g", "--disponibilita", "3g"});
                },
                nullptr};
  });

  // The document expiry watch as archivio-cli scadenze computes and writes
  // it, to /dev/null. The generated expiry dates run evenly from 2000 to
  // 2025; counted from 2001-01-01, one document in twenty has expired or
  // expires within the 90 days, as in a register that is kept up to date
  // (from today every document of the generated archive has expired).
  add("scadenze", "read", "read", [](const Context& c) {
    return Step{[] {},
                [c] {
                  const auto rows = expiryRows(c.archive, *readIsoDate("2001-01-01"), kDefaultExpiryDays);
                  std::FILE* null = std::fopen("/dev/null", "w");
                  writeExpiryScript(rows, [null](std::string_view s) { std::fwrite(s.data(), 1, s.size(), null); });
                  std::fclose(null);
                },
                nullptr};
  });
  return ops;
}

// The targets the table is checked against: the operation must take at
// most `factor` times its baseline row (0: not judged on time), and its
// peak memory must stay under `peakMb` (0: not judged on memory).
struct Target {
  const char* operation;
  double factor;
  double peakMb = 0;
};
constexpr Target kTargets[] = {
    {"Apri", 2},
    {"register", 3},
    {"modify", 3},
    {"delete", 3},
    {"list search", 0.1},
    {"open volunteer", 1},
    {"verification", 4},
    {"selection (5 criteria)", 2},
    {"merge", 3},
    {"scadenze", 3},
    {"window: Apri", 1.5},
    {"window: ReloadList", 1.5},
    {"window: Cerca", 1.5},
    {"window: selection Cerca", 1.5},
    {"window: viewer", 1.5},
    {"window+a11y: Apri", 3},
    {"window+a11y: Cerca", 3},
    {"window+a11y: selection Cerca", 3},
    {"window: both lists", 0, 400},
};

// ---- timing ------------------------------------------------------------------------------------

// The step of the operation being timed; the previous one (and its program)
// goes when another operation starts.
Step& stepFor(const Operation& op, const Context& c) {
  static std::string key;
  static std::unique_ptr<Step> step;
  const std::string wanted = op.name + "/" + std::to_string(c.volunteers);
  if (key != wanted) {
    step.reset();
    step = std::make_unique<Step>(op.setup(c));
    key = wanted;
  }
  return *step;
}

std::string runName(const Operation& op, const Context& c) { return op.name + "/" + std::to_string(c.volunteers); }

// Each run of an operation is paired with a run of its baseline just before
// it: the ratio of the pair does not drift with the load of the machine
// (other programs, the disk's sync times) as two medians taken minutes apart
// do. By operation/volunteers.
std::map<std::string, std::vector<double>> g_pairedRatios;

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double timed(const std::function<void()>& fn) {
  const auto t0 = Clock::now();
  fn();
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

class TableReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> medians;  // seconds, by operation/volunteers
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median")
        medians[r.run_name.function_name] = r.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(r.time_unit);
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

// ---- peak memory ----------------------------------------------------------------------------

std::string g_self;

// Runs the operation once in a fresh process; its peak resident memory in MB.
// fork() and exec rather than posix_spawn: a process started by vfork would
// count this program's own peak as its own.
double peakMemory(std::size_t opIndex, const std::string& root, std::size_t volunteers) {
  const std::vector<std::string> args{g_self, "--child", std::to_string(opIndex), root, std::to_string(volunteers)};
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    ::execv(g_self.c_str(), argv.data());
    ::_exit(127);
  }
  int status = 0;
  rusage ru{};
  ::wait4(pid, &status, 0, &ru);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return static_cast<double>(ru.ru_maxrss) / 1024.0;  // ru_maxrss is in KB; includes the tool it started
}

int child(std::size_t opIndex, const std::string& root, std::size_t volunteers) {
  try {
    const auto ops = operations();
    Step step = ops.at(opIndex).setup(Context::of(root, volunteers));
    step.prepare();
    step.run();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "krt_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}

// ---- the table -------------------------------------------------------------------------------

struct Row {
  std::string operation;
  std::size_t volunteers;
  double median;
  std::string baseline;
  double ratio;
  double peak;
};

std::string csvField(const std::string& s) {
  if (s.find_first_of(",\"") == std::string::npos) return s;
  std::string q = "\"";
  for (char ch : s) q += ch == '"' ? std::string("\"\"") : std::string(1, ch);
  return q + "\"";
}

bool freeSpaceFor(const std::string& folder, double gigabytes) {
  struct statvfs st {};
  if (::statvfs(folder.c_str(), &st) != 0) return false;
  return static_cast<double>(st.f_bavail) * static_cast<double>(st.f_frsize) > gigabytes * 1e9;
}

std::string selfPath() {
  std::error_code ec;
  const fs::path p = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : p.string();
}

// The rows with the accessibility bridge, run by a second krt_bench under a
// private session bus, on its own X server, with a client listening to every
// event of the screen reader's bus (bench/a11y_session.py). Their rows, or
// the reason they are missing.
std::vector<Row> screenReaderRows(const std::string& root, const std::vector<std::size_t>& sizes,
                                  const std::string& folder, const std::vector<char*>& googleArgs) {
  const std::string script = std::string(KRT_SOURCE_DIR) + "/bench/a11y_session.py";
  for (const char* tool : {"Xvfb", "dbus-run-session", "/usr/bin/python3"}) {
    if (std::system(("command -v " + std::string(tool) + " >/dev/null 2>&1").c_str()) != 0) {
      std::printf("window+a11y rows: skipped (%s not found: no X server or session bus can be started)\n", tool);
      return {};
    }
  }
  std::string list;
  for (const std::size_t n : sizes) list += (list.empty() ? "" : ",") + std::to_string(n);
  const std::string csv = folder + "/bench-a11y.csv";
  std::string command = "dbus-run-session -- /usr/bin/python3 '" + script + "' '" + g_self + "' --a11y --data '" + root +
                        "' --sizes " + list + " --csv '" + csv + "'";
  for (std::size_t i = 1; i < googleArgs.size(); ++i) command += std::string(" '") + googleArgs[i] + "'";
  std::fflush(nullptr);
  const int status = std::system(command.c_str());
  std::vector<Row> rows;
  std::ifstream in(csv);
  std::string line;
  while (std::getline(in, line)) {
    // operation,volunteers,median_s,baseline,ratio,peak_mb; the names hold no comma.
    std::vector<std::string> f;
    std::size_t from = 0;
    for (std::size_t at; (at = line.find(',', from)) != std::string::npos; from = at + 1) f.push_back(line.substr(from, at - from));
    f.push_back(line.substr(from));
    if (f.size() == 6) rows.push_back({f[0], std::stoul(f[1]), std::stod(f[2]), f[3], std::stod(f[4]), std::stod(f[5])});
  }
  std::remove(csv.c_str());
  if (rows.empty())
    std::printf("window+a11y rows: skipped (the run with the accessibility bridge failed, status %d)\n", status);
  return rows;
}

void writeRows(const std::string& csv, const std::vector<Row>& rows, bool header) {
  std::ofstream out(csv, std::ios::trunc);
  if (header) out << "operation,volunteers,median_s,baseline,ratio,peak_mb\n";
  for (const Row& r : rows) {
    char line[256];
    std::snprintf(line, sizeof line, "%s,%zu,%.6f,%s,%.4f,%.1f\n", csvField(r.operation).c_str(), r.volunteers,
                  r.median, csvField(r.baseline).c_str(), r.ratio, r.peak);
    out << line;
  }
}

}  // namespace

int main(int argc, char** argv) {
  g_self = selfPath();
  g_tool = (fs::path(g_self).parent_path() / "archivio-cli").string();
  if (argc == 5 && std::string(argv[1]) == "--child") return child(std::stoul(argv[2]), argv[3], std::stoul(argv[4]));

  std::string csv = "build/bench.csv";
  std::string root;
  std::string sizeList;
  bool keep = false;
  bool screenReader = false;  // --a11y: only the rows with the accessibility bridge
  std::vector<char*> rest{argv[0]};
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--csv" && i + 1 < argc) {
      csv = argv[++i];
    } else if (a == "--data" && i + 1 < argc) {
      root = argv[++i];
    } else if (a == "--sizes" && i + 1 < argc) {
      sizeList = argv[++i];
    } else if (a == "--keep") {
      keep = true;
    } else if (a == "--a11y") {
      screenReader = true;
    } else {
      rest.push_back(argv[i]);
    }
  }
  const std::vector<char*> googleArgs = rest;
  // Google Benchmark's filter also limits the peak memory runs.
  std::regex filter(".*");
  for (const char* a : rest) {
    if (std::string(a).rfind("--benchmark_filter=", 0) == 0) filter = std::regex(std::string(a).substr(19));
  }
  int restCount = static_cast<int>(rest.size());
  benchmark::Initialize(&restCount, rest.data());

  const fs::path csvFolder = fs::absolute(csv).parent_path();
  fs::create_directories(csvFolder);
  if (root.empty()) root = (csvFolder / "bench-data").string();
  root = fs::absolute(root).string();
  fs::create_directories(root);

  std::vector<std::size_t> sizes;
  if (!sizeList.empty()) {
    for (std::size_t from = 0; from < sizeList.size();) {
      const std::size_t at = std::min(sizeList.find(',', from), sizeList.size());
      sizes.push_back(std::stoul(sizeList.substr(from, at - from)));
      from = at + 1;
    }
  } else {
    sizes = {10000, 100000};
    const char* million = std::getenv("KRT_BENCH_MILLION");
    if (million && std::string(million) == "0") {
      std::printf("1,000,000 volunteers: skipped (KRT_BENCH_MILLION=0)\n");
    } else if (!freeSpaceFor(root, 6)) {
      std::printf("1,000,000 volunteers: skipped (less than 6 GB free)\n");
    } else {
      sizes.push_back(1000000);
    }
  }
  if (!fs::exists(g_tool)) std::printf("archivio-cli not found beside krt_bench: its rows are skipped\n");

  const std::vector<Operation> ops = operations();
  // The operations of this run: with --a11y, the screen reader's rows and
  // the core rows they are judged against; else every other row.
  const auto inThisRun = [&](const Operation& op) {
    if (op.name.rfind("cli ", 0) == 0 && !fs::exists(g_tool)) return false;
    return op.screenReader == screenReader;
  };
  std::vector<Context> contexts;
  for (const std::size_t n : sizes) {
    const Context c = Context::of(root, n);
    if (!screenReader) {
      const auto t0 = Clock::now();
      generate(c);
      std::printf("Generated %zu volunteers (%.0f MB) in %.1f s\n", n,
                  static_cast<double>(fs::file_size(c.archive)) / 1e6,
                  std::chrono::duration<double>(Clock::now() - t0).count());
    }
    contexts.push_back(c);
  }
  // Peak memory first, while this program is still small: a child starts
  // with a copy of its resident pages.
  std::map<std::string, double> peaks;
  if (!screenReader) {
    for (const Context& c : contexts) {
      for (std::size_t i = 0; i < ops.size(); ++i) {
        if (inThisRun(ops[i]) && std::regex_search(runName(ops[i], c), filter))
          peaks[runName(ops[i], c)] = peakMemory(i, root, c.volunteers);
      }
    }
    std::printf("Peak memory measured\n");
    std::fflush(stdout);
  } else {
    ensureQtApplication();
  }

  for (const Context& c : contexts) {
    const int repetitions = c.volunteers >= 1000000 ? 3 : c.volunteers >= 100000 ? 7 : 9;
    for (const Operation& op : ops) {
      if (!inThisRun(op)) continue;
      const Operation* against = nullptr;
      for (const Operation& o : ops) {
        if (o.name == op.against && o.name != op.name) against = &o;
      }
      benchmark::RegisterBenchmark(runName(op, c).c_str(),
                                   [&op, &c, against](benchmark::State& st) {
                                     try {
                                       Step& step = stepFor(op, c);
                                       const Step base = against ? against->setup(c) : Step{};
                                       for (auto _ : st) {
                                         step.prepare();
                                         if (against) base.prepare();
                                         const double baseTime = against ? timed(base.run) : 0;
                                         const double time = timed(step.run);
                                         st.SetIterationTime(time);
                                         if (baseTime > 0) g_pairedRatios[runName(op, c)].push_back(time / baseTime);
                                       }
                                     } catch (const std::exception& e) {
                                       st.SkipWithError(e.what());
                                     }
                                   })
          ->UseManualTime()
          ->Iterations(1)
          ->Repetitions(repetitions)
          ->ReportAggregatesOnly(true)
          ->Unit(benchmark::kMillisecond);
    }
  }
  TableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  stepFor(ops.front(), contexts.front());  // lets the last program go

  // The table.
  std::vector<Row> rows;
  for (const Context& c : contexts) {
    for (const Operation& op : ops) {
      const auto found = reporter.medians.find(runName(op, c));
      if (found == reporter.medians.end() || !inThisRun(op)) continue;
      const auto paired = g_pairedRatios.find(runName(op, c));
      const double ratio = op.name == op.against ? 1.0 : paired == g_pairedRatios.end() ? 0 : median(paired->second);
      rows.push_back({op.name, c.volunteers, found->second, op.baseline, ratio, peaks[runName(op, c)]});
    }
  }
  if (screenReader) {
    writeRows(csv, rows, false);
    return 0;
  }
  for (Row& r : screenReaderRows(root, sizes, csvFolder.string(), googleArgs)) rows.push_back(std::move(r));

  writeRows(csv, rows, true);
  std::printf("\n%-30s %10s %12s %-24s %8s %9s\n", "operation", "volunteers", "median_s", "baseline", "ratio",
              "peak_mb");
  for (const Row& r : rows) {
    std::printf("%-30s %10zu %12.4f %-24s %8.3f %9.1f\n", r.operation.c_str(), r.volunteers, r.median,
                r.baseline.c_str(), r.ratio, r.peak);
  }
  std::printf("\n(merge and cli unisci: ratio to copying both archives once)\n\nTargets:\n");

  // Every size is judged; a miss at 10,000 volunteers is only reported: a
  // read then takes half a millisecond and fixed costs (creating and renaming
  // a file, building a window) decide the ratio.
  bool allPass = true;
  for (const Context& c : contexts) {
    for (const Target& t : kTargets) {
      for (const Row& r : rows) {
        if (r.operation != t.operation || r.volunteers != c.volunteers) continue;
        const Operation* op = nullptr;
        for (const Operation& o : ops) {
          if (o.name == r.operation) op = &o;
        }
        if (t.factor > 0) {
          const bool pass = r.ratio > 0 && r.ratio <= t.factor;
          if (c.volunteers >= 100000) allPass = allPass && pass;
          std::printf("  %s  %-30s %8zu  %.3f x %s (target %g x)\n", pass ? "PASS" : "FAIL", t.operation,
                      c.volunteers, r.ratio, op ? op->against.c_str() : "?", t.factor);
        }
        if (t.peakMb > 0) {
          const bool pass = r.peak > 0 && r.peak < t.peakMb;
          if (c.volunteers >= 100000) allPass = allPass && pass;
          std::printf("  %s  %-30s %8zu  peak %.1f MB (target under %g MB)\n", pass ? "PASS" : "FAIL",
                      t.operation, c.volunteers, r.peak, t.peakMb);
        }
      }
    }
  }
  std::printf("\nTable written to %s\n", csv.c_str());
  if (!keep) fs::remove_all(root);
  std::printf("%s\n", allPass ? "Every target met." : "Some targets missed: see FAIL above.");
  return allPass ? 0 : 1;
}

}  // namespace krt::bench

int main(int argc, char** argv) { return krt::bench::main(argc, argv); }
