#!/usr/bin/env python3
"""Builds the demo data of the K.R.T. register: province.dat,
associazioni.dat and archivio.txt (fictional volunteers).

Run from anywhere:  python3 demo/tools/make_demo.py
All files are written next to this script's parent folder (demo/),
in cp1252 with CR LF line ends, as the program reads them.
"""
import os
import random

DEMO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ENC = "cp1252"

# ---------------------------------------------------------------------------
# Provinces: (name, abbreviation, region). Names longer than 20 characters
# are cut by the fixed-width format.
PROVINCE = [
    # Abruzzo
    ("CHIETI", "CH", "ABRUZZO"), ("L'AQUILA", "AQ", "ABRUZZO"),
    ("PESCARA", "PE", "ABRUZZO"), ("TERAMO", "TE", "ABRUZZO"),
    # Basilicata
    ("MATERA", "MT", "BASILICATA"), ("POTENZA", "PZ", "BASILICATA"),
    # Calabria
    ("CATANZARO", "CZ", "CALABRIA"), ("COSENZA", "CS", "CALABRIA"),
    ("CROTONE", "KR", "CALABRIA"), ("REGGIO CALABRIA", "RC", "CALABRIA"),
    ("VIBO VALENTIA", "VV", "CALABRIA"),
    # Campania
    ("AVELLINO", "AV", "CAMPANIA"), ("BENEVENTO", "BN", "CAMPANIA"),
    ("CASERTA", "CE", "CAMPANIA"), ("NAPOLI", "NA", "CAMPANIA"),
    ("SALERNO", "SA", "CAMPANIA"),
    # Emilia-Romagna
    ("BOLOGNA", "BO", "EMILIA-ROMAGNA"), ("FERRARA", "FE", "EMILIA-ROMAGNA"),
    ("FORLÌ-CESENA", "FC", "EMILIA-ROMAGNA"), ("MODENA", "MO", "EMILIA-ROMAGNA"),
    ("PARMA", "PR", "EMILIA-ROMAGNA"), ("PIACENZA", "PC", "EMILIA-ROMAGNA"),
    ("RAVENNA", "RA", "EMILIA-ROMAGNA"), ("REGGIO EMILIA", "RE", "EMILIA-ROMAGNA"),
    ("RIMINI", "RN", "EMILIA-ROMAGNA"),
    # Friuli-Venezia Giulia
    ("GORIZIA", "GO", "FRIULI-VENEZIA GIULIA"), ("PORDENONE", "PN", "FRIULI-VENEZIA GIULIA"),
    ("TRIESTE", "TS", "FRIULI-VENEZIA GIULIA"), ("UDINE", "UD", "FRIULI-VENEZIA GIULIA"),
    # Lazio
    ("FROSINONE", "FR", "LAZIO"), ("LATINA", "LT", "LAZIO"), ("RIETI", "RI", "LAZIO"),
    ("ROMA", "RM", "LAZIO"), ("VITERBO", "VT", "LAZIO"),
    # Liguria
    ("GENOVA", "GE", "LIGURIA"), ("IMPERIA", "IM", "LIGURIA"),
    ("LA SPEZIA", "SP", "LIGURIA"), ("SAVONA", "SV", "LIGURIA"),
    # Lombardia
    ("BERGAMO", "BG", "LOMBARDIA"), ("BRESCIA", "BS", "LOMBARDIA"),
    ("COMO", "CO", "LOMBARDIA"), ("CREMONA", "CR", "LOMBARDIA"),
    ("LECCO", "LC", "LOMBARDIA"), ("LODI", "LO", "LOMBARDIA"),
    ("MANTOVA", "MN", "LOMBARDIA"), ("MILANO", "MI", "LOMBARDIA"),
    ("MONZA E BRIANZA", "MB", "LOMBARDIA"), ("PAVIA", "PV", "LOMBARDIA"),
    ("SONDRIO", "SO", "LOMBARDIA"), ("VARESE", "VA", "LOMBARDIA"),
    # Marche
    ("ANCONA", "AN", "MARCHE"), ("ASCOLI PICENO", "AP", "MARCHE"),
    ("FERMO", "FM", "MARCHE"), ("MACERATA", "MC", "MARCHE"),
    ("PESARO E URBINO", "PU", "MARCHE"),
    # Molise
    ("CAMPOBASSO", "CB", "MOLISE"), ("ISERNIA", "IS", "MOLISE"),
    # Piemonte
    ("ALESSANDRIA", "AL", "PIEMONTE"), ("ASTI", "AT", "PIEMONTE"),
    ("BIELLA", "BI", "PIEMONTE"), ("CUNEO", "CN", "PIEMONTE"),
    ("NOVARA", "NO", "PIEMONTE"), ("TORINO", "TO", "PIEMONTE"),
    ("VERBANO-CUSIO-OSSOLA", "VB", "PIEMONTE"), ("VERCELLI", "VC", "PIEMONTE"),
    # Puglia
    ("BARI", "BA", "PUGLIA"), ("BARLETTA-ANDRIA-TRANI", "BT", "PUGLIA"),
    ("BRINDISI", "BR", "PUGLIA"), ("FOGGIA", "FG", "PUGLIA"),
    ("LECCE", "LE", "PUGLIA"), ("TARANTO", "TA", "PUGLIA"),
    # Sardegna
    ("CAGLIARI", "CA", "SARDEGNA"), ("NUORO", "NU", "SARDEGNA"),
    ("ORISTANO", "OR", "SARDEGNA"), ("SASSARI", "SS", "SARDEGNA"),
    ("SUD SARDEGNA", "SU", "SARDEGNA"),
    # Sicilia
    ("AGRIGENTO", "AG", "SICILIA"), ("CALTANISSETTA", "CL", "SICILIA"),
    ("CATANIA", "CT", "SICILIA"), ("ENNA", "EN", "SICILIA"),
    ("MESSINA", "ME", "SICILIA"), ("PALERMO", "PA", "SICILIA"),
    ("RAGUSA", "RG", "SICILIA"), ("SIRACUSA", "SR", "SICILIA"),
    ("TRAPANI", "TP", "SICILIA"),
    # Toscana
    ("AREZZO", "AR", "TOSCANA"), ("FIRENZE", "FI", "TOSCANA"),
    ("GROSSETO", "GR", "TOSCANA"), ("LIVORNO", "LI", "TOSCANA"),
    ("LUCCA", "LU", "TOSCANA"), ("MASSA-CARRARA", "MS", "TOSCANA"),
    ("PISA", "PI", "TOSCANA"), ("PISTOIA", "PT", "TOSCANA"),
    ("PRATO", "PO", "TOSCANA"), ("SIENA", "SI", "TOSCANA"),
    # Trentino-Alto Adige
    ("BOLZANO", "BZ", "TRENTINO-ALTO ADIGE"), ("TRENTO", "TN", "TRENTINO-ALTO ADIGE"),
    # Umbria
    ("PERUGIA", "PG", "UMBRIA"), ("TERNI", "TR", "UMBRIA"),
    # Valle d'Aosta
    ("AOSTA", "AO", "VALLE D'AOSTA"),
    # Veneto
    ("BELLUNO", "BL", "VENETO"), ("PADOVA", "PD", "VENETO"),
    ("ROVIGO", "RO", "VENETO"), ("TREVISO", "TV", "VENETO"),
    ("VENEZIA", "VE", "VENETO"), ("VERONA", "VR", "VENETO"),
    ("VICENZA", "VI", "VENETO"),
]

