#include "verify/verification.h"

#include "mainwin/modulo1.h"
#include "records/codes.h"
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

void ErrorReport::writeLine(std::string_view text) { out_.writeLine(text); }

// ---- the rules ---------------------------------------------------------------------

namespace {

// Texts are cp1252: \xE0 is the accented a.
constexpr std::string_view kDisp1g = "Disponibilit\xE0 1 giorno nella propria provincia/regione mancante o errato";
constexpr std::string_view kDisp3g = "Disponibilit\xE0 3 giorni nella propria provincia/regione mancante o errato";
constexpr std::string_view kDisp3gFuori = "Disponibilit\xE0 3 giorni fuori provincia/regione mancante o errato";
constexpr std::string_view kDisp1sFuori = "Disponibilit\xE0 1 settimana fuori provincia/regione mancante o errato";
constexpr std::string_view kDisp2sFuori = "Disponibilit\xE0 2 settimane fuori provincia mancante o errato";
constexpr std::string_view kPacket = "Attrezzatura packet radio SI o NO errato";

// The rules of one volunteer, in the order their messages are written.
class Rules {
 public:
  Rules(const VolunteerRecord& r, const NumberFormat& format, ErrorReport& report)
      : r_(r), format_(format), report_(report) {}

  void apply() {
    personal();
    availability();
    equipment();
  }

 private:
  // Writes the message when the rule is broken.
  void rule(bool broken, std::string_view message) {
    if (broken) report_.scrivi_errore(message);
  }

  bool numeric(std::string_view field) const { return isNumeric(field, format_); }
  // A count or a year that may be left empty but, when given, is a number.
  bool badOptionalNumber(std::string_view field) const { return !isBlank(field) && !numeric(field); }
  // A yes/no field: "SI", "NO" or left empty.
  static bool badYesNo(std::string_view field) { return !isBlank(field) && !codes::isOneOf(field, codes::kYesNo); }
  // An area code: "P", "R" or left empty.
  static bool badArea(std::string_view field) { return !isBlank(field) && !codes::isOneOf(field, codes::kAreas); }

  void personal() {
    rule(r_.provincia.blank(), "Manca provincia");
    rule(r_.associazione.blank(), "Manca associazione");
    rule(r_.cognome.blank(), "Manca cognome");
    rule(r_.nome.blank(), "Manca nome");
    rule(r_.via.blank(), "Manca via volontario");
    rule(r_.cap.blank(), "Manca CAP volontario.");
    rule(!numeric(r_.cap), "CAP residenza volontario errato");
    rule(r_.citta.blank(), "Manca citt\xE0 volontario");
    rule(r_.prov_residenza.blank(), "Manca provincia di residenza volontario.");
    rule(badOptionalNumber(r_.tessera_krt), "Numero KRT errato");
    rule(badOptionalNumber(r_.anno_krt), "Anno KRT errato");
    rule(!numeric(r_.anno_nascita), "Anno nascita errato");
    rule(!codes::isOneOf(r_.qualifica.view(), codes::kQualifications), "Qualifica errata o mancante");
    rule(!codes::isOneOf(r_.livello.view(), codes::kLevels), "Livello errato o mancante");
    rule(badYesNo(r_.segreteria), "Esperienza segreteria errata o mancante.");
    rule(badYesNo(r_.krt_mare), "Iscritto KRTMARE errato o mancante.");
    rule(r_.recapito.blank(), "Manca recapito volontario per urgenze");
    // No licence may be left empty, as "NO".
    rule(!r_.patente.blank() && !codes::isOneOf(r_.patente.view(), codes::kLicences), "Patente tipo o NO errato");
    rule(badYesNo(r_.passaporto), "Passaporto SI o NO errato");
  }

