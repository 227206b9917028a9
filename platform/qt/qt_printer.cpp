#include "platform/qt/qt_printer.h"

#include <QFile>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPrinterInfo>

#include "platform/qt/qt_platform.h"

namespace krt::qt {

QtPrinter::QtPrinter(const std::string& pdfPath) : printer_(QPrinter::HighResolution) {
  if (!pdfPath.empty()) {
    pdf_ = std::make_unique<ReplacementFile>(pdfPath);
    printer_.setOutputFormat(QPrinter::PdfFormat);
    printer_.setOutputFileName(QFile::decodeName(pdf_->tempPath().c_str()));
  }
  printer_.setDocName("Archivio K.R.T.");
  font_ = QFont("Courier New");
  font_.setStyleHint(QFont::Monospace);
  font_.setPointSizeF(10);
}

QtPrinter::~QtPrinter() {
  if (painter_ && painter_->isActive()) painter_->end();
}

bool QtPrinter::printerInstalled() { return !QPrinterInfo::availablePrinters().isEmpty(); }

QPainter& QtPrinter::painter() {
  if (!painter_) {
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(&printer_)) throw ui::PrintError("Impossibile avviare la stampa.");
    painter_->setFont(QFont(font_, &printer_));
  }
  return *painter_;
}

double QtPrinter::dev(int twips) const { return twips * printer_.resolution() / 1440.0; }

void QtPrinter::setFontName(std::string_view name) {
  const QString family = QString::fromStdString(std::string(name));
  font_.setFamily(family.compare("courier new", Qt::CaseInsensitive) == 0 ? QString("Courier New") : family);
  if (painter_) painter_->setFont(QFont(font_, &printer_));
}

void QtPrinter::setFontSize(double points) {
  font_.setPointSizeF(points);
  if (painter_) painter_->setFont(QFont(font_, &printer_));
}

void QtPrinter::setFontBold(bool bold) {
  font_.setBold(bold);
  if (painter_) painter_->setFont(QFont(font_, &printer_));
}

void QtPrinter::setOrientation(ui::Orientation o) {
  // The orientation belongs to the page; it takes effect before the first line.
  printer_.setPageOrientation(o == ui::Orientation::Portrait ? QPageLayout::Portrait : QPageLayout::Landscape);
}

void QtPrinter::setLineWidth(int dots) { lineWidth_ = dots; }

int QtPrinter::lineHeight() {
  const QFontMetricsF metrics(QFont(font_, &printer_), &printer_);
  return static_cast<int>(metrics.height() * 1440.0 / printer_.resolution() + 0.5);
}

int QtPrinter::pageHeight() {
  const QRect page = printer_.pageLayout().paintRectPixels(printer_.resolution());
  return static_cast<int>(page.height() * 1440.0 / printer_.resolution());
}

int QtPrinter::pageWidth() {
  const QRect page = printer_.pageLayout().paintRectPixels(printer_.resolution());
  return static_cast<int>(page.width() * 1440.0 / printer_.resolution());
}

void QtPrinter::newPage() {
  painter();  // the first page begins with the document
  if (!printer_.newPage()) throw ui::PrintError("Impossibile passare alla pagina successiva.");
  x_ = 0;
  y_ = 0;
}

void QtPrinter::printLine(std::string_view text) {
  QPainter& p = painter();
  const int h = lineHeight();
  if (y_ + h > pageHeight()) newPage();
  const QFontMetricsF metrics(p.font(), &printer_);
  p.drawText(QPointF(dev(x_), dev(y_) + metrics.ascent()), toQ(text));
  x_ = 0;
  y_ += h;
}

void QtPrinter::drawRect(int left, int top, int width, int height) {
  QPainter& p = painter();
  p.save();
  p.setPen(QPen(Qt::black, lineWidth_));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(dev(left), dev(top), dev(width), dev(height)));
  p.restore();
}

void QtPrinter::endDoc() {
  QPainter& p = painter();  // an empty document still makes a page
  if (!p.end()) throw ui::PrintError("La stampa non \xE8 stata completata.");
  if (printer_.printerState() == QPrinter::Error) throw ui::PrintError("La stampante ha segnalato un errore.");
  if (pdf_) pdf_->commit();
}

}  // namespace krt::qt