# Town used in the association names where the province name is long.
CAPOLUOGO = {
    "BARLETTA-ANDRIA-TRANI": "BARLETTA", "VERBANO-CUSIO-OSSOLA": "VERBANIA",
    "MONZA E BRIANZA": "MONZA", "PESARO E URBINO": "PESARO",
    "FORLÌ-CESENA": "FORLÌ", "MASSA-CARRARA": "MASSA",
    "SUD SARDEGNA": "CARBONIA", "REGGIO CALABRIA": "REGGIO CALABRIA",
    "REGGIO EMILIA": "REGGIO EMILIA", "ASCOLI PICENO": "ASCOLI PICENO",
    "VIBO VALENTIA": "VIBO VALENTIA",
}

ASSOC_TEMPLATES = [
    "RADIO CLUB CB {}",
    "GRUPPO RADIO SOCCORSO {}",
    "ASSOCIAZIONE RADIOAMATORI {}",
    "C.B. CLUB {}",
    "RADIO EMERGENZA {}",
    "GRUPPO RADIO CB {}",
    "ASSOCIAZIONE RADIO CB {}",
    "RADIO SOCCORSO {}",
]


def fit(text, width):
    """Fixed-width assignment: pad with blanks or cut."""
    return text[:width].ljust(width)


def province_lines():
    rows = sorted(PROVINCE, key=lambda p: fit(p[0], 20).encode(ENC))
    return [fit(n, 20) + fit(s, 4) + fit(r, 20) for n, s, r in rows], rows


