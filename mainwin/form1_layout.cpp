#include "mainwin/form1.h"

namespace krt {

const ui::WindowDesc& form1Desc() {
  using ui::Kind;
  static const ui::WindowDesc desc = [] {
    ui::WindowDesc s{"Form1", "Profilo del volontario K.R.T.", 11790, 8010};
    ui::ControlDesc list{Kind::ListBox, "List1", "", "", 720, 360, 10455, 6150};
    list.font = {"Courier New", 8.25, false};
    list.accessibleName = "Elenco volontari";
    ui::ControlDesc search{Kind::TextBox, "tcerca", "", "", 720, 6840, 3735, 375};
    search.accessibleName = "Testo da cercare";
    search.enterClicks = "cmdcerca";
    ui::ControlDesc next{Kind::Button, "cmdprossimo", "Cerca successivo", "", 6240, 6840, 1215, 495};
    next.shortcut = "F3";
    ui::ControlDesc file{Kind::ListBox, "File1", "", "", 240, 1800, 375, 285};
    // The status line: the archive, the volunteers of the work copy, unsaved changes.
    // Screen readers read the panels' texts, and the archive's full path as
    // its description.
    const ui::ControlDesc archive{Kind::StatusPanel, "starchivio", "Nessun archivio aperto"};
    const ui::ControlDesc count{Kind::StatusPanel, "stvolontari", "0 volontari", "", 0, 0, 2100};
    const ui::ControlDesc changes{Kind::StatusPanel, "stmodifiche", "", "", 0, 0, 2400};
    s.controls = {
        list, search, {Kind::Button, "cmdcerca", "Cerca", "", 4800, 6840, 1215, 495}, next, file, archive, count, changes,
    };
    s.menu = {
        {"mnfile",
         "File",
         {{"mnapri", "Apri", {}, "Ctrl+O"},
          {"mnsalva", "Salva", {}, "Ctrl+S"},
          {"mnscn", "Salva con nome", {}, "Ctrl+Shift+S"},
          {"mnesci", "Esci", {}, "Ctrl+Q"}}},
        {"mnagg", "Aggiornamento", {{"mnins", "Nuovo inserimento", {}}}},
        {"mnverifica", "Verifica", {}},
        {"mnsel", "Selezione volontari", {}},
        {"mnaggiu", "Aggiungere un archivio", {}},
        {"mnstrumenti", "Strumenti", {{"mnriepilogo", "Riepilogo per provincia", {}},
          {"mnscadenze", "Scadenze dei documenti\x85", {}}}},
        {"mnhelp", "?", {}, "F1"},
    };
    return s;
  }();
  return desc;
}

}  // namespace krt
