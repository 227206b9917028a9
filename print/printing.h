// Sending a document to the printer, with the way out when there is none:
// the user is told and may save the pages as a PDF file instead.
#pragma once

#include <functional>

#include "platform/ui.h"

namespace krt {

class Modulo1;

// Draws the document with `draw` (which ends it with endDoc) on the default
// printer. With no printer installed, or when printing fails, the user is
// told so and may choose a PDF file to print to instead. Never throws.
void printDocument(Modulo1& m, const std::function<void(ui::Printer&)>& draw);

}  // namespace krt