def associations(rows):
    """(name40, sigla4) pairs, grouped by province in province.dat order."""
    out = []
    for i, (name, sigla, _region) in enumerate(rows):
        town = CAPOLUOGO.get(name, name)
        count = 3 if i % 3 != 1 else 2
        picked = []
        k = (i * 5) % len(ASSOC_TEMPLATES)
        while len(picked) < count:
            t = ASSOC_TEMPLATES[k % len(ASSOC_TEMPLATES)]
            if t not in picked and len(t.format(town)) <= 40:
                picked.append(t)
            k += 3
        names = sorted(fit(t.format(town), 40) for t in picked)
        out.extend((n, fit(sigla, 4)) for n in names)
    return out


# ---------------------------------------------------------------------------
# Record layout: (field, width), 64 fields, 809 characters.
FIELDS = [
    ("provincia", 20), ("associazione", 40), ("cognome", 25), ("nome", 25),
    ("via", 40), ("cap", 5), ("citta", 40), ("prov_residenza", 4),
    ("tessera_krt", 5), ("anno_krt", 4), ("tessera_tov", 5), ("anno_tov", 4),
    ("anno_nascita", 4), ("qualifica", 1), ("livello", 3), ("segreteria", 2),
    ("krt_mare", 2), ("recapito", 35), ("spec_associazione", 30),
    ("spec_professionale", 30), ("patente", 2), ("patente_rilasciata_da", 30),
    ("patente_data", 10), ("patente_scadenza", 10), ("passaporto", 2),
    ("passaporto_rilasciato_da", 30), ("passaporto_data", 10),
    ("passaporto_scadenza", 10), ("ditta", 50), ("ditta_via", 40),
    ("ditta_cap", 5), ("ditta_citta", 40), ("ditta_provincia", 4),
    ("ditta_recapito", 35), ("disp_1g", 1), ("ore_1g", 2), ("disp_3g", 1),
    ("ore_3g", 2), ("disp_3g_fuori", 1), ("ore_3g_fuori", 2),
    ("disp_1s_fuori", 1), ("ore_1s_fuori", 2), ("ore_2s_fuori", 2),
    ("veicolare_27", 2), ("palmare_27", 2), ("veicolare_43", 2),
    ("palmare_43", 2), ("veicolare_vhf", 2), ("palmare_vhf", 2),
    ("altro_1", 14), ("altro_2", 14), ("attrezzature", 40), ("packet", 2),
    ("packet_incluso", 2), ("stazione_campale", 2), ("giorni_corso", 2),
    ("autovettura", 2), ("targa", 8), ("gancio", 2), ("posti_letto", 2),
    ("targa_camper", 8), ("note_provinciale", 40), ("note_nazionale", 40),
    ("riservato", 3),
]
assert len(FIELDS) == 64 and sum(w for _, w in FIELDS) == 809


def to_line(rec):
    parts = []
    for name, width in FIELDS:
        value = "" if name == "riservato" else rec.get(name, "")
        parts.append(fit(value, width))
    line = "".join(parts)
    assert len(line) == 809
    return line


