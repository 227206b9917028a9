#!/usr/bin/env python3
"""Checks the demo files: line format of archivio.txt, province.dat and
associazioni.dat, then applies the 38 data rules of the program's
"Verifica" to every volunteer and prints the report as verifica.txt
would hold it.

    python3 demo/tools/check_demo.py [archive]
"""
import os
import re
import sys

DEMO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ENC = "cp1252"

WIDTHS = [20, 40, 25, 25, 40, 5, 40, 4, 5, 4, 5, 4, 4, 1, 3, 2, 2, 35, 30, 30,
          2, 30, 10, 10, 2, 30, 10, 10, 50, 40, 5, 40, 4, 35, 1, 2, 1, 2, 1, 2,
          1, 2, 2, 2, 2, 2, 2, 2, 2, 14, 14, 40, 2, 2, 2, 2, 2, 8, 2, 2, 8, 40,
          40, 3]
NAMES = """provincia associazione cognome nome via cap citta prov_residenza
tessera_krt anno_krt tessera_tov anno_tov anno_nascita qualifica livello
segreteria krt_mare recapito spec_associazione spec_professionale patente
patente_rilasciata_da patente_data patente_scadenza passaporto
passaporto_rilasciato_da passaporto_data passaporto_scadenza ditta ditta_via
ditta_cap ditta_citta ditta_provincia ditta_recapito disp_1g ore_1g disp_3g
ore_3g disp_3g_fuori ore_3g_fuori disp_1s_fuori ore_1s_fuori ore_2s_fuori
veicolare_27 palmare_27 veicolare_43 palmare_43 veicolare_vhf palmare_vhf
altro_1 altro_2 attrezzature packet packet_incluso stazione_campale
giorni_corso autovettura targa gancio posti_letto targa_camper
note_provinciale note_nazionale riservato""".split()
assert len(NAMES) == 64 and sum(WIDTHS) == 809


def parse(line):
    rec, pos = {}, 0
    for name, w in zip(NAMES, WIDTHS):
        rec[name] = line[pos:pos + w].ljust(w)
        pos += w
    return rec


NUM = re.compile(r"^[+-]?(\d[\d.,]*|[.,]\d+)([eE][+-]?\d+)?$")


def numeric(text):
    return bool(NUM.match(text.strip(" ")))


def blank(text):
    return text.strip(" ") == ""


def read_lines(path):
    with open(path, encoding=ENC, newline="") as f:
        data = f.read()
    problems = []
    if data and not data.endswith("\r\n"):
        problems.append("%s: l'ultima riga non termina con CR LF" % path)
    body = data[:-2] if data.endswith("\r\n") else data
    lines = body.split("\r\n") if data else []
    if any("\n" in l or "\r" in l for l in lines):
        problems.append("%s: fine riga diversa da CR LF" % path)
    return lines, problems


def check_record(r):
    msgs = []
    add = msgs.append
    yn = ("  ", "SI", "NO")
    if blank(r["provincia"]): add("Manca provincia")
    if blank(r["associazione"]): add("Manca associazione")
    if blank(r["cognome"]): add("Manca cognome")
    if blank(r["nome"]): add("Manca nome")
    if blank(r["via"]): add("Manca via volontario")
    if blank(r["cap"]): add("Manca CAP volontario.")
    if not numeric(r["cap"]): add("CAP residenza volontario errato")
    if blank(r["citta"]): add("Manca città volontario")
    if blank(r["prov_residenza"]): add("Manca provincia di residenza volontario.")
    if not blank(r["tessera_krt"]) and not numeric(r["tessera_krt"]): add("Numero KRT errato")
    if not blank(r["anno_krt"]) and not numeric(r["anno_krt"]): add("Anno KRT errato")
    if not numeric(r["anno_nascita"]): add("Anno nascita errato")
    if r["qualifica"] not in ("O", "C"): add("Qualifica errata o mancante")
    if r["livello"] not in ("COL", "COM", "OR ", "COC"): add("Livello errato o mancante")
    if r["segreteria"] not in yn: add("Esperienza segreteria errata o mancante.")
    if r["krt_mare"] not in yn: add("Iscritto KRTMARE errato o mancante.")
    if blank(r["recapito"]): add("Manca recapito volontario per urgenze")
    if r["patente"] not in ("A ", "AS", "B ", "BS", "C ", "CS", "D ", "DS",
                            "E ", "F ", "NO", "  "):
        add("Patente tipo o NO errato")
    if r["passaporto"] not in yn: add("Passaporto SI o NO errato")
    # availability group
    four = ("ore_1g", "ore_3g", "ore_3g_fuori", "ore_1s_fuori")
    if all(blank(r[f]) for f in four):
        add("Disponibilità mancante, almeno una obbligatoria. ")
    elif not any(numeric(r[f]) for f in four + ("ore_2s_fuori",)):
        add("Disponibilità mancante o errata, almeno una obbligatoria. ")
    else:
        m1 = "Disponibilità 1 giorno nella propria provincia/regione mancante o errato"
        if r["ore_1g"] != "NO":
            if not (blank(r["ore_1g"]) or numeric(r["ore_1g"])): add(m1)
            if r["disp_1g"] not in ("P", "R", " "): add(m1)
        for ore, disp, msg in (
                ("ore_3g", "disp_3g", "Disponibilità 3 giorni nella propria provincia/regione mancante o errato"),
                ("ore_3g_fuori", "disp_3g_fuori", "Disponibilità 3 giorni fuori provincia/regione mancante o errato"),
                ("ore_1s_fuori", "disp_1s_fuori", "Disponibilità 1 settimana fuori provincia/regione mancante o errato")):
            if not blank(r[ore]) and r[ore] != "NO":
                if not numeric(r[ore]): add(msg)
                if r[disp] not in ("P", "R", " "): add(msg)
        if not blank(r["ore_2s_fuori"]) and r["ore_2s_fuori"] != "NO":
            if not numeric(r["ore_2s_fuori"]):
                add("Disponibilità 2 settimane fuori provincia mancante o errato")
    for f, what in (("veicolare_27", "veicolare in 27 MHz"), ("palmare_27", "portatili in 27 MHz"),
                    ("veicolare_43", "veicolare in 43 MHz"), ("palmare_43", "portatili in 43 MHz"),
                    ("veicolare_vhf", "veicolare in VHF/UHF"), ("palmare_vhf", "portatili in VHF/UHF")):
        if not blank(r[f]) and not numeric(r[f]):
            add("Disponibilità %s mancante o errato" % what)
    if r["packet"] not in yn: add("Attrezzatura packet radio SI o NO errato")
    if r["packet_incluso"] not in yn: add("Attrezzatura packet radio SI o NO errato")
    if r["stazione_campale"] not in yn: add("Stazione campale SI o NO errato")
    if r["autovettura"] not in yn: add("Autovettura SI o NO errato")
    if r["gancio"] not in yn: add("Disponibilità gancio SI o NO errato")
    if not blank(r["posti_letto"]) and not numeric(r["posti_letto"]):
        add("Disponibilità letti mancante o errato")
    if not blank(r["giorni_corso"]) and not numeric(r["giorni_corso"]):
        add("Numero giorni di corso seguiti mancante o errato")
    return msgs


