#include "select/callout.h"

#include <ctime>
#include <iterator>

#include "export/found.h"
#include "export/totals.h"
#include "mainwin/modulo1.h"
#include "mainwin/table_export.h"
#include "print/printing.h"
#include "records/codes.h"
#include "records/file_io.h"
#include "records/fixed_text.h"

namespace krt {
namespace {

std::string trimmed(std::string_view field) { return std::string(trimBlanks(field)); }

std::string join(const std::vector<std::string>& parts, const char* separator) {
  std::string out;
  for (const auto& part : parts) out += (out.empty() ? "" : separator) + part;
  return out;
}

std::string now(const char* format) {
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  char text[32];
  return std::string(text, std::strftime(text, sizeof text, format, &local));
}

// Cuts a text into lines of at most `width` characters, at blanks where it can.
std::vector<std::string> wrap(std::string text, std::size_t width) {
  std::vector<std::string> lines;
  while (text.size() > width) {
    std::size_t cut = text.rfind(' ', width);
    if (cut == std::string::npos || cut == 0) cut = width;
    lines.push_back(text.substr(0, cut));
    text.erase(0,
               text.find_first_not_of(' ', cut) == std::string::npos ? text.size() : text.find_first_not_of(' ', cut));
  }
  lines.push_back(text);
  return lines;
}

}  // namespace

std::string describeCriteria(const SelectionCriteria& c) {
  std::vector<std::string> parts;
  if (c.patente) parts.push_back("patente " + trimmed(*c.patente));
  if (c.livello) parts.push_back("livello " + trimmed(*c.livello));
  if (c.segreteria) parts.push_back("segreteria " + trimmed(*c.segreteria));
  if (c.passaporto) parts.push_back("con passaporto");
  if (c.krt_mare) parts.push_back("KRT mare");
  if (!trimBlanks(c.provincia).empty()) parts.push_back("provincia " + trimmed(c.provincia.substr(0, 20)));
  if (!trimBlanks(c.associazione).empty()) parts.push_back("associazione " + trimmed(c.associazione.substr(0, 40)));
  std::vector<std::string> equipment;
  for (std::size_t i = 0; i < codes::kEquipment.size(); ++i) {
    if (c.dotazioni[i]) equipment.emplace_back(codes::kEquipment[i].words);
  }
  if (c.apparecchiature) equipment.push_back("apparecchiature \"" + *c.apparecchiature + "\"");
  if (c.professione) equipment.push_back("esperienza \"" + *c.professione + "\"");
  if (c.dotazioni_scelte && !equipment.empty()) parts.push_back("almeno uno fra: " + join(equipment, ", "));
  std::vector<std::string> ready;
  for (std::size_t i = 0; i < codes::kAvailability.size(); ++i) {
    if (c.disponibilita[i]) ready.emplace_back(codes::kAvailability[i].briefly);
  }
  if (!ready.empty()) parts.push_back("disponibili per " + join(ready, " o "));
  return parts.empty() ? "nessuno (tutti i volontari)" : join(parts, "; ");
}

std::vector<std::string> calloutBlock(const VolunteerRecord& r) {
  std::vector<std::string> lines{
      trimmed(r.cognome) + " " + trimmed(r.nome),
      "   Associazione: " + trimmed(r.associazione) + "   Provincia: " + trimmed(r.provincia),
      "   Recapito: " + trimmed(r.recapito), "   Recapito ditta: " + trimmed(r.ditta_recapito)};
  for (std::size_t i = 0; i < codes::kAvailability.size(); ++i) {
    if (codes::isAvailable(codes::kAvailability[i], r))
      lines.push_back("   " + std::string(codes::kAvailability[i].words) + ": pronto in " +
                      trimmed(r.*codes::kAvailability[i].hours) + " ore");
  }
  std::vector<std::string> brings;
  if (r.autovettura == "SI")
    brings.push_back(isBlank(r.targa) ? std::string("autovettura") : "autovettura targa " + trimmed(r.targa));
  if (r.gancio == "SI") brings.emplace_back("gancio traino");
  if (!isBlank(r.posti_letto)) brings.push_back("posti letto " + trimmed(r.posti_letto));
  if (!brings.empty()) lines.push_back("   Porta: " + join(brings, ", "));
  return lines;
}

std::optional<std::size_t> countFound(Modulo1& m, const SelectionCriteria& criteria,
                                      const std::function<void(const VolunteerRecord&)>& each) {
  VolunteerRecord record;
  try {
    ui::BusyPointer busy(m.platform);
    return forEachFound(m.percorso_wrk(), criteria, record, [&](std::uint64_t, std::uint64_t) {
      if (each) each(record);
      return true;
    });
  } catch (const FileError& e) {
    m.reportFileError(e);
    return std::nullopt;
  }
}

void printCallout(Modulo1& m, const SelectionCriteria& criteria) {
  // One pass finds the volunteers and the length of each one's block, from
  // which the pages are laid out; a second pass prints them.
  std::vector<int> blocks;
  const std::optional<std::size_t> found = countFound(m, criteria, [&](const VolunteerRecord& r) {
    blocks.push_back(static_cast<int>(calloutBlock(r).size()) + 1);  // and a blank line
  });
  if (!found) return;
  if (*found == 0) {
    m.message("Nessun volontario da stampare.");
    return;
  }
  const std::string when = "Stampato il " + now("%d/%m/%Y") + " alle " + now("%H:%M");
  printDocument(m, [&](ui::Printer& p) {
    p.setOrientation(ui::Orientation::Portrait);
    p.setFontName("courier new");
    p.setFontSize(10);
    p.setFontBold(false);
    const int lineHeight = p.lineHeight();
    // Courier advances 0.6 of its size: 120 twips a character at 10 points.
    const std::size_t width = static_cast<std::size_t>(p.pageWidth() / 120);
    // Room for the lines of a page above the page number and a blank line.
    const int perPage = std::max(8, p.pageHeight() / lineHeight - 2);
    std::vector<std::string> heading{"ELENCO PER CHIAMATA", when};
    for (auto& l : wrap("Criteri: " + describeCriteria(criteria), width)) heading.push_back(l);
    heading.push_back("Volontari: " + groupedCount(*found));
    heading.emplace_back("");

    // A block is never cut in two: one that does not fit begins a new page.
    int used = static_cast<int>(heading.size());
    int page = 1;
    const auto place = [&](int lines) {
      const bool breaks = used + lines > perPage && used > 0;
      used = (breaks ? 0 : used) + lines;
      return breaks;
    };
    int pages = 1;
    for (const int lines : blocks) pages += place(lines);
    const auto footer = [&] {
      p.setCurrentX(0);
      p.setCurrentY(perPage * lineHeight + lineHeight);
      p.printLine("Pagina " + std::to_string(page) + " di " + std::to_string(pages));
    };

    used = static_cast<int>(heading.size());
    p.setFontBold(true);
    p.printLine(heading.front());
    p.setFontBold(false);
    for (std::size_t i = 1; i < heading.size(); ++i) p.printLine(heading[i]);
    VolunteerRecord record;
    const bool done =
        runWithProgress(m, "Stampa dell'elenco per chiamata in corso...", [&](const GoOn& goOn, const Finishing&) {
          forEachFound(m.percorso_wrk(), criteria, record, [&](std::uint64_t at, std::uint64_t total) {
            std::vector<std::string> block = calloutBlock(record);
            block.emplace_back("");
            if (place(static_cast<int>(block.size()))) {
              footer();
              p.newPage();
              ++page;
            }
            for (const auto& l : block) p.printLine(l);
            return goOn(at, total);
          });
        });
    if (!done) {
      p.abortDoc();
      return;
    }
    footer();
    p.endDoc();
  });
}

}  // namespace krt
