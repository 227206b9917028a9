// archivio-cli: the batch tool. It checks, merges and queries archives with
// the very functions the windows call, so an archive gives the same report,
// the same merged work copy and the same result list here as in the program.
//
//   archivio-cli verifica ARCHIVIO [--report FILE]
//   archivio-cli unisci ARCHIVIO AGGIUNTO --out FILE
//   archivio-cli seleziona ARCHIVIO [CRITERI...]
//   archivio-cli esporta ARCHIVIO [CRITERI...] --out FILE
//   archivio-cli riepilogo ARCHIVIO [CRITERI...] [--out FILE]
//   archivio-cli scadenze ARCHIVIO [--entro GIORNI] [--oggi AAAA-MM-GG]
//
// Exit status: 0 done (and, for verifica, no violation; for seleziona,
// esporta, riepilogo and scadenze, at least one volunteer or row);
// 1 violations found / nobody selected / no row; 2 failure.
#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "export/expiry.h"
#include "export/table_file.h"
#include "export/totals.h"
#include "export/volunteers.h"
#include "mainwin/merge.h"
#include "records/codes.h"
#include "records/cp1252.h"
#include "records/file_io.h"
#include "records/fixed_text.h"
#include "records/numeric.h"
#include "records/volunteer_record.h"
#include "select/criteria.h"
#include "verify/verification.h"

