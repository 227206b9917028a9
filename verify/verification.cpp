#include "verify/verification.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cstdint>
#include <exception>
#include <memory>
#include <system_error>
#include <thread>

#include "mainwin/modulo1.h"
#include "records/fixed_text.h"
#include "verify/formv.h"

namespace krt {

// ---- the report ------------------------------------------------------------------

void ErrorReport::startVolunteer(std::string_view identification) {
  identification_ = identification;
  intestazione_scritta_ = false;
  ++volunteers_;
}

void ErrorReport::scrivi_errore(std::string_view messaggio) {
  errore_trovato_ = true;
  if (!intestazione_scritta_) {
    intestazione_scritta_ = true;
    ++volunteersWithErrors_;
    writeLine("");
    writeLine(identification_);
  }
  writeLine(messaggio);
  ++violations_;
}

void ErrorReport::writeLine(std::string_view text) {
  if (file_ != nullptr) {
    file_->writeLine(text);
  } else {
    memory_->append(text);
    memory_->append("\r\n");
  }
}

// ---- the rules ---------------------------------------------------------------------

namespace {

// Every message a volunteer can get, in the order the rules write them. The
// availability group may write the same message twice (hours and area code of
// one duration), so it has one entry per test.
enum Check : unsigned {
  kMancaProvincia,
  kMancaAssociazione,
  kMancaCognome,
  kMancaNome,
  kMancaVia,
  kMancaCap,
  kCapErrato,
  kMancaCitta,
  kMancaProvResidenza,
  kTesseraKrt,
  kAnnoKrt,
  kAnnoNascita,
  kQualifica,
  kLivello,
  kSegreteria,
  kKrtMare,
  kMancaRecapito,
  kPatente,
  kPassaporto,
  kDispMancante,          // none of the first four durations given: the group stops
  kDispMancanteOErrata,   // no duration a number of hours: the group stops
  kOre1g,
  kCodice1g,
  kOre3g,
  kCodice3g,
  kOre3gFuori,
  kCodice3gFuori,
  kOre1sFuori,
  kCodice1sFuori,
  kOre2sFuori,
  kVeicolare27,
  kPalmare27,
  kVeicolare43,
  kPalmare43,
  kVeicolareVhf,
  kPalmareVhf,
  kPacket,
  kPacketIncluso,
  kStazioneCampale,
  kAutovettura,
  kGancio,
  kPostiLetto,
  kGiorniCorso,
  kCheckCount
};

// Texts are cp1252: \xE0 is the accented a.
constexpr std::string_view kDisp1g = "Disponibilit\xE0 1 giorno nella propria provincia/regione mancante o errato";
constexpr std::string_view kDisp3g = "Disponibilit\xE0 3 giorni nella propria provincia/regione mancante o errato";
constexpr std::string_view kDisp3gFuori = "Disponibilit\xE0 3 giorni fuori provincia/regione mancante o errato";
constexpr std::string_view kDisp1sFuori = "Disponibilit\xE0 1 settimana fuori provincia/regione mancante o errato";
constexpr std::string_view kPacketMessage = "Attrezzatura packet radio SI o NO errato";

constexpr std::array<std::string_view, kCheckCount> kMessages = {
    "Manca provincia",
    "Manca associazione",
    "Manca cognome",
    "Manca nome",
    "Manca via volontario",
    "Manca CAP volontario.",
    "CAP residenza volontario errato",
    "Manca citt\xE0 volontario",
    "Manca provincia di residenza volontario.",
    "Numero KRT errato",
    "Anno KRT errato",
    "Anno nascita errato",
    "Qualifica errata o mancante",
    "Livello errato o mancante",
    "Esperienza segreteria errata o mancante.",
    "Iscritto KRTMARE errato o mancante.",
    "Manca recapito volontario per urgenze",
    "Patente tipo o NO errato",
    "Passaporto SI o NO errato",
    "Disponibilit\xE0 mancante, almeno una obbligatoria. ",
    "Disponibilit\xE0 mancante o errata, almeno una obbligatoria. ",
    kDisp1g,
    kDisp1g,
    kDisp3g,
    kDisp3g,
    kDisp3gFuori,
    kDisp3gFuori,
    kDisp1sFuori,
    kDisp1sFuori,
    "Disponibilit\xE0 2 settimane fuori provincia mancante o errato",
    "Disponibilit\xE0 veicolare in 27 MHz mancante o errato",
    "Disponibilit\xE0 portatili in 27 MHz mancante o errato",
    "Disponibilit\xE0 veicolare in 43 MHz mancante o errato",
    "Disponibilit\xE0 portatili in 43 MHz mancante o errato",
    "Disponibilit\xE0 veicolare in VHF/UHF mancante o errato",
    "Disponibilit\xE0 portatili in VHF/UHF mancante o errato",
    kPacketMessage,
    kPacketMessage,
    "Stazione campale SI o NO errato",
    "Autovettura SI o NO errato",
    "Disponibilit\xE0 gancio SI o NO errato",
    "Disponibilit\xE0 letti mancante o errato",
    "Numero giorni di corso seguiti mancante o errato",
};
static_assert(kCheckCount <= 64, "one bit per check");

// The tests below run for every volunteer of archives of hundreds of
// thousands; the values they see are as varied as people are, so a branch
// on each would be mispredicted often. A short field is therefore read as
// one word and compared with whole codes, and the results are combined with
// & and | rather than && and ||: the only branch left is "any error?".
// (packed() gives a field or a code as one number.)

// Is the field exactly one of the codes (each as wide as the field)?
template <std::size_t N, std::size_t K>
bool oneOf(const FixedText<N>& field, const std::array<std::uint64_t, K>& codes) {
  const std::uint64_t w = packed(field);
  bool found = false;
  for (const std::uint64_t code : codes) found |= w == code;
  return found;
}

constexpr std::array<std::uint64_t, 3> kSiNoBlank = {packed("SI"), packed("NO"), packed("  ")};
constexpr std::array<std::uint64_t, 3> kAreaCodes = {packed("P"), packed("R"), packed(" ")};
constexpr std::array<std::uint64_t, 2> kQualifiche = {packed("O"), packed("C")};
constexpr std::array<std::uint64_t, 4> kLivelli = {packed("COL"), packed("COM"), packed("OR "), packed("COC")};
constexpr std::array<std::uint64_t, 12> kPatenti = {packed("A "), packed("AS"), packed("B "), packed("BS"),
                                                    packed("C "), packed("CS"), packed("D "), packed("DS"),
                                                    packed("E "), packed("F "), packed("NO"), packed("  ")};
constexpr std::uint64_t kNo = packed("NO");

constexpr std::uint64_t bit(Check c) { return std::uint64_t{1} << c; }

// Every check of one volunteer, as one bit per failed check.
std::uint64_t failedChecks(const VolunteerRecord& r, const NumberFormat& format) {
  const auto numeric = [&](const auto& field) { return isNumeric(field, format); };
  // A count or a year that may be left empty but, when given, is a number.
  const auto badOptionalNumber = [&](const auto& field) { return !field.blank() & !numeric(field); };
  const auto badSiNo = [](const auto& field) { return !oneOf(field, kSiNoBlank); };
  std::uint64_t failed = 0;
  const auto fails = [&failed](Check c, bool failing) { failed |= std::uint64_t{failing} << c; };

  fails(kMancaProvincia, r.provincia.blank());
  fails(kMancaAssociazione, r.associazione.blank());
  fails(kMancaCognome, r.cognome.blank());
  fails(kMancaNome, r.nome.blank());
  fails(kMancaVia, r.via.blank());
  fails(kMancaCap, r.cap.blank());
  fails(kCapErrato, !numeric(r.cap));
  fails(kMancaCitta, r.citta.blank());
  fails(kMancaProvResidenza, r.prov_residenza.blank());
  fails(kTesseraKrt, badOptionalNumber(r.tessera_krt));
  fails(kAnnoKrt, badOptionalNumber(r.anno_krt));
  fails(kAnnoNascita, !numeric(r.anno_nascita));
  fails(kQualifica, !oneOf(r.qualifica, kQualifiche));
  fails(kLivello, !oneOf(r.livello, kLivelli));
  fails(kSegreteria, badSiNo(r.segreteria));
  fails(kKrtMare, badSiNo(r.krt_mare));
  fails(kMancaRecapito, r.recapito.blank());
  fails(kPatente, !oneOf(r.patente, kPatenti));  // blank is allowed
  fails(kPassaporto, badSiNo(r.passaporto));

  // The availability for the five durations of a deployment. At least one
  // of the first four must be given (the two weeks do not count here), and
  // at least one of all five must be a number of hours; if either fails,
  // nothing more of the group is tested.
  const bool numeric1g = numeric(r.ore_1g), numeric3g = numeric(r.ore_3g), numeric3gFuori = numeric(r.ore_3g_fuori),
             numeric1sFuori = numeric(r.ore_1s_fuori), numeric2sFuori = numeric(r.ore_2s_fuori);
  const bool noneGiven = r.ore_1g.blank() & r.ore_3g.blank() & r.ore_3g_fuori.blank() & r.ore_1s_fuori.blank();
  const bool noneNumeric = !numeric1g & !numeric3g & !numeric3gFuori & !numeric1sFuori & !numeric2sFuori;
  // One day: a blank number of hours still has its area code tested.
  const bool tested1g = packed(r.ore_1g) != kNo;
  fails(kOre1g, tested1g & !r.ore_1g.blank() & !numeric1g);
  fails(kCodice1g, tested1g & !oneOf(r.disp_1g, kAreaCodes));
  // The other durations with an area code are tested only when given.
  const auto duration = [&](const auto& ore, bool isNumber, const auto& disp, Check hours, Check code) {
    const bool tested = !ore.blank() & (packed(ore) != kNo);
    fails(hours, tested & !isNumber);
    fails(code, tested & !oneOf(disp, kAreaCodes));
  };
  duration(r.ore_3g, numeric3g, r.disp_3g, kOre3g, kCodice3g);
  duration(r.ore_3g_fuori, numeric3gFuori, r.disp_3g_fuori, kOre3gFuori, kCodice3gFuori);
  duration(r.ore_1s_fuori, numeric1sFuori, r.disp_1s_fuori, kOre1sFuori, kCodice1sFuori);
  // Two weeks or more, which has no area code.
  fails(kOre2sFuori, !r.ore_2s_fuori.blank() & (packed(r.ore_2s_fuori) != kNo) & !numeric2sFuori);
  constexpr std::uint64_t kDurations = (bit(kOre2sFuori) << 1) - bit(kOre1g);
  if (noneGiven) {
    failed = (failed & ~kDurations) | bit(kDispMancante);
  } else if (noneNumeric) {
    failed = (failed & ~kDurations) | bit(kDispMancanteOErrata);
  }

  fails(kVeicolare27, badOptionalNumber(r.veicolare_27));
  fails(kPalmare27, badOptionalNumber(r.palmare_27));
  fails(kVeicolare43, badOptionalNumber(r.veicolare_43));
  fails(kPalmare43, badOptionalNumber(r.palmare_43));
  fails(kVeicolareVhf, badOptionalNumber(r.veicolare_vhf));
  fails(kPalmareVhf, badOptionalNumber(r.palmare_vhf));
  fails(kPacket, badSiNo(r.packet));
  fails(kPacketIncluso, badSiNo(r.packet_incluso));
  fails(kStazioneCampale, badSiNo(r.stazione_campale));
  fails(kAutovettura, badSiNo(r.autovettura));
  fails(kGancio, badSiNo(r.gancio));
  fails(kPostiLetto, badOptionalNumber(r.posti_letto));
  fails(kGiorniCorso, badOptionalNumber(r.giorni_corso));
  return failed;
}

}  // namespace

void checkVolunteer(const VolunteerRecord& r, const NumberFormat& format, ErrorReport& report) {
  // The messages in check order: the lowest failed bit first.
  for (std::uint64_t failed = failedChecks(r, format); failed != 0; failed &= failed - 1)
    report.scrivi_errore(kMessages[static_cast<std::size_t>(std::countr_zero(failed))]);
}

// ---- the run -------------------------------------------------------------------------

std::string_view reportTitle(bool errorFound) {
  return errorFound ? "                     ELENCO ERRORI RISCONTRATI" : "              NON CI SONO ERRORI RISCONTRATI";
}

namespace {

// Checks the lines `in` gives into `report`, each parsed into `record`,
// until the file part ends or `stop()` asks after a volunteer.
template <typename Stop>
void checkLines(LineReader& in, const NumberFormat& format, VolunteerRecord& record, ErrorReport& report, Stop stop) {
  std::string_view line;
  while (!stop() && in.nextView(line)) {
    record.fromLine(line);
    report.startVolunteer(columns(line, 21, 90));
    checkVolunteer(record, format, report);
  }
}

void checkLines(LineReader& in, const NumberFormat& format, VolunteerRecord& record, ErrorReport& report) {
  checkLines(in, format, record, report, [] { return false; });
}

// Where the archive is cut in two: just after the end of the line that runs
// through its middle. kToEnd when it is too small to share, or when no line
// ends after the middle.
std::uint64_t secondPartStart(const std::string& archive, const VerificationSharing& sharing) {
  struct stat st {};
  if (::stat(archive.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return LineReader::kToEnd;
  const auto size = static_cast<std::uint64_t>(st.st_size);
  if (size < std::max<std::uint64_t>(sharing.twoPartsFrom, 2)) return LineReader::kToEnd;
  LineReader middle(archive, size / 2);
  std::string_view line;
  if (!middle.nextView(line)) return LineReader::kToEnd;  // the file has just shrunk
  return middle.offset() < size ? middle.offset() : LineReader::kToEnd;
}

// The second part of the archive, checked on its own thread into memory.
class SecondPart {
 public:
  SecondPart(const std::string& archive, std::uint64_t from, const NumberFormat& format, std::size_t memory)
      : resumeAt_(from), thread_([=, this] { run(archive, from, format, memory); }) {}

  ~SecondPart() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }

  // Waits for the thread; rethrows what stopped it.
  void join() {
    thread_.join();
    if (failure_) std::rethrow_exception(failure_);
  }

  const std::string& reportLines() const { return lines_; }
  const ErrorReport& report() const { return report_; }
  const VolunteerRecord& lastRecord() const { return last_; }
  // Where the lines left unchecked start (past the memory limit); kToEnd
  // when the part was checked to the end.
  std::uint64_t resumeAt() const { return resumeAt_; }

 private:
  void run(const std::string& archive, std::uint64_t from, const NumberFormat& format, std::size_t memory) {
    try {
      LineReader in(archive, from);
      checkLines(in, format, last_, report_, [&] { return stop_.load(std::memory_order_relaxed) || lines_.size() >= memory; });
      resumeAt_ = lines_.size() >= memory ? in.offset() : LineReader::kToEnd;
    } catch (...) {
      failure_ = std::current_exception();
    }
  }

  std::string lines_;
  ErrorReport report_{lines_};
  VolunteerRecord last_;
  std::uint64_t resumeAt_;
  std::exception_ptr failure_;
  std::atomic<bool> stop_{false};
  std::thread thread_;  // last: it starts once the rest is ready
};

void addUp(VerificationResult& result, const ErrorReport& part) {
  result.errorFound = result.errorFound || part.errorFound();
  result.volunteers += part.volunteers();
  result.volunteersWithErrors += part.volunteersWithErrors();
  result.violations += part.violations();
}

}  // namespace

VerificationResult verifyArchive(const std::string& archive, const std::string& reportPath, const NumberFormat& format,
                                 VolunteerRecord& current, const VerificationSharing& sharing) {
  const std::uint64_t cut = secondPartStart(archive, sharing);
  LineReader in(archive, 0, cut);
  FileWriter out(reportPath, FileWriter::Mode::ReplacingUnsynced);
  ErrorReport report(out);
  std::unique_ptr<SecondPart> second;
  if (cut != LineReader::kToEnd) {
    try {
      second = std::make_unique<SecondPart>(archive, cut, format, sharing.secondPartMemory);
    } catch (const std::system_error&) {
      // No second thread to be had: the second part is checked here below.
    }
  }

  checkLines(in, format, current, report);
  std::uint64_t rest = cut;
  VerificationResult result;
  if (second) {
    second->join();
    out.write(second->reportLines());
    addUp(result, second->report());
    if (second->report().volunteers() > 0) current = second->lastRecord();
    rest = second->resumeAt();
  }
  if (rest != LineReader::kToEnd) {
    LineReader restIn(archive, rest);
    checkLines(restIn, format, current, report);
  }
  out.commit();
  addUp(result, report);
  return result;
}

void runVerification(Modulo1& m) {
  VerificationResult result;
  try {
    ui::BusyPointer busy(m.platform);
    result = verifyArchive(m.percorso_wrk(), m.percorso_verifica(), m.numberFormat, m.record);
  } catch (const FileError& e) {
    m.reportFileError(e);
    return;
  }
  formv& viewer = m.viewer();
  viewer.setReport(std::string(reportTitle(result.errorFound)), m.percorso_verifica());
  viewer.show();
}

}  // namespace krt
