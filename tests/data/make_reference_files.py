#!/usr/bin/env python3
"""Writes the reference files reference.aud, reference.cal and reference.txt
straight from the published file layouts, without any of Tonmark's own code,
so that the readers and writers are checked against an independent account of
the formats. The files are committed; run this only to change them.

Layouts (all integers little-endian, no gaps):
  text record   int32 N = L + 2, byte L, L bytes Windows-1252, one filler byte (0 here)
  .aud          0B "PatientFile" filler; date; time; flags 01 01 01;
                six personal texts (last, first, reference, organisation,
                date of birth, comment); Reverse[2][12][22] int32;
                Threshold[2][12] int32
  .cal          text "Calibration Data"; person, headphones, sound card,
                comment, date, time; 22 entries (left 1..11, right 1..11) of
                int32 wave, master, gain, reserved 0, float64 correction
  .txt          560 lines ending CR LF: the six personal texts, date, time,
                then every Reverse value and every Threshold as decimals
  settings      one JSON object, value name -> value: flags and integers as
                numbers, texts as strings; written as the store writes it
                (keys sorted, four-space indent, UTF-8, a final newline)
"""
import json
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def text_record(text):
    raw = text.encode("cp1252")
    assert len(raw) <= 255
    return struct.pack("<iB", len(raw) + 2, len(raw)) + raw + b"\0"


# The audiogram: a woman tested at both ears, with entries that go negative,
# spreads in element 21, stale values behind the count, and unmeasured slots.
DATE, TIME = "10-12-2026", "09:30:15"
PERSONAL = ["Müller", "Zoë", "R-17/b", "Hörzentrum Süd", "31/01/1970", "Bezahlt: 5 €"]


def reverse_row(ear, slot):
    row = [0] * 22
    if slot in (3, 9) and ear == 1:
        return row  # not measured: count 0
    count = 2 + (slot + ear) % 5
    row[0] = count
    for k in range(1, count + 1):
        row[k] = 40 - 5 * slot + (7 if k % 2 else -4) - 3 * ear
    row[count + 1] = 99  # stale value behind the count
    row[21] = 11 if (slot + ear) % 4 == 0 else 3
    return row


REVERSE = [[reverse_row(ear, slot) for slot in range(12)] for ear in range(2)]
THRESHOLD = [[1000 if REVERSE[ear][slot][0] == 0 else 38 - 5 * slot - 3 * ear
              for slot in range(12)] for ear in range(2)]


def audiogram():
    out = b"\x0bPatientFile\0" + text_record(DATE) + text_record(TIME) + b"\x01\x01\x01"
    for t in PERSONAL:
        out += text_record(t)
    for ear in range(2):
        for slot in range(12):
            out += struct.pack("<22i", *REVERSE[ear][slot])
    for ear in range(2):
        out += struct.pack("<12i", *THRESHOLD[ear])
    return out


def text_export():
    lines = PERSONAL + [DATE, TIME]
    for ear in range(2):
        for slot in range(12):
            lines += [str(v) for v in REVERSE[ear][slot]]
    for ear in range(2):
        lines += [str(v) for v in THRESHOLD[ear]]
    assert len(lines) == 560
    return "".join(line + "\r\n" for line in lines).encode("cp1252")


CAL_TEXTS = ["Dr. Weiß", "Kopfhörer HDA 200", "Onboard-Karte", "Kalibriert bei 20 °C",
             "09.12.2026", "14:03:07"]


def calibration():
    out = text_record("Calibration Data")
    for t in CAL_TEXTS:
        out += text_record(t)
    for ear in range(2):
        for slot in range(1, 12):
            wave = 120 + 10 * slot + ear
            master = 20 + slot
            gain = 5 * ear
            correction = -3.5 + 0.25 * slot - 12.125 * ear
            out += struct.pack("<iiiid", wave, master, gain, 0, correction)
    return out


FREQUENCIES = [125, 250, 500, 750, 1000, 1500, 2000, 3000, 4000, 6000, 8000]
COLOURS = ["Reversals Left", "Reversals Right", "Axes & Grid", "Background"]


def settings():
    # Every value differs from the one a new store is given, so that a value
    # read into the wrong field, or not read at all, shows.
    values = {"Test %dHz" % f: int(f in (125, 750, 1500)) for f in FREQUENCIES}
    values.update({
        "Trial Run": 0, "Retest @ 1kHz": 0, "AutoRetest": 0, "First Ear": 0,
        "Pulse Duration(s)": "0,5", "Pause Duration(s)": "1.5", "Level Steps (dB)": "5",
        "Start Level (dB HL)": "-10", "Max. Test time(s)": "45", "Min. Reversals": "4",
        "Wave Out Device Number": 1, "Mixer Device Number": 0, "Joystick": 1, "CTRL": 0,
        "Include Last Name": 0, "Include First Name": 0, "Include Reference No.": 1,
        "Include Department": 1, "Include DOB": 1, "Include Test Date": 0,
        "Include Test Time": 1, "Reject 1st Reversal": 0, "Show in RT": 0,
        "Show Reversal Graph": 0, "Show Threshold Graph": 0, "Mark Suspicious Results": 0,
        "Colour Application Background": 15790321, "Colour Audiogram Thresholds Left": 16711681,
        "Colour Audiogram Thresholds Right": 254, "Reload Cal File": 1, "Print Cal File": 1,
        "Cal Filename": "/home/zoë/Kalibrierung.cal", "FirstRun": 0,
    })
    for i, name in enumerate(COLOURS):
        values["Colour Audiogram " + name] = 0x102030 * (i + 1)
    assert len(values) == 48
    return (json.dumps(values, sort_keys=True, indent=4, ensure_ascii=False) + "\n").encode()


def main():
    for name, data in (("reference.aud", audiogram()), ("reference.txt", text_export()),
                       ("reference.cal", calibration()), ("reference_settings.json", settings())):
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