namespace krt::cli {
namespace {

constexpr const char* kVersion = "1.0.0";
constexpr int kDone = 0;
constexpr int kFound = 1;  // violations written, or nobody selected
constexpr int kFailure = 2;

constexpr const char* kHelpCommands =
    "Uso: archivio-cli COMANDO ARCHIVIO [OPZIONI]\n"
    "\n"
    "Comandi:\n"
    "  verifica ARCHIVIO [--report FILE]\n"
    "      Controlla ogni volontario dell'archivio e scrive l'elenco degli errori in FILE\n"
    "      (predefinito: verifica.txt nella cartella corrente); stampa il titolo del rapporto.\n"
    "      Uscita: 0 nessun errore, 1 errori riscontrati, 2 errore.\n"
    "  unisci ARCHIVIO AGGIUNTO --out FILE\n"
    "      Unisce AGGIUNTO ad ARCHIVIO provincia per provincia e scrive il risultato in FILE\n"
    "      (mai uno dei due archivi, che restano invariati); sullo standard error, per ogni\n"
    "      provincia di AGGIUNTO, i volontari sostituiti e aggiunti. Uscita: 0 fatto, 2 errore.\n"
    "  seleziona ARCHIVIO [CRITERI...]\n"
    "      Elenca la chiave (110 caratteri) di ogni volontario che soddisfa i criteri.\n"
    "      Uscita: 0 almeno un volontario, 1 nessuno, 2 errore.\n"
    "  esporta ARCHIVIO [CRITERI...] --out FILE\n"
    "      Scrive i volontari selezionati in FILE, con tutti i campi: FILE.xlsx una cartella\n"
    "      di lavoro Excel, FILE.csv un testo CSV (UTF-8, separatore \";\").\n"
    "      Uscita: 0 almeno un volontario, 1 nessuno (solo l'intestazione), 2 errore.\n"
    "  riepilogo ARCHIVIO [CRITERI...] [--out FILE]\n"
    "      Conta per provincia i volontari selezionati, i pronti a partire e le dotazioni,\n"
    "      con una riga TOTALE; sullo standard output o in FILE (.csv o .xlsx).\n"
    "      Uscita: 0 almeno un volontario, 1 nessuno, 2 errore.\n"
    "\n"
    "Criteri di seleziona, esporta e riepilogo (come nella finestra Selezione):\n";

constexpr const char* kHelpEnd =
    "\n"
    "  archivio-cli --help      questo elenco\n"
    "  archivio-cli --version   la versione\n";

// One option of the help: the option, then its text from column 26, the
// words carried over to further lines within 80 columns.
std::string helpOption(std::string_view option, std::string_view text) {
  constexpr std::size_t kColumn = 25, kWidth = 80;
  std::string out = "  " + std::string(option);
  out.resize(kColumn, ' ');
  std::size_t column = kColumn;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = std::min(text.find(' ', start), text.size());
    const std::string_view word = text.substr(start, end - start);
    if (column > kColumn && column + 1 + word.size() > kWidth) {
      out += "\n" + std::string(kColumn, ' ');
      column = kColumn;
    } else if (column > kColumn) {
      out += ' ';
      ++column;
    }
    out += word;
    column += word.size();
    start = end + 1;
  }
  return out + "\n";
}

// The values of a code list or criteria table, trimmed, one blank between.
template <typename List, typename Value>
std::string values(const List& list, Value value) {
  std::string out;
  for (const auto& item : list) {
    if (!out.empty()) out += ' ';
    out += trimBlanks(value(item));
  }
  return out;
}

std::string helpText() {
  const auto code = [](std::string_view c) { return c; };
  const auto option = [](const auto& criterion) { return criterion.option; };
  return kHelpCommands +
         helpOption("--patente X", "tipo di patente (\"B\" vale \"B \"): " + values(codes::kLicences, code)) +
         helpOption("--livello X", "livello: " + values(codes::kLevels, code)) +
         helpOption("--segreteria X", "esperienza di segreteria: " + values(codes::kYesNo, code)) +
         helpOption("--passaporto", "con passaporto") + helpOption("--mare", "iscritti a KRT mare") +
         helpOption("--provincia X", "provincia") + helpOption("--associazione X", "associazione") +
         helpOption("--dotazione NOME", "ripetibile, basta una: " + values(codes::kEquipment, option)) +
         helpOption("--professione T", "esperienza professionale che contiene T") +
         helpOption("--apparecchiatura T", "altre apparecchiature che contengono T") +
         helpOption("--disponibilita NOME", "ripetibile, basta una: " + values(codes::kAvailability, option)) +
         kHelpEnd;
}

// ---- output ---------------------------------------------------------------------

// Messages for the user's terminal: the program's texts are cp1252.
void tell(std::string_view cp1252Text) {
  std::string text = cp1252::toUtf8(cp1252Text);
  for (char& c : text) {
    if (c == '\n') c = ' ';  // one line per message
  }
  std::fprintf(stderr, "archivio-cli: %s\n", text.c_str());
}

int usageError(std::string_view cp1252Text) {
  tell(cp1252Text);
  std::fputs("Usa 'archivio-cli --help' per l'elenco dei comandi e delle opzioni.\n", stderr);
  return kFailure;
}

// Bytes to standard output exactly as they are (field texts are not re-encoded).
void out(std::string_view bytes) { std::fwrite(bytes.data(), 1, bytes.size(), stdout); }

// Standard output must have taken everything: a result cut short by a full
// disk or a closed pipe would pass for a complete one.
int finish(int status) {
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    tell("impossibile scrivere sullo standard output.");
    return kFailure;
  }
  return status;
}

// ---- arguments ------------------------------------------------------------------

// A text argument in the program's code page: valid UTF-8 is converted, any
// other byte is taken as a single-byte character.
std::string text(std::string_view arg) { return cp1252::fromUtf8(arg); }

// The first `width` characters of the text, padded with blanks to `width`.
std::string padded(std::string_view arg, std::size_t width) { return fixedWidth(text(arg), width); }

// The command's words: positional arguments and options with their values.
class Arguments {
 public:
  Arguments(int argc, char** argv, int first) {
    for (int i = first; i < argc; ++i) words_.emplace_back(argv[i]);
  }

  bool done() const { return pos_ >= words_.size(); }
  std::string_view next() { return words_[pos_++]; }
  // The value of the option just read; nullopt when the words ran out.
  std::optional<std::string_view> value() {
    if (done()) return std::nullopt;
    return next();
  }

 private:
  std::vector<std::string> words_;
  std::size_t pos_ = 0;
};

bool isOption(std::string_view word) { return word.size() > 1 && word.front() == '-'; }

// True when both names lead to the same file (or would, once created).
bool sameFile(const std::string& a, const std::string& b) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::equivalent(a, b, ec)) return true;
  const fs::path ca = fs::weakly_canonical(a, ec);
  if (ec) return false;
  const fs::path cb = fs::weakly_canonical(b, ec);
  return !ec && ca == cb;
}