# ---------------------------------------------------------------------------
# Sample volunteers.
# Per province: towns (name, CAP, phone prefix), streets, issuing offices.
PLACES = {
    "BOLOGNA": [("BOLOGNA", "40121", "051"), ("BOLOGNA", "40133", "051"),
                ("BOLOGNA", "40139", "051"), ("IMOLA", "40026", "0542"),
                ("CASALECCHIO DI RENO", "40033", "051"),
                ("SAN LAZZARO DI SAVENA", "40068", "051"), ("BUDRIO", "40054", "051")],
    "FIRENZE": [("FIRENZE", "50122", "055"), ("FIRENZE", "50134", "055"),
                ("FIRENZE", "50142", "055"), ("EMPOLI", "50053", "0571"),
                ("SESTO FIORENTINO", "50019", "055"), ("SCANDICCI", "50018", "055"),
                ("BORGO SAN LORENZO", "50032", "055")],
    "FORLÌ-CESENA": [("FORLÌ", "47121", "0543"), ("FORLÌ", "47122", "0543"),
                     ("CESENA", "47521", "0547"), ("CESENATICO", "47042", "0547"),
                     ("SAVIGNANO SUL RUBICONE", "47039", "0541"),
                     ("BERTINORO", "47032", "0543")],
    "GENOVA": [("GENOVA", "16121", "010"), ("GENOVA", "16145", "010"),
               ("GENOVA", "16153", "010"), ("CHIAVARI", "16043", "0185"),
               ("RAPALLO", "16035", "0185"), ("SESTRI LEVANTE", "16039", "0185")],
    "MILANO": [("MILANO", "20123", "02"), ("MILANO", "20135", "02"),
               ("MILANO", "20158", "02"), ("SESTO SAN GIOVANNI", "20099", "02"),
               ("LEGNANO", "20025", "0331"), ("RHO", "20017", "02"),
               ("CINISELLO BALSAMO", "20092", "02")],
    "NAPOLI": [("NAPOLI", "80128", "081"), ("NAPOLI", "80134", "081"),
               ("NAPOLI", "80141", "081"), ("POZZUOLI", "80078", "081"),
               ("TORRE DEL GRECO", "80059", "081"), ("CASORIA", "80026", "081"),
               ("CASTELLAMMARE DI STABIA", "80053", "081")],
    "ROMA": [("ROMA", "00152", "06"), ("ROMA", "00162", "06"),
             ("ROMA", "00175", "06"), ("ROMA", "00199", "06"),
             ("CIVITAVECCHIA", "00053", "0766"), ("TIVOLI", "00019", "0774"),
             ("VELLETRI", "00049", "06"), ("FIUMICINO", "00054", "06")],
    "TORINO": [("TORINO", "10126", "011"), ("TORINO", "10138", "011"),
               ("TORINO", "10152", "011"), ("MONCALIERI", "10024", "011"),
               ("IVREA", "10015", "0125"), ("PINEROLO", "10064", "0121"),
               ("COLLEGNO", "10093", "011")],
}
DEMO_PROVINCES = list(PLACES)
# A town of a neighbouring province, for volunteers living across the border.
NEIGHBOUR = {
    "BOLOGNA": ("CASTELFRANCO EMILIA", "41013", "059", "MO"),
    "FIRENZE": ("PRATO", "59100", "0574", "PO"),
    "FORLÌ-CESENA": ("RIMINI", "47921", "0541", "RN"),
    "GENOVA": ("VARAZZE", "17019", "019", "SV"),
    "MILANO": ("MONZA", "20900", "039", "MB"),
    "NAPOLI": ("AVERSA", "81031", "081", "CE"),
    "ROMA": ("APRILIA", "04011", "06", "LT"),
    "TORINO": ("ASTI", "14100", "0141", "AT"),
}

