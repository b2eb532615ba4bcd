#!/usr/bin/python3
"""An independent check of Quorvel's signed transcript codes, built from standard tools only:
Debian's python3-cbor2 and python3-nacl, zlib from the standard library, base45 by hand, the
codes read by zbarimg from pages that pdftoppm renders, the text read by pdftotext.

  verify_seal.py check --key office.pub (--pdf FILE | --text CODE)
      prints "valid" and the record as JSON (exit 0), or "NOT VALID: reason" (exit 1)
  verify_seal.py tamper CODE
      prints CODE with its record changed (the participant's name) and the signature kept
Exit 77 when a tool it needs is missing."""

import base64
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unicodedata
import zlib

try:
    import cbor2
    import nacl.exceptions
    import nacl.signing
except ImportError as missing:
    print("skipped: %s (python3-cbor2, python3-nacl)" % missing)
    sys.exit(77)

ALPHABET = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:"
PREFIX = "CE1:"


class NotValid(Exception):
    pass


def b45decode(text):
    values = []
    for c in text:
        if c not in ALPHABET:
            raise NotValid("the code is damaged: it is not base45")
        values.append(ALPHABET.index(c))
    out = bytearray()
    for i in range(0, len(values), 3):
        group = values[i:i + 3]
        if len(group) == 3:
            n = group[0] + group[1] * 45 + group[2] * 2025
            if n > 0xFFFF:
                raise NotValid("the code is damaged: it is not base45")
            out += bytes([n >> 8, n & 0xFF])
        elif len(group) == 2:
            n = group[0] + group[1] * 45
            if n > 0xFF:
                raise NotValid("the code is damaged: it is not base45")
            out.append(n)
        else:
            raise NotValid("the code is damaged: it is not base45")
    return bytes(out)


def b45encode(data):
    out = []
    for i in range(0, len(data) - 1, 2):
        n = data[i] * 256 + data[i + 1]
        out += [ALPHABET[n % 45], ALPHABET[n // 45 % 45], ALPHABET[n // 2025]]
    if len(data) % 2:
        out += [ALPHABET[data[-1] % 45], ALPHABET[data[-1] // 45]]
    return "".join(out)


def read_public_key(path):
    word, key = open(path, encoding="ascii").read().split()
    if word != "CE1-ED25519":
        raise SystemExit("%s is not a public key" % path)
    return base64.b64decode(key, validate=True)


def unpack(code):
    code = code.strip()
    if not code.upper().startswith(PREFIX):
        raise NotValid("the code is damaged: no prefix")
    try:
        message = cbor2.loads(zlib.decompress(b45decode(code[len(PREFIX):])))
    except (zlib.error, ValueError, cbor2.CBORDecodeError) as error:
        raise NotValid("the code is damaged: %s" % error)
    if isinstance(message, cbor2.CBORTag):
        if message.tag != 18:
            raise NotValid("the code is damaged: not COSE_Sign1")
        message = message.value
    if not isinstance(message, list) or len(message) != 4:
        raise NotValid("the code is damaged: not COSE_Sign1")
    return message


def check(code, public_key):
    protected, _unprotected, payload, signature = unpack(code)
    header = cbor2.loads(protected)
    if header.get(1) != -8:
        raise NotValid("the code is damaged: not EdDSA")
    to_be_signed = cbor2.dumps(["Signature1", protected, b"", payload])
    try:
        nacl.signing.VerifyKey(public_key).verify(to_be_signed, signature)
    except nacl.exceptions.BadSignatureError:
        key_id = hashlib.sha256(public_key).digest()[:8]
        if header.get(4) != key_id:
            raise NotValid("signed with another key")
        raise NotValid("the record was changed")
    return cbor2.loads(payload)


DATE = re.compile(r"^\d{1,4}([./-])\d{1,2}\1\d{1,4}\.?$")
UNITS = re.compile(r"^\d+[.,]\d+$")


def lines_match(text, count, digest):
    """Finds count conference lines in the page text whose canonical form has the digest: a
    line begins with a date and ends with its units or its last item ending in ";"."""
    words = unicodedata.normalize("NFC", text).split()
    starts = [i for i, w in enumerate(words) if DATE.match(w)]
    ends = [w.endswith(";") or bool(UNITS.match(w)) for w in words]
    if count == 0:
        return hashlib.sha256(b"").digest() == digest
    for first in range(0, len(starts) - count + 1):
        lines = []
        for k in range(count - 1):
            begin, stop = starts[first + k], starts[first + k + 1]
            end = stop
            while end > begin + 1 and not ends[end - 1]:
                end -= 1
            lines.append("".join(words[begin:end if end > begin + 1 else stop]))
        begin = starts[first + count - 1]
        for stop in range(begin + 1, len(words) + 1):
            if not ends[stop - 1] and stop != len(words):
                continue
            canonical = "".join(l + "\n" for l in lines + ["".join(words[begin:stop])])
            if hashlib.sha256(canonical.encode()).digest() == digest:
                return True
    return False


def need(tool):
    if not shutil.which(tool):
        print("skipped: %s is not installed" % tool)
        sys.exit(77)


def codes_in_pdf(path):
    need("pdftoppm")
    need("zbarimg")
    codes = []
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run(["pdftoppm", "-r", "300", "-gray", "-png", path,
                        os.path.join(folder, "page")], check=True)
        for page in sorted(os.listdir(folder)):
            found = subprocess.run(["zbarimg", "-q", "--raw", os.path.join(folder, page)],
                                   capture_output=True, text=True)
            codes += [line for line in found.stdout.splitlines() if line.strip()]
    return codes


def main(argv):
    if len(argv) == 3 and argv[1] == "tamper":
        protected, unprotected, payload, signature = unpack(argv[2])
        record = cbor2.loads(payload)
        record["n"] = record["n"] + "x"
        message = cbor2.CBORTag(18, [protected, unprotected, cbor2.dumps(record), signature])
        print(PREFIX + b45encode(zlib.compress(cbor2.dumps(message), 9)))
        return 0
    if len(argv) != 6 or argv[1] != "check" or argv[2] != "--key" or \
            argv[4] not in ("--pdf", "--text"):
        print(__doc__)
        return 2
    public_key = read_public_key(argv[3])
    text = None
    if argv[4] == "--pdf":
        codes = codes_in_pdf(argv[5])
        need("pdftotext")
        text = subprocess.run(["pdftotext", "-raw", argv[5], "-"], capture_output=True,
                              text=True, check=True).stdout
    else:
        codes = [argv[5]]
    if not codes:
        print("NOT VALID: no code found")
        return 1
    for code in codes:
        try:
            record = check(code, public_key)
            if text is not None:
                if "lh" in record:
                    count, digest = record["ln"], record["lh"]
                else:
                    count = len(record["c"])
                    digest = hashlib.sha256("".join(
                        "".join(unicodedata.normalize("NFC", "".join(line)).split()) + "\n"
                        for line in record["c"]).encode()).digest()
                if not lines_match(text, count, digest):
                    raise NotValid("the lines of the PDF's text do not match the record")
        except NotValid as reason:
            print("NOT VALID: %s" % reason)
            return 1
        shown = dict(record)
        if "lh" in shown:
            shown["lh"] = shown["lh"].hex()
        print("valid " + json.dumps(shown, ensure_ascii=False, sort_keys=True))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
