// The volunteer editor: one volunteer on a tabbed window, for first entry
// (modo "i") or for correction and removal of a stored volunteer (modo "m").
//
// The editor keeps no data of its own: every activation fills it from the
// current record, and its buttons take the controls back into the current
// record and rewrite the work copy.
#pragma once

#include <string>

#include "platform/form.h"
#include "records/fixed_text.h"

namespace krt {

class Modulo1;

// The window's description: every control with its caption, hint, font,
// colours and position.
const ui::WindowDesc& form4Desc();

class Form4 : public ui::Form {
 public:
  explicit Form4(Modulo1& m);

  // Makes the editor visible and active (which repopulates it).
  void show() { window().show(); }

  // Population.
  void Form_Load();
  void Form_Activate();
  void PopulateEditor(bool withAvailability);

  // The province and association choices and their guards.
  void Combo2_Click();
  void Combo2_LostFocus();
  void Combo3_LostFocus();

  // The buttons.
  void Command2_Click();   // "Registra"
  void modifica_Click();   // "Modifica"
  void elimina_Click();    // "Elimina"
  void Command1_Click();   // "Esci"
  void cmdstampa_Click();  // "Stampa"

  // Takes every control into the current record; false (after telling the
  // user) when the province, the association or the name is missing.
  bool ReadEditorFields();

  void onActivate() override { Form_Activate(); }
  bool onCloseRequest() override;

  std::string_view provincia_caricata() const { return provincia_caricata_.view(); }
  std::string_view associazione_caricata() const { return associazione_caricata_.view(); }

 private:
  // Empties the entry fields: every text box and the choices that do not
  // carry over to the next volunteer.
  void emptyEntryFields();
  void fillFixedChoices(bool withAvailability);
  void fillFromRecord();
  void showButtons(bool storedVolunteer);

  // "Registra": the pass that inserts the new line at its sorted place.
  bool insertSorted(const std::string& nuova_riga);
  // "Modifica" (a new line) and "Elimina" (none): rewrites the work copy with
  // every line of the volunteer shown replaced or left out. False, with the
  // work copy untouched, when no stored line is that volunteer or a file
  // fails.
  bool replaceVolunteer(const std::string* nuova_riga);
  bool isVolunteerShown(std::string_view line) const;

  Modulo1& m_;
  FixedText<24> provincia_caricata_;
  FixedText<40> associazione_caricata_;
};

}  // namespace krt