STREETS = [
    "VIA GARIBALDI", "PIAZZA MAZZINI", "CORSO VITTORIO EMANUELE II",
    "VIA DEI MILLE", "VIALE EUROPA", "VIA ROMA", "VIA DANTE ALIGHIERI",
    "LARGO CAIROLI", "VIA G. VERDI", "VIA DELLA LIBERTÀ", "VIA CAVOUR",
    "VIA XX SETTEMBRE", "VIA MATTEOTTI", "VIALE DELLA REPUBBLICA",
    "VIA SAN FRANCESCO D'ASSISI", "VIA A. GRAMSCI", "VIA DEL LAVORO",
    "VIA MARCONI", "PIAZZA DELLA VITTORIA", "VIA DON MINZONI",
    "VIA NAZIONALE", "VIA DELLE ROSE", "VIA PIAVE", "VIA MONTE GRAPPA",
]
SURNAMES = [
    "ROSSI", "RUSSO", "FERRARI", "ESPOSITO", "BIANCHI", "ROMANO", "COLOMBO",
    "RICCI", "MARINO", "GRECO", "BRUNO", "GALLO", "CONTI", "DE LUCA",
    "MANCINI", "COSTA", "GIORDANO", "RIZZO", "LOMBARDI", "MORETTI",
    "BARBIERI", "FONTANA", "SANTORO", "MARIANI", "RINALDI", "CARUSO",
    "FERRARA", "GALLI", "MARTINI", "LEONE", "LONGO", "GENTILE", "MARTINELLI",
    "VITALE", "LOMBARDO", "SERRA", "COPPOLA", "DE SANTIS", "D'ANGELO",
    "MARCHETTI", "PARISI", "VILLA", "CONTE", "FERRARO", "FABBRI", "BIANCO",
    "MARINI", "GRASSO", "VALENTINI", "MESSINA", "SALA", "DELL'ORTO", "CANTÙ",
    "PELLEGRINI", "PALUMBO", "SANNA", "FARINA", "RIVA", "MONTI", "CATTANEO",
]
NAMES_M = [
    "MARCO", "GIUSEPPE", "ANTONIO", "LUCA", "GIOVANNI", "ROBERTO", "ANDREA",
    "STEFANO", "FRANCESCO", "MASSIMO", "PAOLO", "ALESSANDRO", "MAURIZIO",
    "FABIO", "SALVATORE", "GIORGIO", "DAVIDE", "NICOLÒ", "CLAUDIO", "SERGIO",
    "RICCARDO", "DANIELE", "VINCENZO", "MATTEO", "PIER LUIGI",
]
NAMES_F = [
    "MARIA", "ANNA", "GIUSEPPINA", "ROSA", "LAURA", "FRANCESCA", "ELENA",
    "SILVIA", "CHIARA", "PAOLA", "BARBARA", "ROBERTA", "MONICA", "SARA",
    "ANTONELLA", "GRAZIA", "ILARIA", "VALENTINA",
]
SPEC_ASS = [
    "OPERATORE RADIO", "SEGRETERIA DI CAMPO", "LOGISTICA", "SALA RADIO",
    "ANTINCENDIO BOSCHIVO", "PRIMO SOCCORSO", "TELECOMUNICAZIONI",
    "CUCINA DA CAMPO", "RICERCA DISPERSI", "PONTI RADIO",
]
SPEC_PROF = [
    "ELETTRICISTA", "INFERMIERE", "INGEGNERE ELETTRONICO", "IMPIEGATO",
    "MECCANICO", "TECNICO INFORMATICO", "AUTISTA", "INSEGNANTE", "GEOMETRA",
    "CUOCO", "IDRAULICO", "MEDICO", "RAGIONIERE", "VIGILE DEL FUOCO IN CONGEDO",
    "ANTENNISTA", "MURATORE", "PERITO INDUSTRIALE",
]
EMPLOYERS = [
    ("OFFICINE MECCANICHE {S} S.R.L.", "VIA DELL'INDUSTRIA"),
    ("COMUNE DI {T}", "PIAZZA DEL MUNICIPIO"),
    ("AZIENDA SANITARIA LOCALE DI {T}", "VIA DELL'OSPEDALE"),
    ("SUPERMERCATI {S} S.P.A.", "VIA DEL COMMERCIO"),
    ("ISTITUTO TECNICO G. MARCONI", "VIA DELLA SCUOLA"),
    ("TRASPORTI {S} & C. S.N.C.", "VIA DEGLI AUTOTRASPORTATORI"),
    ("ELETTRONICA {S} S.R.L.", "VIA GALILEO GALILEI"),
    ("BANCA POPOLARE DI {T}", "CORSO ITALIA"),
    ("STUDIO TECNICO {S}", "VIA CARDUCCI"),
    ("POSTE ITALIANE - UFFICIO DI {T}", "VIA DELLE POSTE"),
]
ALTRO = ["HF 100 W", "BASE HF", "SCANNER", "GPS PALMARE", "RIPETITORE UHF",
         "APRS", "BASE 27 MHZ", "RX AERONAUTICO", "LINEARE 27", "DMR PALMARE"]
