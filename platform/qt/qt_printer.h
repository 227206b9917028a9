// The printer: QPainter on QPrinter, positions in twips converted by the
// printer's own resolution.
#pragma once

#include <QFont>
#include <QPainter>
#include <QPrinter>
#include <memory>
#include <string>

#include "platform/ui.h"
#include "records/file_io.h"

namespace krt::qt {

class QtPrinter : public ui::Printer {
 public:
  // The default printer, or a PDF file when pdfPath is not empty: the PDF
  // is written beside it and replaces it only once complete (a protected
  // or unusable target throws FileError before anything is drawn).
  explicit QtPrinter(const std::string& pdfPath);
  ~QtPrinter() override;

  static bool printerInstalled();

  void setFontName(std::string_view name) override;
  void setFontSize(double points) override;
  void setFontBold(bool bold) override;
  void setOrientation(ui::Orientation orientation) override;
  void setLineWidth(int dots) override;
  int currentX() const override { return x_; }
  int currentY() const override { return y_; }
  void setCurrentX(int twips) override { x_ = twips; }
  void setCurrentY(int twips) override { y_ = twips; }
  void printLine(std::string_view text) override;
  void drawRect(int left, int top, int width, int height) override;
  int pageWidth() override;
  int pageHeight() override;
  int lineHeight() override;
  void newPage() override;
  void endDoc() override;

 private:
  QPainter& painter();  // begins the document on first use
  double dev(int twips) const;

  std::unique_ptr<ReplacementFile> pdf_;  // outlives the printer that writes it
  QPrinter printer_;
  std::unique_ptr<QPainter> painter_;
  QFont font_;
  int lineWidth_ = 1;
  int x_ = 0;
  int y_ = 0;
};

}  // namespace krt::qt