def main():
    archive = sys.argv[1] if len(sys.argv) > 1 else os.path.join(DEMO, "archivio.txt")
    problems = []
    prov, p1 = read_lines(os.path.join(DEMO, "province.dat"))
    assoc, p2 = read_lines(os.path.join(DEMO, "associazioni.dat"))
    lines, p3 = read_lines(archive)
    problems += p1 + p2 + p3
    problems += ["province.dat riga %d: lunghezza %d" % (i + 1, len(l))
                 for i, l in enumerate(prov) if len(l) != 44]
    problems += ["associazioni.dat riga %d: lunghezza %d" % (i + 1, len(l))
                 for i, l in enumerate(assoc) if len(l) != 44]
    if [l[:20] for l in prov] != sorted((l[:20] for l in prov), key=lambda s: s.encode(ENC)):
        problems.append("province.dat non è in ordine alfabetico")
    sigle = {l[20:24]: l[:20] for l in prov}
    names = {l[:20] for l in prov}
    assoc_set = {(l[:40], l[40:44]) for l in assoc}
    problems += ["associazioni.dat: sigla sconosciuta %r" % l[40:44]
                 for l in assoc if l[40:44] not in sigle]
    problems += ["archivio riga %d: lunghezza %d" % (i + 1, len(l))
                 for i, l in enumerate(lines) if len(l) != 809]
    keys = [l[:110].encode(ENC) for l in lines]
    if keys != sorted(keys):
        problems.append("archivio non ordinato per chiave")
    if len(set(keys)) != len(keys):
        problems.append("archivio con chiavi doppie")
    sigla_by_name = {v: k for k, v in sigle.items()}
    for i, l in enumerate(lines):
        r = parse(l)
        if r["provincia"] not in names:
            problems.append("riga %d: provincia %r non in province.dat" % (i + 1, r["provincia"]))
        elif (r["associazione"], sigla_by_name[r["provincia"]]) not in assoc_set:
            problems.append("riga %d: associazione %r non della provincia" % (i + 1, r["associazione"]))
        if r["riservato"] != "   ":
            problems.append("riga %d: riservato non vuoto" % (i + 1))
        if l != l.upper():
            low = [n for n in NAMES if r[n] != r[n].upper()]
            print("riga %d: minuscole nei campi %s" % (i + 1, ", ".join(low)))
    for p in problems:
        print("PROBLEMA:", p)
    print("Formato: %d province, %d associazioni, %d volontari, %s" % (
        len(prov), len(assoc), len(lines), "ok" if not problems else "%d problemi" % len(problems)))
    faulty = 0
    print("\n--- verifica.txt atteso ---")
    for l in lines:
        msgs = check_record(parse(l))
        if msgs:
            faulty += 1
            print()
            print(l[20:110])
            for m in msgs:
                print(m)
    print("--- %d volontari con errori, %d senza ---" % (faulty, len(lines) - faulty))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
