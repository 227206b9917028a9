#include "print/printing.h"

#include "mainwin/modulo1.h"
#include "records/file_io.h"

namespace krt {
namespace {

// Prints the document on the printer (pdfPath empty) or into a PDF file,
// with the busy pointer shown: a long list takes a while.
void printOn(Modulo1& m, const std::string& pdfPath, const std::function<void(ui::Printer&)>& draw) {
  ui::BusyPointer busy(m.platform);
  auto printer = m.platform.createPrinter(pdfPath);
  draw(*printer);
}

// Asks for a PDF file and prints to it; false when the user declines.
void offerPdf(Modulo1& m, const std::string& why, const std::function<void(ui::Printer&)>& draw) {
  // No, Escape or the box's frame: nothing is printed.
  if (m.platform.messageBox(why + "\nVuoi salvare la stampa in un file PDF?", ui::Buttons::YesNo) != ui::Answer::Yes)
    return;
  const auto path =
      m.platform.saveFileDialog({m.paths.startFolder, "Salva la stampa come PDF", "File PDF (*.pdf)|*.pdf"});
  if (!path || path->empty() || m.refuseWorkFile(*path)) return;
  try {
    printOn(m, *path, draw);
  } catch (const ui::PrintError& e) {
    m.message("Impossibile creare il file PDF: " + e.message());
  } catch (const FileError& e) {
    m.reportFileError(e);  // the target is protected, or its folder takes no file
  }
}

}  // namespace

void printDocument(Modulo1& m, const std::function<void(ui::Printer&)>& draw) {
  if (!m.platform.hasPrinter()) {
    offerPdf(m, "Non \xE8 installata nessuna stampante.", draw);
    return;
  }
  try {
    printOn(m, {}, draw);
  } catch (const ui::PrintError& e) {
    offerPdf(m, "La stampa non \xE8 riuscita: " + e.message(), draw);
  }
}

}  // namespace krt
