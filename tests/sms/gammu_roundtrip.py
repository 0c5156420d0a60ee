"""Round trips between tandrel-pdu and python3-gammu, an independent SMS codec.

Usage: python3 gammu_roundtrip.py PATH/TO/tandrel-pdu
"""
import subprocess
import sys
import unittest

try:
    import gammu
except ImportError:
    sys.exit("python3-gammu is missing: ./setup.sh test installs it")

TOOL = sys.argv.pop(1)

TEXTS = {
    "gsm_extension": "Price: 5€ {a|b} [c] ~d^ \\e\f@£$¥èéùìòÇØøÅåΔ_ΦΓΛΩΠΨΣΘΞÆæßÉ¤¡ÄÖÑÜ§¿äöñüà",
    "greek": "Καλημέρα από το πλοίο, όλα καλά",
    "cyrillic": "Привет! Всё в порядке, ждём на связи.",
    "chinese": "船上一切正常，明天见。",
    "emoji": "All well 😀🚢 — see you 👋",
    "long_gsm": ("Position 12.345N 67.890W, all well [ok] " * 10)[:400],
    "long_ucs2": ("Позиция 12.345N 67.890W, всё хорошо 😀 " * 11)[:400],
    # an escape pair and a surrogate pair exactly where a part would be cut
    "gsm_escape_at_cut": "a" * 152 + "€" + "b" * 10,
    "ucs2_pair_at_cut": "Ж" * 66 + "😀" + "Ж" * 5,
}


def tool(*args):
    return subprocess.run([TOOL, *args], capture_output=True, text=True)


def encode(text, *extra):
    r = tool("encode", "--to", "881612345678", "--text", text, *extra)
    assert r.returncode == 0, r.stderr
    lines = r.stdout.split("\n")
    return [lines[i] for i in range(0, len(lines) - 1, 2)]


def gammu_joined(pdus):
    decoded = [gammu.DecodePDU(bytes.fromhex(p), SMSC=True) for p in pdus]
    if len(decoded) == 1:
        # gammu sizes its text in septets and pads it with NULs for each escape
        return decoded, decoded[0]["Text"].rstrip("\x00")
    linked = gammu.LinkSMS([[d] for d in decoded])
    assert len(linked) == 1, "gammu did not see one message"
    entries = gammu.DecodeSMS(linked[0])["Entries"]
    return decoded, "".join(e["Buffer"] for e in entries)


class OursDecodedByGammu(unittest.TestCase):
    def test_texts(self):
        for name, text in TEXTS.items():
            with self.subTest(name):
                pdus = encode(text, "--ref", "42")
                decoded, joined = gammu_joined(pdus)
                self.assertEqual(joined, text)
                gsm = name in ("gsm_extension", "long_gsm", "gsm_escape_at_cut")
                for k, d in enumerate(decoded, 1):
                    self.assertEqual(d["Coding"], "Default_No_Compression" if gsm else "Unicode_No_Compression")
                    if len(decoded) > 1:
                        self.assertEqual(d["UDH"]["ID8bit"], 42)
                        self.assertEqual(d["UDH"]["PartNumber"], k)
                        self.assertEqual(d["UDH"]["AllParts"], len(decoded))

    def test_four_hundred_characters_take_the_expected_parts(self):
        self.assertEqual(len(encode(TEXTS["long_gsm"])), 3)  # 153 a part
        self.assertEqual(len(encode("Ж" * 400)), 6)  # 67 a part
        self.assertEqual(len(encode("a" * 160)), 1)
        self.assertEqual(len(encode("Ж" * 70)), 1)
        self.assertEqual(len(encode("€" * 80)), 1)  # 160 septets
        self.assertEqual(len(encode("€" * 81)), 2)

    def test_forced_ucs2(self):
        pdus = encode("plain text", "--ucs2")
        decoded, joined = gammu_joined(pdus)
        self.assertEqual(decoded[0]["Coding"], "Unicode_No_Compression")
        self.assertEqual(joined, "plain text")


class GammuJoinedByOurs(unittest.TestCase):
    def test_texts(self):
        for name, text in TEXTS.items():
            with self.subTest(name):
                unicode = '"encoding":"ucs2"' in tool("decode", encode(text)[0]).stdout
                info = {"Class": -1, "Unicode": unicode,
                        "Entries": [{"ID": "ConcatenatedTextLong", "Buffer": text}]}
                pdus = []
                for sms in gammu.EncodeSMS(info):
                    sms["SMSC"] = {"Location": 0, "Number": "+8816"}
                    sms["Number"] = "+4412345"
                    pdus.append(gammu.EncodePDU(sms).hex().upper())
                r = tool("join", *reversed(pdus))
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertEqual(r.stdout, text + "\n")
                if len(pdus) > 1:  # one part less is reported, not hidden
                    r = tool("join", *pdus[1:])
                    self.assertEqual(r.returncode, 2)
                    self.assertTrue(r.stdout.startswith("[part 1 of %d missing]" % len(pdus)))


if __name__ == "__main__":
    unittest.main()
