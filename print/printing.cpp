#include "print/printing.h"

#include "mainwin/modulo1.h"
#include "records/file_io.h"

namespace krt {
namespace {

// Asks for a PDF file and prints to it; false when the user declines.
void offerPdf(Modulo1& m, const std::string& why, const std::function<void(ui::Printer&)>& draw) {
  // No, Escape or the box's frame: nothing is printed.
  if (m.platform.messageBox(why + "\nVuoi salvare la stampa in un file PDF?", ui::Buttons::YesNo) != ui::Answer::Yes)
    return;
  const auto path =
      m.platform.saveFileDialog({m.paths.startFolder, "Salva la stampa come PDF", "File PDF (*.pdf)|*.pdf"});
  if (!path || path->empty()) return;
  try {
    auto printer = m.platform.createPrinter(*path);
    draw(*printer);
  } catch (const ui::PrintError& e) {
    m.message("Impossibile creare il file PDF: " + e.message());
  }
}

}  // namespace

void printDocument(Modulo1& m, const std::function<void(ui::Printer&)>& draw) {
  if (!m.platform.hasPrinter()) {
    offerPdf(m, "Non \xE8 installata nessuna stampante.", draw);
    return;
  }
  try {
    auto printer = m.platform.createPrinter({});
    draw(*printer);
  } catch (const ui::PrintError& e) {
    offerPdf(m, "La stampa non \xE8 riuscita: " + e.message(), draw);
  }
}

}  // namespace krt