// An output that exists must be a plain file: the new content replaces it
// by renaming, which would turn a device or a pipe (say /dev/null) into a
// plain file.
bool replaceable(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  return !fs::exists(st) || fs::is_regular_file(st);
}

int failure(std::string_view cp1252Text) {
  tell(cp1252Text);
  return kFailure;
}

int fileFailure(const FileError& e) { return failure(e.userMessage()); }

// ---- verifica ---------------------------------------------------------------------

int verifica(Arguments args) {
  std::vector<std::string> inputs;
  std::string report = "verifica.txt";
  while (!args.done()) {
    const std::string_view word = args.next();
    if (word == "--report") {
      const auto v = args.value();
      if (!v || v->empty()) return usageError("manca il nome del file dopo --report.");
      report = *v;
    } else if (isOption(word)) {
      return usageError("opzione sconosciuta per verifica: " + text(word));
    } else {
      inputs.emplace_back(word);
    }
  }
  if (inputs.size() != 1) return usageError("verifica vuole un solo ARCHIVIO.");
  const std::string& archive = inputs.front();
  if (sameFile(report, archive))
    return usageError("il rapporto " + text(report) + " non pu\xF2 sostituire l'archivio da verificare.");
  if (!replaceable(report)) return failure("il rapporto " + text(report) + " non \xE8 un file.");
  VerificationResult result;
  try {
    VolunteerRecord current;
    result = verifyArchive(archive, report, NumberFormat::fromEnvironment(), current);
  } catch (const FileError& e) {
    return fileFailure(e);
  }
  out(reportTitle(result.errorFound));
  out("\n");
  return finish(result.errorFound ? kFound : kDone);
}

// ---- unisci -------------------------------------------------------------------------

int unisci(Arguments args) {
  std::vector<std::string> inputs;
  std::optional<std::string> target;
  while (!args.done()) {
    const std::string_view word = args.next();
    if (word == "--out") {
      const auto v = args.value();
      if (!v || v->empty()) return usageError("manca il nome del file dopo --out.");
      target = *v;
    } else if (isOption(word)) {
      return usageError("opzione sconosciuta per unisci: " + text(word));
    } else {
      inputs.emplace_back(word);
    }
  }
  if (inputs.size() != 2) return usageError("unisci vuole ARCHIVIO e AGGIUNTO.");
  if (!target) return usageError("unisci vuole --out FILE.");
  for (const std::string& input : inputs) {
    if (sameFile(*target, input))
      return usageError("il file " + text(*target) + " \xE8 uno degli archivi da unire: scegliere un altro nome.");
  }
  if (!replaceable(*target)) return failure("il file " + text(*target) + " non \xE8 un file.");
  MergeSummary summary;
  try {
    // Both inputs are opened first: a missing one leaves FILE untouched.
    LineReader work(inputs[0]);
    LineReader added(inputs[1]);
    // The merged lines go to a temporary file that replaces FILE only
    // when complete, as the work copy is replaced in the program.
    FileWriter merged(*target, FileWriter::Mode::Replacing);
    mergeLines(work, added, merged, &summary);
    merged.commit();
  } catch (const FileError& e) {
    return fileFailure(e);
  }
  // What the merge did, every province, on standard error: standard output
  // stays empty.
  for (const std::string& line : summary.lines()) std::fprintf(stderr, "%s\n", cp1252::toUtf8(line).c_str());
  return finish(kDone);
}

// ---- seleziona ---------------------------------------------------------------------

// Sets the flag of the table's entry whose option is `name`; false when no
// entry has that option.
template <typename Table, std::size_t N>
bool choose(const Table& table, std::string_view name, std::array<bool, N>& flags) {
  for (std::size_t i = 0; i < N; ++i) {
    if (table[i].option == name) {
      flags[i] = true;
      return true;
    }
  }
  return false;
}

