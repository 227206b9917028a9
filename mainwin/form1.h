// The main window: the list of the work copy's volunteers, its search, and
// the menu of file commands and of the other windows.
#pragma once

#include <string>

#include "platform/form.h"

namespace krt {

class Modulo1;

// The window's description: caption, controls at their positions, menu.
const ui::WindowDesc& form1Desc();

class Form1 : public ui::Form {
 public:
  explicit Form1(Modulo1& m);

  void show() { window().show(); }

  // Start-up: work-file paths, modificato false, an empty work copy; or the
  // work copy a crashed run left, if the user takes it back.
  void Form_Load();

  // File menu.
  void mnapri_Click();
  void mnsalva_Click();
  void mnscn_Click();
  void mnesci_Click();
  // The user closes the window; false keeps the program open.
  bool Form_Unload();

  void mnins_Click();
  void mnverifica_Click();
  void mnsel_Click();
  void mnaggiu_Click();
  void mnriepilogo_Click();  // the totals of the whole work copy
  // "Scadenze dei documenti…": asks within how many days, then shows the
  // expiry window.
  void mnscadenze_Click();
  void mnhelp_Click();

  // The list and its search.
  void cmdcerca_Click();
  void cmdprossimo_Click();
  void List1_Click();

  // Refills List1 with the key of every line of the work copy (and counts
  // them for the status line).
  void ReloadList();

  // The status line: the archive's file name (its full path as the tool
  // tip) or "Nessun archivio aperto", the volunteers of the work copy,
  // "Modifiche non salvate" while modificato is set.
  void showStatus();

  bool onCloseRequest() override { return Form_Unload(); }

  const std::string& testo_cerca() const { return testo_cerca_; }

 private:
  enum class SaveResult { Saved, Cancelled, Failed };

  // The save offered at exit (and before "Apri" discards changes): asks for
  // a name, writes every line of the work copy, blank lines included.
  SaveResult saveAtExit();
  // "Salva con nome": asks for a name, copies the work copy byte for byte.
  SaveResult saveAs();
  // Asks "Vuoi salvare le modifiche?" when there are unsaved changes;
  // true when the caller may go on and discard the work copy.
  bool offerToSave(ui::Buttons buttons);
  ui::FileRequest saveRequest() const;
  // The normal end of the program.
  void end();

  // The first entry from `from` on that holds the searched text (upper-cased
  // both), or -1. The entries are read from the list's lines: none is
  // selected or drawn on the way, so the list stays shown meanwhile.
  int findFrom(int from);
  // Shows the list again with the entry the search stopped on selected,
  // the found one at the top; tells when nothing was found.
  void endSearch(int from, int found);

  Modulo1& m_;
  std::string testo_cerca_;
  // The next click of the list comes from the search: it opens nothing.
  bool salta_click_ = false;
};

}  // namespace krt
