#include "bench/generator.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <initializer_list>
#include <random>
#include <string_view>
#include <utility>
#include <vector>

#include "records/codes.h"
#include "records/cp1252.h"
#include "records/file_io.h"
#include "records/fixed_text.h"
#include "records/volunteer_record.h"

namespace krt::bench {
namespace {

struct Province {
  const char* name;  // UTF-8
  const char* sigla;
  const char* region;
};

constexpr Province kProvinces[] = {
    {"AGRIGENTO", "AG", "SICILIA"},
    {"ALESSANDRIA", "AL", "PIEMONTE"},
    {"ANCONA", "AN", "MARCHE"},
    {"AOSTA", "AO", "VALLE D'AOSTA"},
    {"AREZZO", "AR", "TOSCANA"},
    {"BARI", "BA", "PUGLIA"},
    {"BELLUNO", "BL", "VENETO"},
    {"BERGAMO", "BG", "LOMBARDIA"},
    {"BOLOGNA", "BO", "EMILIA-ROMAGNA"},
    {"BOLZANO", "BZ", "TRENTINO"},
    {"BRESCIA", "BS", "LOMBARDIA"},
    {"CAGLIARI", "CA", "SARDEGNA"},
    {"CAMPOBASSO", "CB", "MOLISE"},
    {"CASERTA", "CE", "CAMPANIA"},
    {"CATANIA", "CT", "SICILIA"},
    {"CATANZARO", "CZ", "CALABRIA"},
    {"CHIETI", "CH", "ABRUZZO"},
    {"COMO", "CO", "LOMBARDIA"},
    {"COSENZA", "CS", "CALABRIA"},
    {"CUNEO", "CN", "PIEMONTE"},
    {"FERRARA", "FE", "EMILIA-ROMAGNA"},
    {"FIRENZE", "FI", "TOSCANA"},
    {"FOGGIA", "FG", "PUGLIA"},
    {"FORLÌ-CESENA", "FC", "EMILIA-ROMAGNA"},
    {"FROSINONE", "FR", "LAZIO"},
    {"GENOVA", "GE", "LIGURIA"},
    {"GROSSETO", "GR", "TOSCANA"},
    {"L'AQUILA", "AQ", "ABRUZZO"},
    {"LA SPEZIA", "SP", "LIGURIA"},
    {"LATINA", "LT", "LAZIO"},
    {"LECCE", "LE", "PUGLIA"},
    {"LIVORNO", "LI", "TOSCANA"},
    {"LUCCA", "LU", "TOSCANA"},
    {"MACERATA", "MC", "MARCHE"},
    {"MANTOVA", "MN", "LOMBARDIA"},
    {"MESSINA", "ME", "SICILIA"},
    {"MILANO", "MI", "LOMBARDIA"},
    {"MODENA", "MO", "EMILIA-ROMAGNA"},
    {"NAPOLI", "NA", "CAMPANIA"},
    {"NOVARA", "NO", "PIEMONTE"},
    {"NUORO", "NU", "SARDEGNA"},
    {"PADOVA", "PD", "VENETO"},
    {"PALERMO", "PA", "SICILIA"},
    {"PARMA", "PR", "EMILIA-ROMAGNA"},
    {"PAVIA", "PV", "LOMBARDIA"},
    {"PERUGIA", "PG", "UMBRIA"},
    {"PESCARA", "PE", "ABRUZZO"},
    {"PISA", "PI", "TOSCANA"},
    {"POTENZA", "PZ", "BASILICATA"},
    {"RAVENNA", "RA", "EMILIA-ROMAGNA"},
    {"REGGIO CALABRIA", "RC", "CALABRIA"},
    {"RIMINI", "RN", "EMILIA-ROMAGNA"},
    {"ROMA", "RM", "LAZIO"},
    {"SALERNO", "SA", "CAMPANIA"},
    {"SASSARI", "SS", "SARDEGNA"},
    {"SIENA", "SI", "TOSCANA"},
    {"TARANTO", "TA", "PUGLIA"},
    {"TERAMO", "TE", "ABRUZZO"},
    {"TORINO", "TO", "PIEMONTE"},
    {"TRENTO", "TN", "TRENTINO"},
    {"TREVISO", "TV", "VENETO"},
    {"TRIESTE", "TS", "FRIULI"},
    {"UDINE", "UD", "FRIULI"},
    {"VENEZIA", "VE", "VENETO"},
    {"VERONA", "VR", "VENETO"},
    {"VICENZA", "VI", "VENETO"},
    {"VITERBO", "VT", "LAZIO"},
};

constexpr const char* kAssociationForms[] = {"ASSOCIAZIONE RADIO CB ", "C.B. CLUB ", "GRUPPO RADIO SOCCORSO ",
                                             "RADIO CLUB CB "};

constexpr const char* kSurnames[] = {
    "ROSSI",    "RUSSO",     "FERRARI",  "ESPOSITO",  "BIANCHI", "ROMANO",     "COLOMBO",    "RICCI",    "MARINO",
    "GRECO",    "BRUNO",     "GALLO",    "CONTI",     "DE LUCA", "MANCINI",    "COSTA",      "GIORDANO", "RIZZO",
    "LOMBARDI", "MORETTI",   "BARBIERI", "FONTANA",   "SANTORO", "MARIANI",    "RINALDI",    "CARUSO",   "FERRARA",
    "GALLI",    "MARTINI",   "LEONE",    "LONGO",     "GENTILE", "MARTINELLI", "VITALE",     "LOMBARDO", "SERRA",
    "COPPOLA",  "DE SANTIS", "D'ANGELO", "MARCHETTI", "PARISI",  "VILLA",      "CONTE",      "FERRO",    "FABBRI",
    "BIANCO",   "MARINI",    "GRASSO",   "VALENTINI", "MESSINA", "SALA",       "DE ANGELIS", "GATTI",    "PELLEGRINI",
    "PALUMBO",  "SANNA",     "FARINA",   "RIZZI",     "MONTI",   "CATTANEO",   "MORELLI",    "AMATO",    "SILVESTRI",
    "MAZZA",    "TESTA",     "D'AMICO",  "DELL'ORTO", "NICOLÒ",  "FORTUNATO",  "BENEDETTI"};

constexpr const char* kNames[] = {
    "MARCO",   "ALESSANDRO", "GIUSEPPE", "FRANCESCO", "LUCA",     "ANDREA",    "GIOVANNI", "ROBERTO", "STEFANO",
    "ANTONIO", "MATTEO",     "PAOLO",    "DAVIDE",    "SIMONE",   "FEDERICO",  "NICCOLÒ",  "MARIA",   "ANNA",
    "GIULIA",  "FRANCESCA",  "CHIARA",   "SARA",      "LAURA",    "VALENTINA", "ELENA",    "SILVIA",  "MARTINA",
    "ALESSIA", "FEDERICA",   "ELISA",    "LUCIA",     "GIOVANNA", "ROSA",      "PATRIZIA", "DANIELA", "CLAUDIO",
    "FABIO",   "MASSIMO",    "SERGIO",   "NICOLA",    "EMANUELE", "CARLO",     "PIETRO",   "GIORGIO", "FABRIZIO",
    "ILARIA",  "MONICA",     "CRISTINA", "BARBARA",   "ROBERTA"};

constexpr const char* kStreets[] = {"VIA GARIBALDI",        "VIA ROMA",      "CORSO VITTORIO EMANUELE", "VIA MAZZINI",
                                    "PIAZZA DELLA LIBERTÀ", "VIA CAVOUR",    "VIA DANTE ALIGHIERI",     "VIALE EUROPA",
                                    "VIA XX SETTEMBRE",     "VIA MATTEOTTI", "VIA DEI MILLE",           "VIA VERDI"};

constexpr const char* kSkills[] = {"RADIOOPERATORE",    "LOGISTICA",       "SEGRETERIA DI CAMPO", "PRIMO SOCCORSO",
                                   "ANTINCENDIO",       "CUCINA DA CAMPO", "TELECOMUNICAZIONI",   "INFORMATICA",
                                   "GUIDA FUORISTRADA", "METEOROLOGIA"};

constexpr const char* kJobs[] = {"ELETTRICISTA", "INFERMIERE", "INGEGNERE", "IMPIEGATO", "TECNICO RADIO",
                                 "MECCANICO",    "INSEGNANTE", "MEDICO",    "AUTISTA",   "GEOMETRA",
                                 "IDRAULICO",    "PENSIONATO", "STUDENTE",  "ARTIGIANO", "CUOCO"};

constexpr const char* kEquipment[] = {"YAESU FT-817",  "KENWOOD TM-V71", "ICOM IC-706", "GENERATORE",
                                      "ANTENNA VERT.", "TENDA PNEUM.",   "MOTOPOMPA",   "FOTOELETTRICA"};

// The licence categories, each as many times as it is common: "B " three
// times, "DS" and "F " never.
const std::vector<std::string_view>& licences() {
  static const std::vector<std::string_view> list = [] {
    constexpr std::array<int, codes::kLicences.size()> weights = {1, 1, 3, 1, 1, 1, 1, 0, 1, 0, 1};
    std::vector<std::string_view> out;
    for (std::size_t i = 0; i < weights.size(); ++i) out.insert(out.end(), weights[i], codes::kLicences[i]);
    return out;
  }();
  return list;
}

std::string cp(const char* utf8) { return cp1252::fromUtf8(utf8); }

// Texts joined in one string.
std::string join(std::initializer_list<std::string_view> parts) {
  std::string out;
  for (const auto part : parts) out += part;
  return out;
}

std::string provinceName(const Province& p) { return fixedWidth(cp(p.name), 20); }

// The town in an association name: the province name as far as it fits.
std::string associationName(const char* form, const Province& p) { return fixedWidth(cp(form) + cp(p.name), 40); }

class Volunteers {
 public:
  explicit Volunteers(std::uint32_t seed) : rng_(seed) {}

