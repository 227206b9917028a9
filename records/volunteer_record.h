// The volunteer record: 64 fixed-width text fields, one line of an archive.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "records/fixed_text.h"

namespace krt {

// Every field, in line order, with its width. This one list generates the
// members of VolunteerRecord and the field table.
#define KRT_VOLUNTEER_FIELDS(F)   \
  F(provincia, 20)                \
  F(associazione, 40)             \
  F(cognome, 25)                  \
  F(nome, 25)                     \
  F(via, 40)                      \
  F(cap, 5)                       \
  F(citta, 40)                    \
  F(prov_residenza, 4)            \
  F(tessera_krt, 5)               \
  F(anno_krt, 4)                  \
  F(tessera_tov, 5)               \
  F(anno_tov, 4)                  \
  F(anno_nascita, 4)              \
  F(qualifica, 1)                 \
  F(livello, 3)                   \
  F(segreteria, 2)                \
  F(krt_mare, 2)                  \
  F(recapito, 35)                 \
  F(spec_associazione, 30)        \
  F(spec_professionale, 30)       \
  F(patente, 2)                   \
  F(patente_rilasciata_da, 30)    \
  F(patente_data, 10)             \
  F(patente_scadenza, 10)         \
  F(passaporto, 2)                \
  F(passaporto_rilasciato_da, 30) \
  F(passaporto_data, 10)          \
  F(passaporto_scadenza, 10)      \
  F(ditta, 50)                    \
  F(ditta_via, 40)                \
  F(ditta_cap, 5)                 \
  F(ditta_citta, 40)              \
  F(ditta_provincia, 4)           \
  F(ditta_recapito, 35)           \
  F(disp_1g, 1)                   \
  F(ore_1g, 2)                    \
  F(disp_3g, 1)                   \
  F(ore_3g, 2)                    \
  F(disp_3g_fuori, 1)             \
  F(ore_3g_fuori, 2)              \
  F(disp_1s_fuori, 1)             \
  F(ore_1s_fuori, 2)              \
  F(ore_2s_fuori, 2)              \
  F(veicolare_27, 2)              \
  F(palmare_27, 2)                \
  F(veicolare_43, 2)              \
  F(palmare_43, 2)                \
  F(veicolare_vhf, 2)             \
  F(palmare_vhf, 2)               \
  F(altro_1, 14)                  \
  F(altro_2, 14)                  \
  F(attrezzature, 40)             \
  F(packet, 2)                    \
  F(packet_incluso, 2)            \
  F(stazione_campale, 2)          \
  F(giorni_corso, 2)              \
  F(autovettura, 2)               \
  F(targa, 8)                     \
  F(gancio, 2)                    \
  F(posti_letto, 2)               \
  F(targa_camper, 8)              \
  F(note_provinciale, 40)         \
  F(note_nazionale, 40)           \
  F(riservato, 3)

inline constexpr std::size_t kLineLength = 809;
inline constexpr std::size_t kKeyLength = 110;
inline constexpr std::size_t kFieldCount = 64;

struct VolunteerRecord {
#define KRT_DECLARE_FIELD(name, width) FixedText<width> name;
  KRT_VOLUNTEER_FIELDS(KRT_DECLARE_FIELD)
#undef KRT_DECLARE_FIELD

  // Replaces all 64 fields with the columns of `line`. Missing columns
  // become blanks; text after column 809 is ignored.
  void fromLine(std::string_view line);

  // The 809-character line of the record; `riservato` is blanked first.
  std::string toLine();

  // Every field blanks.
  void clear();

  // The record's key: its first 110 characters.
  std::string key() const;

  // The record's bytes as they stand (809), without touching `riservato`.
  std::string_view bytes() const;
};

// One entry of the field table: name, width, first column (1-based).
struct FieldInfo {
  std::string_view name;
  std::size_t width;
  std::size_t column;
  std::size_t offset() const { return column - 1; }
};

// The 64 fields in line order.
const std::array<FieldInfo, kFieldCount>& volunteerFields();

// The field of that name, or nullptr.
const FieldInfo* findField(std::string_view name);

// Reading and storing one field through the table.
std::string_view fieldText(const VolunteerRecord& record, const FieldInfo& field);
void setField(VolunteerRecord& record, const FieldInfo& field, std::string_view text);

// The key of a line: its first 110 characters (fewer if the line is shorter).
std::string_view recordKey(std::string_view line);

}  // namespace krt
