#include "verify/formv.h"

#include "mainwin/modulo1.h"
#include "print/printing.h"
#include "records/file_io.h"

namespace krt {

formv::formv(Modulo1& m) : m_(m) {
  using ui::Event;
  on("stampa", Event::Click, [this] { stampa_Click(); });
  on("esci", Event::Click, [this] { esci_Click(); });
  createWindow(m_.platform, formvDesc());
}

void formv::setReport(std::string title, std::string path) {
  title_ = std::move(title);
  path_ = std::move(path);
}

// The window is loaded by its first show(), which also makes it the active
// window, and the report is known only from then on: the activation's fill
// is the load's fill as well. (Filling at load and again at the activation
// that follows would read the same file twice and repeat the overflow
// message.)
void formv::Form_Activate() { fill(); }

void formv::fill() {
  ui::Control& list = control("List1");
  bool tooMany = false;
  bool unreadable = false;
  std::string why;
  {
    ui::BusyPointer busy(m_.platform);
    list.setToolTip("");
    list.setFontSize(10);
    list.clearItems();
    ui::LineStore lines;
    lines.add(title_);
    lines.add("");
    int contatore = 2;
    try {
      LineReader in(path_);
      std::string_view line;
      while (in.nextView(line)) {
        if (contatore > kListLimit) {
          tooMany = true;
          break;
        }
        lines.add(line);
        ++contatore;
      }
    } catch (const FileError& e) {
      unreadable = true;
      why = e.userMessage();
    }
    list.setItems(std::move(lines));
  }
  if (tooMany) m_.message("Spazio insufficente per troppi errori. Sistemare gli errori segnalati.");
  if (unreadable) m_.message("Il rapporto della verifica non si pu\xF2 mostrare.\n" + why);
}

void formv::stampa_Click() {
  ui::Control& list = control("List1");
  printDocument(m_, [&](ui::Printer& printer) {
    printer.setFontName("courier new");
    printer.setFontSize(12);
    printer.setOrientation(ui::Orientation::Portrait);
    const int count = list.itemCount();
    for (int i = 0; i < count; ++i) printer.printLine(list.item(i));
    printer.endDoc();
  });
}

void formv::esci_Click() {
  window().hide();
  m_.unloadViewer();
}

bool formv::onCloseRequest() {
  esci_Click();
  return true;
}

}  // namespace krt