  template <typename List>
  auto pick(const List& list) {
    return list[std::uniform_int_distribution<std::size_t>(0, std::size(list) - 1)(rng_)];
  }
  int number(int from, int to) { return std::uniform_int_distribution<int>(from, to)(rng_); }
  bool chance(int percent) { return number(1, 100) <= percent; }
  std::string digits(int from, int to) { return std::to_string(number(from, to)); }
  std::string yesNo(int percentYes) { return std::string(chance(percentYes) ? codes::kYes : codes::kNo); }
  std::string date() {
    char text[11];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", number(1, 28), number(1, 12), number(2000, 2025));
    return text;
  }
  std::string hours() { return chance(25) ? std::string(codes::kNo) : digits(1, 48); }

  // One volunteer of the association; `faulty` breaks one rule.
  std::string line(const Province& p, const std::string& association, bool faulty) {
    VolunteerRecord r;
    r.clear();
    const auto set = [&r](const char* field, const std::string& value) { setField(r, *findField(field), value); };
    set("provincia", provinceName(p));
    set("associazione", association);
    set("cognome", cp(pick(kSurnames)));
    set("nome", cp(pick(kNames)));
    set("via", cp(pick(kStreets)) + " " + digits(1, 180));
    set("cap", digits(10010, 98168));
    set("citta", cp(p.name));
    set("prov_residenza", p.sigla);
    set("tessera_krt", digits(1, 99999));
    set("anno_krt", digits(1985, 2025));
    set("tessera_tov", digits(1, 99999));
    set("anno_tov", digits(1985, 2025));
    set("anno_nascita", digits(1940, 2005));
    set("qualifica", chance(70) ? "O" : "C");
    set("livello", std::string(pick(codes::kLevels)));
    set("segreteria", yesNo(30));
    set("krt_mare", yesNo(10));
    set("recapito", join({"3", digits(20, 49), " ", digits(1000000, 9999999)}));
    set("spec_associazione", pick(kSkills));
    set("spec_professionale", pick(kJobs));
    const std::string licence(pick(licences()));
    set("patente", licence);
    if (licence != codes::kNo) {
      set("patente_rilasciata_da", join({"PREFETTURA DI ", cp(p.name)}));
      set("patente_data", date());
      set("patente_scadenza", date());
    }
    set("passaporto", yesNo(40));
    if (r.passaporto.view() == codes::kYes) {
      set("passaporto_rilasciato_da", join({"QUESTURA DI ", cp(p.name)}));
      set("passaporto_data", date());
      set("passaporto_scadenza", date());
    }
    if (chance(60)) {
      set("ditta", join({"DITTA ", cp(pick(kSurnames)), " S.R.L."}));
      set("ditta_via", cp(pick(kStreets)) + " " + digits(1, 90));
      set("ditta_cap", digits(10010, 98168));
      set("ditta_citta", cp(p.name));
      set("ditta_provincia", p.sigla);
      set("ditta_recapito", join({"0", digits(10, 99), " ", digits(100000, 999999)}));
    }
    set("disp_1g", chance(50) ? "P" : "R");
    set("ore_1g", digits(1, 48));  // at least one duration with hours: the others may say "NO"
    if (chance(60)) {
      set("disp_3g", chance(50) ? "P" : "R");
      set("ore_3g", hours());
    }
    if (chance(40)) {
      set("disp_3g_fuori", "R");
      set("ore_3g_fuori", hours());
    }
    if (chance(30)) {
      set("disp_1s_fuori", "R");
      set("ore_1s_fuori", hours());
    }
    if (chance(20)) set("ore_2s_fuori", hours());
    if (chance(50)) set("veicolare_27", digits(0, 2));
    if (chance(40)) set("palmare_27", digits(0, 3));
    if (chance(30)) set("veicolare_43", digits(0, 1));
    if (chance(30)) set("palmare_43", digits(0, 2));
    if (chance(40)) set("veicolare_vhf", digits(0, 2));
    if (chance(50)) set("palmare_vhf", digits(1, 4));
    if (chance(30)) set("altro_1", cp(pick(kEquipment)));
    if (chance(10)) set("altro_2", cp(pick(kEquipment)));
    if (chance(20)) set("attrezzature", cp(pick(kEquipment)));
    set("packet", yesNo(20));
    set("packet_incluso", yesNo(10));
    set("stazione_campale", yesNo(15));
    set("giorni_corso", digits(0, 30));
    set("autovettura", yesNo(70));
    if (r.autovettura.view() == codes::kYes)
      set("targa", join({"A", std::string(1, static_cast<char>('A' + number(0, 25))), digits(100, 999), "BC"}));
    set("gancio", yesNo(25));
    if (chance(20)) set("posti_letto", digits(1, 6));
    if (chance(5)) set("targa_camper", join({"CA", digits(100, 999), "MP"}));
    if (chance(10)) set("note_provinciale", "DISPONIBILE NEI FINE SETTIMANA");
    if (faulty) breakOneRule(r);
    return r.toLine();
  }

