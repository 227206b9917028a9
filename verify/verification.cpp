#include "verify/verification.h"

#include <initializer_list>

#include "mainwin/modulo1.h"
#include "records/fixed_text.h"
#include "verify/formv.h"

namespace krt {

// ---- the report ------------------------------------------------------------------

void ErrorReport::startVolunteer(std::string_view identification) {
  identification_ = identification;
  intestazione_scritta_ = false;
}

void ErrorReport::scrivi_errore(std::string_view messaggio) {
  errore_trovato_ = true;
  if (!intestazione_scritta_) {
    intestazione_scritta_ = true;
    ++volunteersWithErrors_;
    out_.writeLine("");
    out_.writeLine(identification_);
  }
  out_.writeLine(messaggio);
  ++violations_;
}

// ---- the rules ---------------------------------------------------------------------

namespace {

// Texts are cp1252: \xE0 is the accented a.
constexpr std::string_view kDisp1g = "Disponibilit\xE0 1 giorno nella propria provincia/regione mancante o errato";
constexpr std::string_view kDisp3g = "Disponibilit\xE0 3 giorni nella propria provincia/regione mancante o errato";
constexpr std::string_view kDisp3gFuori = "Disponibilit\xE0 3 giorni fuori provincia/regione mancante o errato";
constexpr std::string_view kDisp1sFuori = "Disponibilit\xE0 1 settimana fuori provincia/regione mancante o errato";
constexpr std::string_view kDisp2sFuori = "Disponibilit\xE0 2 settimane fuori provincia mancante o errato";
constexpr std::string_view kPacket = "Attrezzatura packet radio SI o NO errato";

// Equality of a field with a short code, byte by byte: these comparisons run
// a dozen times for every volunteer, and a library call for two bytes costs
// more than the comparison itself.
bool is(std::string_view value, std::string_view code) {
  if (value.size() != code.size()) return false;
  for (std::size_t i = 0; i < code.size(); ++i) {
    if (value[i] != code[i]) return false;
  }
  return true;
}

bool oneOf(std::string_view value, std::initializer_list<std::string_view> allowed) {
  for (const auto a : allowed) {
    if (is(value, a)) return true;
  }
  return false;
}

// A yes/no field: "SI", "NO" or left empty.
bool siNoOrBlank(std::string_view value) { return isBlank(value) || is(value, "SI") || is(value, "NO"); }

// An area code: "P" own province, "R" own region, or left empty.
bool areaCode(std::string_view value) { return isBlank(value) || is(value, "P") || is(value, "R"); }

// The availability for the five durations of a deployment.
void checkAvailability(const VolunteerRecord& r, const NumberFormat& format, ErrorReport& report) {
  const auto numeric = [&](std::string_view text) { return isNumeric(text, format); };

  // At least one of the first four durations must be given (the two
  // weeks do not count here).
  if (r.ore_1g.blank() && r.ore_3g.blank() && r.ore_3g_fuori.blank() && r.ore_1s_fuori.blank()) {
    report.scrivi_errore("Disponibilit\xE0 mancante, almeno una obbligatoria. ");
    return;
  }
  // And at least one of all five must be a number of hours.
  if (!numeric(r.ore_1g) && !numeric(r.ore_3g) && !numeric(r.ore_3g_fuori) && !numeric(r.ore_1s_fuori) &&
      !numeric(r.ore_2s_fuori)) {
    report.scrivi_errore("Disponibilit\xE0 mancante o errata, almeno una obbligatoria. ");
    return;
  }
  // One day: a blank number of hours still has its area code tested.
  if (!is(r.ore_1g, "NO")) {
    if (!r.ore_1g.blank() && !numeric(r.ore_1g)) report.scrivi_errore(kDisp1g);
    if (!areaCode(r.disp_1g)) report.scrivi_errore(kDisp1g);
  }
  // The other durations with an area code are tested only when given.
  const auto duration = [&](std::string_view ore, std::string_view disp, std::string_view message) {
    if (isBlank(ore) || is(ore, "NO")) return;
    if (!numeric(ore)) report.scrivi_errore(message);
    if (!areaCode(disp)) report.scrivi_errore(message);
  };
  duration(r.ore_3g, r.disp_3g, kDisp3g);
  duration(r.ore_3g_fuori, r.disp_3g_fuori, kDisp3gFuori);
  duration(r.ore_1s_fuori, r.disp_1s_fuori, kDisp1sFuori);
  // Two weeks or more, which has no area code.
  if (!r.ore_2s_fuori.blank() && !is(r.ore_2s_fuori, "NO") && !numeric(r.ore_2s_fuori))
    report.scrivi_errore(kDisp2sFuori);
}

}  // namespace

void checkVolunteer(const VolunteerRecord& r, const NumberFormat& format, ErrorReport& report) {
  const auto numeric = [&](std::string_view text) { return isNumeric(text, format); };
  // A count or a year that may be left empty but, when given, is a number.
  const auto optionalNumber = [&](std::string_view text, std::string_view message) {
    if (!isBlank(text) && !numeric(text)) report.scrivi_errore(message);
  };
  const auto siNo = [&](std::string_view text, std::string_view message) {
    if (!siNoOrBlank(text)) report.scrivi_errore(message);
  };

  if (r.provincia.blank()) report.scrivi_errore("Manca provincia");
  if (r.associazione.blank()) report.scrivi_errore("Manca associazione");
  if (r.cognome.blank()) report.scrivi_errore("Manca cognome");
  if (r.nome.blank()) report.scrivi_errore("Manca nome");
  if (r.via.blank()) report.scrivi_errore("Manca via volontario");
  if (r.cap.blank()) report.scrivi_errore("Manca CAP volontario.");
  if (!numeric(r.cap)) report.scrivi_errore("CAP residenza volontario errato");
  if (r.citta.blank()) report.scrivi_errore("Manca citt\xE0 volontario");
  if (r.prov_residenza.blank()) report.scrivi_errore("Manca provincia di residenza volontario.");
  optionalNumber(r.tessera_krt, "Numero KRT errato");
  optionalNumber(r.anno_krt, "Anno KRT errato");
  if (!numeric(r.anno_nascita)) report.scrivi_errore("Anno nascita errato");
  if (!oneOf(r.qualifica, {"O", "C"})) report.scrivi_errore("Qualifica errata o mancante");
  if (!oneOf(r.livello, {"COL", "COM", "OR ", "COC"})) report.scrivi_errore("Livello errato o mancante");
  siNo(r.segreteria, "Esperienza segreteria errata o mancante.");
  siNo(r.krt_mare, "Iscritto KRTMARE errato o mancante.");
  if (r.recapito.blank()) report.scrivi_errore("Manca recapito volontario per urgenze");
  if (!r.patente.blank() && !oneOf(r.patente, {"A ", "AS", "B ", "BS", "C ", "CS", "D ", "DS", "E ", "F ", "NO"}))
    report.scrivi_errore("Patente tipo o NO errato");
  siNo(r.passaporto, "Passaporto SI o NO errato");

  checkAvailability(r, format, report);

  optionalNumber(r.veicolare_27, "Disponibilit\xE0 veicolare in 27 MHz mancante o errato");
  optionalNumber(r.palmare_27, "Disponibilit\xE0 portatili in 27 MHz mancante o errato");
  optionalNumber(r.veicolare_43, "Disponibilit\xE0 veicolare in 43 MHz mancante o errato");
  optionalNumber(r.palmare_43, "Disponibilit\xE0 portatili in 43 MHz mancante o errato");
  optionalNumber(r.veicolare_vhf, "Disponibilit\xE0 veicolare in VHF/UHF mancante o errato");
  optionalNumber(r.palmare_vhf, "Disponibilit\xE0 portatili in VHF/UHF mancante o errato");
  siNo(r.packet, kPacket);
  siNo(r.packet_incluso, kPacket);
  siNo(r.stazione_campale, "Stazione campale SI o NO errato");
  siNo(r.autovettura, "Autovettura SI o NO errato");
  siNo(r.gancio, "Disponibilit\xE0 gancio SI o NO errato");
  optionalNumber(r.posti_letto, "Disponibilit\xE0 letti mancante o errato");
  optionalNumber(r.giorni_corso, "Numero giorni di corso seguiti mancante o errato");
}

// ---- the run -------------------------------------------------------------------------

std::string_view reportTitle(bool errorFound) {
  return errorFound ? "                     ELENCO ERRORI RISCONTRATI" : "              NON CI SONO ERRORI RISCONTRATI";
}

VerificationResult verifyArchive(const std::string& archive, const std::string& reportPath, const NumberFormat& format,
                                 VolunteerRecord& current) {
  LineReader in(archive);
  FileWriter out(reportPath, FileWriter::Mode::ReplacingUnsynced);
  ErrorReport report(out);
  VerificationResult result;
  std::string_view line;
  while (in.nextView(line)) {
    ++result.volunteers;
    current.fromLine(line);
    report.startVolunteer(columns(line, 21, 90));
    checkVolunteer(current, format, report);
  }
  out.commit();
  result.errorFound = report.errorFound();
  result.volunteersWithErrors = report.volunteersWithErrors();
  result.violations = report.violations();
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
