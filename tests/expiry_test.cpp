// The document expiry watch: how an expiry date is read and what status it
// gets against a day and a number of days ahead.
#include "export/expiry.h"
#include "support.h"
#include "xlsx_dump.h"

namespace krt::test {
namespace {

using Names = std::vector<std::string>;
using ExpiryDates = TempDirTest;

TEST_F(ExpiryDates, EachDateReadAndJudgedAgainstTheDayAndTheDaysAhead) {
  const struct { const char *expiry, *today; int days; const char* status; /* "" for no row */ } cases[] = {
      // 0 days: today alone is "in scadenza"; yesterday expired; tomorrow nothing.
      {"31/12/2026", "2026-12-31", 0, "IN SCADENZA"}, {"30/12/2026", "2026-12-31", 0, "SCADUTO"},
      {"1/1/2027", "2026-12-31", 0, ""}, {"1/1/2027", "2026-12-31", 1, "IN SCADENZA"},
      // From a month's end: 31 January + 30 days is 2 March.
      {"2.3.2025", "2025-01-31", 30, "IN SCADENZA"}, {"3.3.2025", "2025-01-31", 30, ""},
      {"1-3-2024", "2024-02-29", 1, "IN SCADENZA"},
      // Leap days: every fourth year, not a century unless it divides by 400.
      {"29/02/2024", "2024-02-29", 0, "IN SCADENZA"}, {"29/02/2000", "2024-01-01", 0, "SCADUTO"},
      // Two-digit years: 69-99 in the 1900s, 00-68 in the 2000s.
      {"1/1/69", "1970-01-01", 0, "SCADUTO"}, {"31/12/68", "2068-12-01", 30, "IN SCADENZA"},
      {"5/6/00", "2000-06-05", 0, "IN SCADENZA"},
      // Blanks around the date are not part of it.
      {" 1/1/2020 ", "2020-01-01", 0, "IN SCADENZA"}};
  // The status and date of the one row, or "" for none.
  const auto rowOf = [&](const char* expiry, const char* today, int days) {
    writeFile(path("a.txt"), crlf({line({{"cognome", "ROSSI"}, {"patente", "B"}, {"patente_scadenza", expiry}})}));
    const auto rows = expiryRows(path("a.txt"), readIsoDate(today).value(), days);
    return rows.size() == 1 ? std::string(statusText(rows[0].stato)) + " " + std::string(rows[0].scadenza()) : "";
  };
  for (const auto& [expiry, today, days, status] : cases)
    EXPECT_EQ(rowOf(expiry, today, days), *status ? status + (" " + std::string(trimBlanks(expiry))) : "")
        << expiry << " on " << today << " +" << days;
  // Days that are not in the calendar; the same separator twice, one of three;
  // digits where they belong.
  for (const char* bad : {"29/02/2023", "29-02-1900", "31/04/2025", "0/1/2025", "1/13/2025", "1/2-2025", "1.2/2025",
                          "1,2,2025", "1/1/202", "1/1/20255", "123/1/2025", "1/001/2025", "1 /1/2025", "2025-01-01",
                          "+1/1/2025", "SCADUTA"})
    EXPECT_EQ(rowOf(bad, "2020-01-01", 0), std::string("DATA NON VALIDA ") + bad);
  // The day given to the batch tool: AAAA-MM-GG and a day of the calendar.
  for (const char* bad : {"2025-02-29", "2025-1-01", "01-01-2025", "2025/01/01", "2025-13-01", "20250101", ""})
    EXPECT_FALSE(readIsoDate(bad)) << bad;
  EXPECT_EQ(formatDate(*readIsoDate("2024-02-29")), "29/02/2024");
}

// "Scadenze dei documenti…": the rows of the work copy computed at each
// activation, a row opening its volunteer, the print and the exports. The
// question itself, and Cancel on it, are proven on the real dialog.
using ExpiryWindow = AppTest;

TEST_F(ExpiryWindow, RowsOfTheWorkCopyAtEachActivationAndTheEditorFromARow) {
  const DayNumber today = localToday();
  const auto who = [](const char* cognome, const char* document, const std::string& expiry) {
    return line({{"provincia", "ROMA"}, {"associazione", "RADIO CLUB ROMA"}, {"cognome", cognome}, {"nome", "ANNA"},
                 {"recapito", "06 1"}, {"patente", "B"}, {"passaporto", "SI"}, {document, expiry}});
  };
  const std::string rossi = who("ROSSI", "passaporto_scadenza", formatDate(today + 10)),
                    verdi = who("VERDI", "patente_scadenza", formatDate(today - 1)),
                    neri = who("NERI", "patente_scadenza", formatDate(today + 31)),
                    gialli = who("GIALLI", "patente_scadenza", "31/02/2020");
  openArchive(crlf({gialli, neri, rossi, verdi}));
  ui.giveNumber(30);
  main().click("mnscadenze");
  auto& w = win("FormScad");
  const auto rows = [&] {
    Names out;
    for (int i = 0; i < w.control("tscadenze").itemCount(); ++i) out.push_back(w.control("tscadenze").item(i));
    return out;
  };
  const std::string ann = "\tANNA\tRADIO CLUB ROMA\tROMA\t06 1\t";
  EXPECT_EQ(rows(), (Names{"VERDI" + ann + "patente\t" + formatDate(today - 1) + "\tSCADUTO",
                           "ROSSI" + ann + "passaporto\t" + formatDate(today + 10) + "\tIN SCADENZA",
                           "GIALLI" + ann + "patente\t31/02/2020\tDATA NON VALIDA"}));
  const std::string heading = "Documenti scaduti o in scadenza entro 30 giorni dal " + formatDate(today);
  EXPECT_EQ(w.control("lintestazione").text(), heading);
  EXPECT_TRUE(w.isVisible() && w.control("tscadenze").visible() && !w.control("lnessuno").visible());

  // A row chosen: its volunteer in the editor, as a click on the main list.
  w.pick("tscadenze", 1);
  EXPECT_EQ((std::tuple{m->record.toLine(), m->modo, win("Form4").isVisible()}), (std::tuple{rossi, "m", true}));

  // Printed in landscape under the heading.
  w.click("cmdstampa");
  const auto& calls = ui.printed.back().calls;
  EXPECT_TRUE(std::ranges::count(calls, "landscape") && calls.back() == "end" &&
              std::ranges::any_of(calls, [&](const std::string& c) { return c.ends_with(heading); }));

  // Exported with the batch tool's columns: a CSV file, and a workbook whose
  // name takes its ending from the filter chosen.
  for (const char* file : {"scadenze.csv", "scadenze"}) {
    ui.chooseFile(path(file));
    w.click("cmdesporta");
  }
  const std::string row = "ROMA;RADIO CLUB ROMA;";
  EXPECT_EQ(readFile(path("scadenze.csv")),
            "\xEF\xBB\xBFprovincia;associazione;cognome;nome;recapito;documento;scadenza;stato\r\n" + row +
                "VERDI;ANNA;06 1;patente;" + formatDate(today - 1) + ";SCADUTO\r\n" + row + "ROSSI;ANNA;06 1;passaporto;" +
                formatDate(today + 10) + ";IN SCADENZA\r\n" + row + "GIALLI;ANNA;06 1;patente;31/02/2020;DATA NON VALIDA\r\n");
  const std::string sheet = xlsxDump(path("scadenze.xlsx"));
  EXPECT_EQ(sheet.substr(0, sheet.find('\n')), "1 Scadenze A2 A1:H4 True");
  EXPECT_NE(sheet.find("s:GIALLI|s:ANNA|s:06 1|s:patente|s:31/02/2020|s:DATA NON VALIDA"), std::string::npos) << sheet;

  // Back to the window after a change: the rows are read again.
  setWorkCopy(crlf({neri}));
  ui.activate(main());
  ui.activate(w);
  EXPECT_TRUE(rows().empty() && !w.control("tscadenze").visible() && w.control("lnessuno").visible());
  EXPECT_EQ(w.control("lnessuno").text(), "Nessun documento scaduto o in scadenza.");
  ui.giveNumber(31);  // asked again with the window open: the new days at once
  main().click("mnscadenze");
  EXPECT_EQ(rows().size(), 1u);
  w.click("cmdchiudi");
  EXPECT_TRUE(!w.isVisible() && ui.scriptsUsed());
}

}  // namespace
}  // namespace krt::test
