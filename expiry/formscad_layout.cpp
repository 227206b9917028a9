#include "expiry/formscad.h"

namespace krt {

const ui::WindowDesc& formscadDesc() {
  using ui::Kind;
  static const ui::WindowDesc desc = [] {
    ui::WindowDesc s{"FormScad", "Scadenze dei documenti", 13800, 7440};
    ui::ControlDesc table{Kind::Table, "tscadenze",
                          "Cognome|Nome|Associazione|Provincia|Recapito|Documento|Scadenza|Stato", "", 120, 480,
                          13560, 6120};
    table.accessibleName = "Documenti scaduti o in scadenza";
    ui::ControlDesc none{Kind::Label, "lnessuno", "Nessun documento scaduto o in scadenza.", "", 120, 480, 13560,
                         375};
    ui::ControlDesc print{Kind::Button, "cmdstampa", "Stampa", "", 120, 6780, 1455, 495};
    ui::ControlDesc save{Kind::Button, "cmdesporta", "Esporta\x85", "Salva l'elenco come file xlsx o csv", 1695,
                         6780, 1455, 495};
    ui::ControlDesc close{Kind::Button, "cmdchiudi", "Chiudi", "", 12225, 6780, 1455, 495};
    s.controls = {
        {Kind::Label, "lintestazione", "", "", 120, 120, 13560, 300}, table, none, print, save, close,
    };
    return s;
  }();
  return desc;
}

}  // namespace krt