  // The availability for the five durations of a deployment. At least one
  // of the first four must be given (the two weeks do not count here), and
  // at least one of all five must be a number of hours; if either fails,
  // nothing more of the group is tested. "NO" hours skip a duration.
  void availability() {
    if (r_.ore_1g.blank() && r_.ore_3g.blank() && r_.ore_3g_fuori.blank() && r_.ore_1s_fuori.blank()) {
      report_.scrivi_errore("Disponibilit\xE0 mancante, almeno una obbligatoria. ");
      return;
    }
    if (!numeric(r_.ore_1g) && !numeric(r_.ore_3g) && !numeric(r_.ore_3g_fuori) && !numeric(r_.ore_1s_fuori) &&
        !numeric(r_.ore_2s_fuori)) {
      report_.scrivi_errore("Disponibilit\xE0 mancante o errata, almeno una obbligatoria. ");
      return;
    }
    // One day: blank hours still have their area code tested.
    if (r_.ore_1g.view() != codes::kNo) {
      rule(!r_.ore_1g.blank() && !numeric(r_.ore_1g), kDisp1g);
      rule(badArea(r_.disp_1g), kDisp1g);
    }
    // The other durations are tested only when given.
    duration(r_.ore_3g, r_.disp_3g, kDisp3g);
    duration(r_.ore_3g_fuori, r_.disp_3g_fuori, kDisp3gFuori);
    duration(r_.ore_1s_fuori, r_.disp_1s_fuori, kDisp1sFuori);
    // Two weeks or more has no area code.
    if (given(r_.ore_2s_fuori)) rule(!numeric(r_.ore_2s_fuori), kDisp2sFuori);
  }

  static bool given(const FixedText<2>& hours) { return !hours.blank() && hours.view() != codes::kNo; }

  // The hours and the area code of one duration, one message each.
  void duration(const FixedText<2>& hours, const FixedText<1>& area, std::string_view message) {
    if (!given(hours)) return;
    rule(!numeric(hours), message);
    rule(badArea(area), message);
  }

  void equipment() {
    rule(badOptionalNumber(r_.veicolare_27), "Disponibilit\xE0 veicolare in 27 MHz mancante o errato");
    rule(badOptionalNumber(r_.palmare_27), "Disponibilit\xE0 portatili in 27 MHz mancante o errato");
    rule(badOptionalNumber(r_.veicolare_43), "Disponibilit\xE0 veicolare in 43 MHz mancante o errato");
    rule(badOptionalNumber(r_.palmare_43), "Disponibilit\xE0 portatili in 43 MHz mancante o errato");
    rule(badOptionalNumber(r_.veicolare_vhf), "Disponibilit\xE0 veicolare in VHF/UHF mancante o errato");
    rule(badOptionalNumber(r_.palmare_vhf), "Disponibilit\xE0 portatili in VHF/UHF mancante o errato");
    rule(badYesNo(r_.packet), kPacket);
    rule(badYesNo(r_.packet_incluso), kPacket);
    rule(badYesNo(r_.stazione_campale), "Stazione campale SI o NO errato");
    rule(badYesNo(r_.autovettura), "Autovettura SI o NO errato");
    rule(badYesNo(r_.gancio), "Disponibilit\xE0 gancio SI o NO errato");
    rule(badOptionalNumber(r_.posti_letto), "Disponibilit\xE0 letti mancante o errato");
    rule(badOptionalNumber(r_.giorni_corso), "Numero giorni di corso seguiti mancante o errato");
  }

  const VolunteerRecord& r_;
  const NumberFormat& format_;
  ErrorReport& report_;
};

}  // namespace

void checkVolunteer(const VolunteerRecord& r, const NumberFormat& format, ErrorReport& report) {
  Rules(r, format, report).apply();
}

// ---- the run -------------------------------------------------------------------------

std::string_view reportTitle(bool errorFound) {
  return errorFound ? "                     ELENCO ERRORI RISCONTRATI" : "              NON CI SONO ERRORI RISCONTRATI";
}

VerificationResult verifyLines(LineReader& in, LineSink& out, const NumberFormat& format, VolunteerRecord& current) {
  ErrorReport report(out);
  std::string_view line;
  while (in.nextView(line)) {
    current.fromLine(line);
    report.startVolunteer(columns(line, 21, 90));
    checkVolunteer(current, format, report);
  }
  return {report.errorFound(), report.volunteers(), report.volunteersWithErrors(), report.violations()};
}

VerificationResult verifyArchive(const std::string& archive, const std::string& reportPath, const NumberFormat& format,
                                 VolunteerRecord& current) {
  LineReader in(archive);
  FileWriter out(reportPath, FileWriter::Mode::ReplacingUnsynced);
  const VerificationResult result = verifyLines(in, out, format, current);
  out.commit();
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