 private:
  // The kinds of mistakes found in archives filled by hand.
  void breakOneRule(VolunteerRecord& r) {
    switch (number(0, 7)) {
      case 0:
        r.cap = "2O1O0";
        break;  // letter O for zero
      case 1:
        r.via.clear();
        break;  // missing street
      case 2:
        r.livello = "OP ";
        break;  // no such level
      case 3:
        r.passaporto = "si";
        break;  // lower case
      case 4:   // no availability at all
        r.ore_1g.clear();
        r.ore_3g.clear();
        r.ore_3g_fuori.clear();
        r.ore_1s_fuori.clear();
        break;
      case 5:
        r.anno_nascita = "19G5";
        break;
      case 6:
        r.recapito.clear();
        break;
      default:
        r.veicolare_27 = "X";
        break;
    }
  }

  std::mt19937 rng_;
};

std::vector<Province> sortedProvinces(std::size_t step) {
  std::vector<Province> all(std::begin(kProvinces), std::end(kProvinces));
  std::sort(all.begin(), all.end(),
            [](const Province& a, const Province& b) { return provinceName(a) < provinceName(b); });
  std::vector<Province> out;
  for (std::size_t i = 0; i < all.size(); i += step) out.push_back(all[i]);
  return out;
}

std::vector<std::string> sortedAssociations(const Province& p) {
  std::vector<std::string> names;
  for (const char* form : kAssociationForms) names.push_back(associationName(form, p));
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

std::size_t writeArchive(const std::string& path, const ArchivePlan& plan) {
  Volunteers gen(plan.seed);
  const std::vector<Province> provinces = sortedProvinces(plan.provinceStep);
  const std::size_t groups = provinces.size() * std::size(kAssociationForms);
  FileWriter out(path, FileWriter::Mode::Truncate);
  std::size_t written = 0;
  std::size_t group = 0;
  std::vector<std::string> lines;
  for (const Province& p : provinces) {
    for (const std::string& association : sortedAssociations(p)) {
      // The volunteers spread evenly over the associations.
      const std::size_t count = plan.volunteers / groups + (group < plan.volunteers % groups ? 1 : 0);
      ++group;
      lines.clear();
      for (std::size_t i = 0; i < count; ++i) lines.push_back(gen.line(p, association, (written + i) % plan.faultEvery == plan.faultEvery - 1));
      // Within an association, by surname and name: the whole file is in key order.
      std::sort(lines.begin(), lines.end(),
                [](const std::string& a, const std::string& b) { return recordKey(a) < recordKey(b); });
      for (const std::string& l : lines) out.writeLine(l);
      written += count;
    }
  }
  out.commit();
  return written;
}

void writeLookupLists(const std::string& folder) {
  FileWriter provinces(folder + "/province.dat", FileWriter::Mode::Truncate);
  FileWriter associations(folder + "/associazioni.dat", FileWriter::Mode::Truncate);
  for (const Province& p : sortedProvinces(1)) {
    provinces.writeLine(provinceName(p) + fixedWidth(p.sigla, 4) + fixedWidth(p.region, 20));
    for (const std::string& a : sortedAssociations(p)) associations.writeLine(a + fixedWidth(p.sigla, 4));
  }
  provinces.commit();
  associations.commit();
}

}  // namespace krt::bench
