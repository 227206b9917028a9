#include "select/riepilogo.h"

#include <algorithm>
#include <cmath>

#include "mainwin/modulo1.h"
#include "mainwin/table_export.h"
#include "print/printing.h"

namespace krt {
namespace {

// The rows as the table shows them: counts with the thousands separated.
std::vector<std::vector<std::string>> shownRows(const Totals& totals) {
  std::vector<std::vector<std::string>> rows;
  for (const TotalsRow& row : totals.rows) {
    std::vector<std::string> cells{row.provincia};
    for (const std::uint64_t n : row.counts) cells.push_back(groupedCount(n));
    rows.push_back(std::move(cells));
  }
  return rows;
}

// The words of a heading, one a line, for a column as narrow as its widest word.
std::vector<std::string> words(const std::string& heading) {
  std::vector<std::string> out;
  for (std::size_t at = 0; at < heading.size();) {
    const std::size_t end = std::min(heading.find(' ', at), heading.size());
    out.push_back(heading.substr(at, end - at));
    at = end + 1;
  }
  return out;
}

}  // namespace

const ui::WindowDesc& riepilogoDesc() {
  static const ui::WindowDesc desc = [] {
    ui::WindowDesc s{"Friepilogo", "Riepilogo per provincia", 11880, 6240};
    std::string headings;
    for (const auto& h : totalsHeadings()) headings += (headings.empty() ? "" : "|") + h;
    ui::ControlDesc table{ui::Kind::Table, "tabella", headings, "", 240, 240, 11400, 5160};
    table.accessibleName = "Riepilogo per provincia";
    s.controls = {table,
                  {ui::Kind::Button, "cmdstampa", "Stampa", "", 5400, 5640, 1455, 375},
                  {ui::Kind::Button, "cmdesporta", "Esporta\x85", "", 7200, 5640, 1455, 375},
                  {ui::Kind::Button, "cmdchiudi", "Chiudi", "", 9000, 5640, 1455, 375}};
    return s;
  }();
  return desc;
}

FormRiepilogo::FormRiepilogo(Modulo1& m) : m_(m) {
  on("cmdstampa", ui::Event::Click, [this] { cmdstampa_Click(); });
  on("cmdesporta", ui::Event::Click, [this] { cmdesporta_Click(); });
  on("cmdchiudi", ui::Event::Click, [this] { cmdchiudi_Click(); });
  createWindow(m_.platform, riepilogoDesc());
}

void FormRiepilogo::show(Totals totals) {
  totals_ = std::move(totals);
  control("tabella").setRows(shownRows(totals_));
  window().show();
}

// Landscape, the table as shown: headings a word a line, counts on the
// right, in the largest fixed-pitch size that fits the page's width.
void FormRiepilogo::cmdstampa_Click() {
  const auto rows = shownRows(totals_);
  const auto& headings = totalsHeadings();
  std::vector<std::size_t> widths;
  std::size_t headingLines = 1;
  for (std::size_t c = 0; c < headings.size(); ++c) {
    std::size_t w = 0;
    for (const auto& word : words(headings[c])) w = std::max(w, word.size());
    for (const auto& row : rows) w = std::max(w, row[c].size());
    widths.push_back(w);
    headingLines = std::max(headingLines, words(headings[c]).size());
  }
  std::size_t lineWidth = 0;
  for (const std::size_t w : widths) lineWidth += w + 1;
  const auto cell = [&](std::size_t c, const std::string& text) {
    const std::string pad(widths[c] - std::min(widths[c], text.size()), ' ');
    return c == 0 ? text + pad + " " : " " + pad + text;
  };
  printDocument(m_, [&](ui::Printer& p) {
    p.setOrientation(ui::Orientation::Landscape);
    p.setFontName("courier new");
    // A character of Courier is 0.6 of its size: 12 twips a point.
    const double size = std::clamp(static_cast<double>(p.pageWidth()) / (12.0 * lineWidth), 5.0, 10.0);
    p.setFontSize(std::floor(size * 4) / 4);
    p.setFontBold(true);
    p.printLine("RIEPILOGO PER PROVINCIA");
    p.printLine("");
    for (std::size_t l = 0; l < headingLines; ++l) {
      std::string text;
      for (std::size_t c = 0; c < headings.size(); ++c) {
        const auto w = words(headings[c]);
        text += cell(c, l < w.size() ? w[l] : "");
      }
      p.printLine(text);
    }
    p.setFontBold(false);
    p.printLine(std::string(lineWidth, '-'));
    for (const auto& row : rows) {
      std::string text;
      for (std::size_t c = 0; c < row.size(); ++c) text += cell(c, row[c]);
      p.printLine(text);
    }
    p.endDoc();
  });
}

void FormRiepilogo::cmdesporta_Click() {
  const auto target = askTableTarget(m_, "Esporta il riepilogo");
  if (!target) return;
  runWithProgress(m_, "Esportazione del riepilogo in corso...",
                  [&](const GoOn&, const Finishing&) { writeTotalsFile(totals_, target->path, target->format); });
}

void FormRiepilogo::cmdchiudi_Click() { window().hide(); }

bool FormRiepilogo::onCloseRequest() { return true; }

}  // namespace krt