// A code as the selection compares it: padded to its field's width and
// upper-cased; nullopt when it is none of the list's codes.
template <std::size_t N>
std::optional<std::string> code(std::string_view arg, const std::array<std::string_view, N>& list) {
  std::string value = padded(arg, list.front().size());
  for (char& c : value) c = cp1252::toUpper(c);
  if (!codes::isOneOf(value, list)) return std::nullopt;
  return value;
}

// The words of a command that works on the volunteers found by criteria:
// one ARCHIVIO, the criteria of the selection window, and --out FILE when
// `target` is given. Returns a usage error's status, or nullopt.
std::optional<int> readCriteria(Arguments& args, std::string_view command, std::string& archive,
                                SelectionCriteria& c, std::optional<std::string>* target) {
  std::vector<std::string> inputs;
  while (!args.done()) {
    const std::string word(args.next());
    if (!isOption(word)) {
      inputs.push_back(word);
      continue;
    }
    if (word == "--passaporto") {
      c.passaporto = true;
      continue;
    }
    if (word == "--mare") {
      c.krt_mare = true;
      continue;
    }
    const bool known = word == "--patente" || word == "--livello" || word == "--segreteria" || word == "--provincia" ||
                       word == "--associazione" || word == "--dotazione" || word == "--professione" ||
                       word == "--apparecchiatura" || word == "--disponibilita" || (target && word == "--out");
    if (!known) return usageError("opzione sconosciuta per " + std::string(command) + ": " + text(word));
    const auto v = args.value();
    if (!v || (word == "--out" && v->empty())) return usageError("manca il valore dopo " + word + ".");
    if (word == "--out") {
      *target = std::string(*v);
    } else if (word == "--patente") {
      c.patente = code(*v, codes::kLicences);
      if (!c.patente) return usageError("patente sconosciuta: " + text(*v));
    } else if (word == "--livello") {
      c.livello = code(*v, codes::kLevels);
      if (!c.livello) return usageError("livello sconosciuto: " + text(*v));
    } else if (word == "--segreteria") {
      c.segreteria = code(*v, codes::kYesNo);
      if (!c.segreteria) return usageError("esperienza di segreteria sconosciuta: " + text(*v));
    } else if (word == "--provincia") {
      c.provincia = padded(*v, 20);
    } else if (word == "--associazione") {
      c.associazione = padded(*v, 40);
    } else if (word == "--professione") {
      c.professione = text(*v);
    } else if (word == "--apparecchiatura") {
      c.apparecchiature = text(*v);
    } else if (word == "--dotazione") {
      if (!choose(codes::kEquipment, *v, c.dotazioni)) return usageError("dotazione sconosciuta: " + text(*v));
    } else if (!choose(codes::kAvailability, *v, c.disponibilita)) {
      return usageError("disponibilit\xE0 sconosciuta: " + text(*v));
    }
  }
  if (inputs.size() != 1) return usageError(std::string(command) + " vuole un solo ARCHIVIO.");
  archive = inputs.front();
  c.dotazioni_scelte = c.anyEquipment();
  return std::nullopt;
}

int seleziona(Arguments args) {
  std::string archive;
  SelectionCriteria c;
  if (const auto status = readCriteria(args, "seleziona", archive, c, nullptr)) return *status;
  std::size_t found = 0;
  try {
    VolunteerRecord current;
    found = forEachSelected(archive, c, current, [](std::string_view line) {
      out(line);
      out("\n");
    });
  } catch (const FileError& e) {
    std::fflush(stdout);
    return fileFailure(e);
  }
  if (found == 0) out("Nessun volontario trovato\n");
  return finish(found > 0 ? kDone : kFound);
}

// ---- esporta, riepilogo ---------------------------------------------------------------

// A table file named on the command line: its ending gives its format; it
// may not be the archive it is made from, nor anything but a plain file.
// Returns the failure's status, or nullopt.
std::optional<int> checkTableTarget(const std::string& target, const std::string& archive,
                                    std::optional<TableFormat>& format) {
  format = tableFormatOf(target);
  if (!format) return usageError("il file " + text(target) + " deve terminare con .csv o .xlsx.");
  if (sameFile(target, archive))
    return usageError("il file " + text(target) + " \xE8 l'archivio da leggere: scegliere un altro nome.");
  if (!replaceable(target)) return failure("il file " + text(target) + " non \xE8 un file.");
  return std::nullopt;
}

