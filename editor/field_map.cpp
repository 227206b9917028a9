#include "editor/field_map.h"

#include <stdexcept>

#include "records/cp1252.h"

namespace krt {
namespace {

constexpr ShownAs T = ShownAs::Trimmed;
constexpr ShownAs W = ShownAs::Whole;
constexpr TakenAs Up = TakenAs::Upper;
constexpr TakenAs Typed = TakenAs::AsTyped;
constexpr TakenAs First = TakenAs::FirstUpper;

const FieldInfo& infoOf(const FieldLink& link) {
  const FieldInfo* info = findField(link.field);
  if (!info) throw std::logic_error("the editor maps an unknown field: " + std::string(link.field));
  return *info;
}

}  // namespace

const std::vector<FieldLink>& editorFieldMap() {
  static const std::vector<FieldLink> map{
      // Identity area.
      {"Text5", "tessera_krt", T, Typed},
      {"Text50", "tessera_tov", T, Typed},
      {"Text1", "cognome", T, Up},
      {"Text2", "nome", T, Up},
      {"Combo1", "qualifica", W, First, 1},
      {"Text10", "spec_associazione", T, Up},
      {"Text3", "spec_professionale", T, Up},
      {"cbliv", "livello", W, First, 3},
      {"Combo3", "associazione", W, First, 40},
      {"Combo2", "provincia", ShownAs::ProvinceAndResidence, First, 20},
      // Page "Anagrafe".
      {"Text52", "anno_tov", T, Typed},
      {"Text9", "anno_krt", T, Typed},
      {"Text60", "anno_nascita", T, Typed},
      {"cbseg", "segreteria", W, First, 2},
      {"Cbmare", "krt_mare", W, First, 2},
      {"recvol", "recapito", T, Up},
      {"Text12", "via", T, Up},
      {"Text13", "cap", T, Up},
      {"Text14", "citta", T, Up},
      {"Text15", "prov_residenza", T, Up},
      {"Combo9", "passaporto", W, First, 2},
      {"Text54", "passaporto_rilasciato_da", T, Up},
      {"Text55", "passaporto_data", T, Up},
      {"Text56", "passaporto_scadenza", T, Up},
      {"Combo4", "patente", W, First, 2},
      {"Text57", "patente_rilasciata_da", T, Up},
      {"Text58", "patente_data", T, Up},
      {"Text59", "patente_scadenza", T, Up},
      {"Text16", "ditta", T, Up},
      {"reclav", "ditta_recapito", T, First, 35},
      {"Text17", "ditta_via", T, Up},
      {"Text18", "ditta_cap", T, Up},
      {"Text19", "ditta_citta", T, Up},
      {"Text20", "ditta_provincia", T, Up},
      // Page "Disponibilità": availability and hours.
      {"Combo5", "disp_1g", ShownAs::Availability, First, 1},
      {"Text21", "ore_1g", T, Up},
      {"Combo6", "disp_3g", ShownAs::Availability, First, 1},
      {"Text22", "ore_3g", T, Up},
      {"Combo7", "disp_3g_fuori", ShownAs::Availability, First, 1},
      {"Text23", "ore_3g_fuori", T, Up},
      {"Combo8", "disp_1s_fuori", ShownAs::Availability, First, 1},
      {"Text24", "ore_1s_fuori", T, Up},
      {"Text25", "ore_2s_fuori", T, Up},
      // The volunteer's own equipment.
      {"Text26", "veicolare_27", T, Typed},
      {"Text27", "palmare_27", T, Typed},
      {"Text28", "veicolare_43", T, Typed},
      {"Text29", "palmare_43", T, Typed},
      {"Text30", "veicolare_vhf", T, Typed},
      {"Text31", "palmare_vhf", T, Typed},
      {"Text32", "altro_1", T, Up},
      {"Text33", "altro_2", T, Up},
      {"Text35", "packet", T, Up},
      {"Text63", "packet_incluso", T, Up},
      {"Text34", "stazione_campale", T, Up},
      {"Text39", "giorni_corso", T, Typed},
      // The rows below the two groups.
      {"Text64", "attrezzature", T, Up},
      {"Text37", "autovettura", T, Up},
      {"Text47", "targa", T, Up},
      {"Text36", "gancio", T, Up},
      {"Text38", "posti_letto", T, Typed},
      {"Text65", "targa_camper", T, Up},
      {"Text66", "note_provinciale", T, Up},
      {"Text67", "note_nazionale", T, Up},
  };
  return map;
}

const FieldLink& fieldLink(std::string_view control) {
  for (const auto& link : editorFieldMap()) {
    if (link.control == control) return link;
  }
  throw std::out_of_range("no field for control " + std::string(control));
}

std::string shownText(const FieldLink& link, const VolunteerRecord& record) {
  const std::string_view value = fieldText(record, infoOf(link));
  switch (link.shown) {
    case ShownAs::Trimmed:
      return std::string(trimBlanks(value));
    case ShownAs::Whole:
      return std::string(value);
    case ShownAs::ProvinceAndResidence:
      return std::string(value) + std::string(record.prov_residenza.view());
    case ShownAs::Availability:
      if (value == "P") return std::string(kProvincia);
      if (value == "R") return std::string(kRegione);
      return {};
  }
  return {};
}

void takeText(const FieldLink& link, std::string_view text, VolunteerRecord& record) {
  switch (link.taken) {
    case TakenAs::Upper:
      setField(record, infoOf(link), cp1252::upper(text));
      break;
    case TakenAs::AsTyped:
      setField(record, infoOf(link), text);
      break;
    case TakenAs::FirstUpper:
      setField(record, infoOf(link), cp1252::upper(text.substr(0, link.n)));
      break;
  }
}

}  // namespace krt