ATTREZZ = [
    "GRUPPO ELETTROGENO 3 KW", "TENDA 4 POSTI E TORCE", "MOTOSEGA E DPI",
    "PALO TELESCOPICO 12 M E ANTENNE", "BATTERIE TAMPONE 100 AH",
    "PANNELLO SOLARE 200 W", "FARO ALOGENO E PROLUNGHE",
    "TORRE FARO E GENERATORE 5 KW", "BRANDE E SACCHI A PELO",
    "KIT PRIMO SOCCORSO E BARELLA",
]
NOTE_PROV = [
    "RESPONSABILE SALA RADIO PROVINCIALE", "DISPONIBILE PER ESERCITAZIONI",
    "SOCIO FONDATORE DELL'ASSOCIAZIONE", "REFERENTE PONTI RADIO",
    "CAPOSQUADRA ANTINCENDIO", "ATTIVO NEL SISMA 2016",
]
NOTE_NAZ = ["ISTRUTTORE CORSI RADIO", "ELENCO NAZIONALE COLONNA MOBILE",
            "ATTESTATO CORSO BASE P.C."]

PLATE_LETTERS = "ABCDEFGHJKLMNPRSTVWXYZ"


def plate(rnd):
    l = lambda: rnd.choice(PLATE_LETTERS)
    return "%s%s%03d%s%s" % (l(), l(), rnd.randint(0, 999), l(), l())


def date(rnd, year_from, year_to):
    return "%02d/%02d/%04d" % (rnd.randint(1, 28), rnd.randint(1, 12),
                               rnd.randint(year_from, year_to))


def phone(rnd, prefix):
    return "%s %s" % (prefix, "555" + "%04d" % rnd.randint(0, 9999))


def mobile(rnd):
    return "%s 555%04d" % (rnd.choice(["333", "335", "339", "347", "348", "320"]),
                           rnd.randint(0, 9999))


def hours(rnd):
    return rnd.choice(["1", "2", "3", "4", "6", "8", "12", "24", "48"])