int esporta(Arguments args) {
  std::string archive;
  SelectionCriteria c;
  std::optional<std::string> target;
  if (const auto status = readCriteria(args, "esporta", archive, c, &target)) return *status;
  if (!target) return usageError("esporta vuole --out FILE.");
  std::optional<TableFormat> format;
  if (const auto status = checkTableTarget(*target, archive, format)) return *status;
  std::size_t rows = 0;
  try {
    rows = exportVolunteers(archive, c, *target, *format).rows;
  } catch (const FileError& e) {
    return fileFailure(e);
  }
  return finish(rows > 0 ? kDone : kFound);
}

int riepilogo(Arguments args) {
  std::string archive;
  SelectionCriteria c;
  std::optional<std::string> target;
  if (const auto status = readCriteria(args, "riepilogo", archive, c, &target)) return *status;
  std::optional<TableFormat> format;
  if (target) {
    if (const auto status = checkTableTarget(*target, archive, format)) return *status;
  }
  Totals totals;
  try {
    totals = countTotals(archive, c);
    if (target) writeTotalsFile(totals, *target, *format);
  } catch (const FileError& e) {
    return fileFailure(e);
  }
  if (!target) out(totalsText(totals));
  return finish(totals.volunteers() > 0 ? kDone : kFound);
}

// ---- scadenze ---------------------------------------------------------------------

// GIORNI: a whole number from 0 to kMaxExpiryDays, digits only.
std::optional<int> expiryDays(std::string_view word) {
  if (word.empty() || word.size() > 4 || word.find_first_not_of("0123456789") != std::string_view::npos)
    return std::nullopt;
  const int days = std::stoi(std::string(word));
  if (days > kMaxExpiryDays) return std::nullopt;
  return days;
}

int scadenze(Arguments args) {
  std::vector<std::string> inputs;
  std::optional<int> days;
  std::optional<DayNumber> today;
  while (!args.done()) {
    const std::string_view word = args.next();
    if (word == "--entro") {
      const auto v = args.value();
      if (days) return usageError("--entro ripetuto.");
      if (!v || !(days = expiryDays(*v)))
        return usageError("dopo --entro serve un numero intero di giorni da 0 a 3650.");
    } else if (word == "--oggi") {
      const auto v = args.value();
      if (today) return usageError("--oggi ripetuto.");
      if (!v || !(today = readIsoDate(*v))) return usageError("dopo --oggi serve una data valida AAAA-MM-GG.");
    } else if (isOption(word)) {
      return usageError("opzione sconosciuta per scadenze: " + text(word));
    } else {
      inputs.emplace_back(word);
    }
  }
  if (inputs.size() != 1) return usageError("scadenze vuole un solo ARCHIVIO.");
  std::vector<ExpiryRow> rows;
  try {
    rows = expiryRows(inputs.front(), today.value_or(localToday()), days.value_or(kDefaultExpiryDays));
  } catch (const FileError& e) {
    return fileFailure(e);
  }
  writeExpiryScript(rows, out);
  return finish(rows.empty() ? kFound : kDone);
}

}  // namespace

int run(int argc, char** argv) {
  if (argc < 2) return usageError("manca il comando.");
  const std::string_view command = argv[1];
  if (command == "--help" || command == "-h") {
    out(helpText());
    return finish(kDone);
  }
  if (command == "--version") {
    out(std::string("archivio-cli ") + kVersion + "\n");
    return finish(kDone);
  }
  const Arguments args(argc, argv, 2);
  if (command == "verifica") return verifica(args);
  if (command == "unisci") return unisci(args);
  if (command == "seleziona") return seleziona(args);
  if (command == "esporta") return esporta(args);
  if (command == "riepilogo") return riepilogo(args);
  if (command == "scadenze") return scadenze(args);
  return usageError("comando sconosciuto: " + text(command));
}

}  // namespace krt::cli

int main(int argc, char** argv) { return krt::cli::run(argc, argv); }