def make_volunteer(rnd, prov, sigla, assoc, used_keys):
    while True:
        female = rnd.random() < 0.25
        first = rnd.choice(NAMES_F if female else NAMES_M)
        surname = rnd.choice(SURNAMES)
        key = (prov, assoc, surname, first)
        if key not in used_keys:
            used_keys.add(key)
            break
    town, cap, pref = rnd.choice(PLACES[prov])
    born = rnd.randint(1948, 2001)
    krt_year = rnd.randint(max(born + 18, 1982), 2023)
    tov_year = rnd.randint(max(born + 18, 1982), krt_year)
    qual = "O" if rnd.random() < 0.8 else "C"
    level = rnd.choice(["OR ", "OR ", "OR ", "COM", "COC"]) if qual == "O" else "COL"
    r = {
        "provincia": prov, "associazione": assoc,
        "cognome": surname, "nome": first,
        "via": "%s %d" % (rnd.choice(STREETS), rnd.randint(1, 180)),
        "cap": cap, "citta": town, "prov_residenza": sigla,
        "tessera_krt": "%05d" % rnd.randint(100, 9999),
        "anno_krt": str(krt_year),
        "tessera_tov": "%05d" % rnd.randint(1000, 29999),
        "anno_tov": str(tov_year),
        "anno_nascita": str(born),
        "qualifica": qual, "livello": level,
        "segreteria": rnd.choice(["SI", "NO", "NO"]),
        "krt_mare": rnd.choice(["SI", "NO", "NO", "NO"]),
        "recapito": rnd.choice([phone(rnd, pref), mobile(rnd),
                                "%s - %s" % (phone(rnd, pref), mobile(rnd))]),
        "spec_associazione": rnd.choice(SPEC_ASS),
        "spec_professionale": rnd.choice(SPEC_PROF),
    }
    if rnd.random() < 0.3:
        r["tessera_tov"] = ""          # not yet in the federation
        r["anno_tov"] = ""
    # Driving licence.
    lic = rnd.choice(["B ", "B ", "B ", "BS", "C ", "CS", "A ", "D ", "NO"])
    r["patente"] = lic
    if lic != "NO":
        r["patente_rilasciata_da"] = rnd.choice(
            ["PREFETTURA DI " + CAPOLUOGO.get(prov, prov), "M.C.T.C. " + CAPOLUOGO.get(prov, prov),
             "MIT - UCO"])
        issued = rnd.randint(max(born + 18, 1975), 2022)
        d = date(rnd, issued, issued)
        r["patente_data"] = d
        r["patente_scadenza"] = d[:6] + str(rnd.randint(2025, 2034))
    # Passport.
    if rnd.random() < 0.45:
        r["passaporto"] = "SI"
        r["passaporto_rilasciato_da"] = "QUESTURA DI " + CAPOLUOGO.get(prov, prov)
        y = rnd.randint(2015, 2024)
        d = date(rnd, y, y)
        r["passaporto_data"] = d
        r["passaporto_scadenza"] = d[:6] + str(y + 10)
    else:
        r["passaporto"] = "NO"
    # Employer.
    roll = rnd.random()
    if roll < 0.15:
        r["ditta"] = "LAVORATORE AUTONOMO"
        r["ditta_recapito"] = r["recapito"]
    elif roll < 0.22:
        r["ditta"] = "DISOCCUPATO"
    elif roll < 0.32 and born < 1960:
        r["ditta"] = "PENSIONATO"
    else:
        tmpl, street = rnd.choice(EMPLOYERS)
        wtown, wcap, wpref = rnd.choice(PLACES[prov])
        r["ditta"] = tmpl.format(S=rnd.choice(SURNAMES), T=wtown)
        r["ditta_via"] = "%s %d" % (street, rnd.randint(1, 90))
        r["ditta_cap"] = wcap
        r["ditta_citta"] = wtown
        r["ditta_provincia"] = sigla
        r["ditta_recapito"] = "TEL. " + phone(rnd, wpref)
    # Availability: area code and hours needed to leave home.
    for disp, ore in (("disp_1g", "ore_1g"), ("disp_3g", "ore_3g"),
                      ("disp_3g_fuori", "ore_3g_fuori"),
                      ("disp_1s_fuori", "ore_1s_fuori")):
        roll = rnd.random()
        if roll < 0.65:
            r[disp] = rnd.choice("PPR")
            r[ore] = hours(rnd)
        elif roll < 0.85:
            r[ore] = "NO"
        # else left blank
    if not any(r.get(o, "").strip() not in ("", "NO")
               for o in ("ore_1g", "ore_3g", "ore_3g_fuori", "ore_1s_fuori")):
        r["disp_1g"], r["ore_1g"] = "P", hours(rnd)
    r["ore_2s_fuori"] = rnd.choice(["", "NO", "NO", "24", "48", "72"])
    # Radio sets.
    for f in ("veicolare_27", "palmare_27", "veicolare_43", "palmare_43",
              "veicolare_vhf", "palmare_vhf"):
        roll = rnd.random()
        r[f] = "" if roll < 0.35 else str(rnd.choice([0, 1, 1, 1, 2, 2, 3]))
    if rnd.random() < 0.4:
        r["altro_1"] = rnd.choice(ALTRO)
        if rnd.random() < 0.4:
            r["altro_2"] = rnd.choice(ALTRO)
    if rnd.random() < 0.5:
        r["attrezzature"] = rnd.choice(ATTREZZ)
    r["packet"] = rnd.choice(["SI", "NO", "NO", ""])
    if r["packet"] == "SI":
        r["packet_incluso"] = rnd.choice(["SI", "NO"])
    r["stazione_campale"] = rnd.choice(["SI", "NO", "NO"])
    r["giorni_corso"] = rnd.choice(["", "2", "3", "5", "6", "10", "12", "15"])
    if r["patente"] != "NO" and rnd.random() < 0.85:
        r["autovettura"] = "SI"
        r["targa"] = plate(rnd)
        r["gancio"] = rnd.choice(["SI", "NO", "NO"])
    else:
        r["autovettura"] = "NO"
    roll = rnd.random()
    if roll < 0.12:
        r["posti_letto"] = rnd.choice(["4", "5", "6"])
        r["targa_camper"] = plate(rnd)
    elif roll < 0.35:
        r["posti_letto"] = rnd.choice(["1", "2", "3", "4"])
    if rnd.random() < 0.25:
        r["note_provinciale"] = rnd.choice(NOTE_PROV)
    if rnd.random() < 0.12:
        r["note_nazionale"] = rnd.choice(NOTE_NAZ)
    return r


# Deliberate faults, each applied to one volunteer (index in creation order);
# the verification reports them. (description, function)
FAULTS = [
    ("CAP di residenza mancante", lambda r: r.update(cap="")),
    ("anno di nascita non numerico", lambda r: r.update(anno_nascita="196O")),
    ("segreteria scritta in minuscolo", lambda r: r.update(segreteria="si")),
    ("livello OR seguito da un carattere diverso dal blank",
     lambda r: r.update(livello="ORR")),
    ("nessuna ora di disponibilità",
     lambda r: r.update(disp_1g="", ore_1g="", disp_3g="", ore_3g="",
                        disp_3g_fuori="", ore_3g_fuori="",
                        disp_1s_fuori="", ore_1s_fuori="", ore_2s_fuori="")),
    ("codice area 3 giorni errato",
     lambda r: r.update(disp_3g="X", ore_3g="12")),
    ("categoria patente errata", lambda r: r.update(patente="BE")),
    ("recapito per urgenze mancante", lambda r: r.update(recapito="")),
]
FAULT_AT = [3, 9, 16, 22, 28, 34, 40, 46]   # spread over the provinces


def build_archive(prov_rows, assoc_rows):
    rnd = random.Random(194)   # D.P.R. 194/01
    sigla_of = {fit(n, 20): fit(s, 4) for n, s, _ in prov_rows}
    by_sigla = {}
    for name, sig in assoc_rows:
        by_sigla.setdefault(sig, []).append(name)
    per_prov = [7, 6, 6, 6, 6, 6, 7, 6]     # 50 volunteers
    used = set()
    recs, faults = [], []
    for prov, n in zip(DEMO_PROVINCES, per_prov):
        p20 = fit(prov, 20)
        sig = sigla_of[p20]
        assocs = by_sigla[sig]
        for j in range(n):
            assoc = assocs[j % len(assocs)] if j < len(assocs) else rnd.choice(assocs)
            rec = make_volunteer(rnd, prov, sig, assoc, used)
            if j == 4:
                # lives just across the border of the province
                town, cap, pref, other = NEIGHBOUR[prov]
                rec.update(citta=town, cap=cap, prov_residenza=other)
            recs.append(rec)
    for (desc, fn), idx in zip(FAULTS, FAULT_AT):
        fn(recs[idx])
        faults.append((recs[idx], desc))
    lines = sorted((to_line(r) for r in recs), key=lambda l: l[:110].encode(ENC))
    return lines, faults


def write_lines(path, lines):
    with open(path, "w", encoding=ENC, newline="") as f:
        for line in lines:
            f.write(line + "\r\n")


def main():
    plines, prows = province_lines()
    arows = associations(prows)
    alines = [n + s for n, s in arows]
    lines, faults = build_archive(prows, arows)
    write_lines(os.path.join(DEMO, "province.dat"), plines)
    write_lines(os.path.join(DEMO, "associazioni.dat"), alines)
    write_lines(os.path.join(DEMO, "archivio.txt"), lines)
    print("province.dat: %d righe" % len(plines))
    print("associazioni.dat: %d righe" % len(alines))
    print("archivio.txt: %d volontari" % len(lines))
    for rec, desc in faults:
        print("  errore voluto: %-20s %-25s %-15s %s" % (
            rec["provincia"], rec["cognome"], rec["nome"], desc))


if __name__ == "__main__":
    main()
