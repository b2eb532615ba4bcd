#!/usr/bin/python3
"""An independent check of Quorvel's signed transcript codes, built from standard tools only:
Debian's python3-cbor2 and python3-nacl, zlib from the standard library, base45 by hand, the
codes read by zbarimg from pages that pdftoppm renders, the text read by pdftotext.

  verify_seal.py check --key office.pub (--pdf FILE | --text CODE)
      prints "valid" and the record as JSON (exit 0), or "NOT VALID: reason" (exit 1)
  verify_seal.py tamper CODE
      prints CODE with its record changed (the participant's name) and the signature kept
  verify_seal.py lines DATE-PATTERN COUNT SHA256-HEX < PAGE-TEXT
      prints "match" when the page text (pdftotext -raw) holds the lines, else "no match"
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


SEPARATOR = "\x1f"
UNITS = re.compile(r"^\d+[.,]\d\d$")


def packed(text):
    return "".join(unicodedata.normalize("NFC", text).split())


def canonical_lines(lines):
    """Per line: date, title, units, credit types with information, white space left out,
    joined by U+001F; each line ends with a line feed."""
    return "".join(SEPARATOR.join([packed(l[0]), packed(l[1]), packed(l[2]),
                                   packed(l[3] + " " + l[4])]) + "\n" for l in lines).encode()


def date_words(pattern):
    """One regular expression per word of a date written with a date pattern such as "M/d/yy"
    or "d MMM yyyy"."""
    words, i = [""], 0
    while i < len(pattern):
        c = pattern[i]
        if c.isspace():
            if words[-1]:
                words.append("")
            i += 1
            continue
        if c == "'":
            end = pattern.find("'", i + 1)
            literal = pattern[i + 1:] if end < 0 else pattern[i + 1:end]
            words[-1] += re.escape(literal) if literal else "'"
            i = len(pattern) if end < 0 else end + 1
            continue
        run = 1
        while i + run < len(pattern) and pattern[i + run] == c:
            run += 1
        if c in "dM":
            words[-1] += r"\d{1,2}" if run == 1 else r"\d{2}" if run == 2 else r"[^\s\d]+"
        elif c == "y":
            words[-1] += r"\d{2}" if run == 2 else r"\d{1,4}"
        elif c.isalpha():
            words[-1] += r"\S+"
        else:
            words[-1] += re.escape(c * run)
        i += run
    words = [w for w in words if w] or [r"\d{1,4}([./-])\d{1,2}\1\d{1,4}\.?"]
    return [re.compile(w) for w in words]


def is_end(word):
    return bool(UNITS.match(word)) or word.endswith(";")


class LineSearch:
    """Finds the conference lines in the text of the PDF pages (pdftotext -raw: pages end with
    a form feed). docs/VERIFY.md describes the rules."""

    def __init__(self, text, date_format):
        self.date = date_words(date_format or "")
        self.date_count = len(self.date)
        pages = text.split("\f")
        while pages and not pages[-1].strip():
            pages.pop()
        self.pages = [[w for w in (unicodedata.normalize("NFC", line).split()
                                   for line in page.split("\n")) if w] for page in pages]
        self.drop_page_noise()

    def is_date_at(self, words, at, parts=None):
        parts = self.date_count if parts is None else parts
        if at + parts > len(words):
            return False
        return all(self.date[i].fullmatch(words[at + i]) for i in range(parts))

    def line_starts(self, words):
        """A line of the table begins with a date followed by units before the next date."""
        dates = [i for i in range(len(words)) if self.is_date_at(words, i)]
        starts = []
        for d, at in enumerate(dates):
            stop = dates[d + 1] if d + 1 < len(dates) else len(words)
            if any(UNITS.match(w) for w in words[at + self.date_count:stop]):
                starts.append(at)
        return starts

    @staticmethod
    def page_words(page):
        return [w for line in page for w in line], [l for l, line in enumerate(page) for _ in line]

    def first_line_of_table(self, page):
        words, lines = self.page_words(page)
        starts = self.line_starts(words)
        return lines[starts[0]] if starts else len(page)

    def cut_line(self, page):
        """The words of the last table line of a page, from its date (or the part of its date
        above the page break) on, and the number of its date's words there."""
        words, _ = self.page_words(page)
        starts = self.line_starts(words)
        if not starts:
            return [], 0
        start, parts, units_seen = starts[-1], self.date_count, False
        for i in range(starts[-1] + 1, len(words)):
            units_seen = units_seen or bool(UNITS.match(words[i - 1]))
            if not units_seen or not is_end(words[i - 1]):
                continue
            for n in range(self.date_count - 1, 0, -1):
                if self.is_date_at(words, i, n) and not self.is_date_at(words, i):
                    start, parts = i, n
                    break
        return words[start:], parts

    def drop_page_noise(self):
        if len(self.pages) < 2:
            return
        lasts = [re.sub(r"\d+", "#", " ".join(p[-1])) if p else "" for p in self.pages]
        for p, last in enumerate(lasts):
            if last and ((p > 0 and lasts[p - 1] == last) or
                         (p + 1 < len(lasts) and lasts[p + 1] == last)):
                self.pages[p].pop()
        above = set()
        for p, page in enumerate(self.pages):
            if p > 0:
                cut, parts = self.cut_line(self.pages[p - 1])
                for l in range(self.first_line_of_table(page) - 1, -1, -1):
                    line = page[l]
                    inside = any(cut[i:i + len(line)] == line
                                 for i in range(len(cut) - len(line) + 1))
                    if " ".join(line) in above or inside:
                        del page[l]
                if 0 < parts < self.date_count:
                    self.join_cut_date(p, len(cut), parts)
            above.update(" ".join(line) for line in page[:self.first_line_of_table(page)])

    def join_cut_date(self, p, cut_size, parts):
        """Moves the rest of a date the page break cut from the top of page p back beside its
        first part."""
        page, previous = self.pages[p], self.pages[p - 1]
        missing = self.date_count - parts
        words, lines = self.page_words(previous)
        at = len(words) - cut_size + parts
        rest = [w for line in page for w in line][:missing]
        if len(rest) < missing or not self.is_date_at(words[at - parts:at] + rest, 0):
            return
        line = lines[at - 1]
        column = sum(1 for w in range(at) if lines[w] == line)
        previous[line][column:column] = rest
        for _ in range(missing):
            page[0].pop(0)
            if not page[0]:
                page.pop(0)

    def canonicals(self, start, stop):
        first, rest, last = [], [], None
        for text, page, line in self.words[start:stop]:
            if page == self.words[start][1]:
                first.append(text)
                continue
            if (page, line) != last:
                rest.append([])
            rest[-1].append(text)
            last = (page, line)
        found = []
        if len(first) <= self.date_count:
            return found
        date, body = first[:self.date_count], first[self.date_count:]
        for split in range(len(rest) + 1):
            title_more = [w for r in rest[:split] for w in r]
            items_more = [w for r in rest[split:] for w in r]
            for u in range(len(body) - 1, -1, -1):
                if not UNITS.match(body[u]):
                    continue
                items = body[u + 1:] + items_more
                if items and not items[-1].endswith(";"):
                    continue
                line = (SEPARATOR.join(["".join(date), "".join(body[:u] + title_more), body[u],
                                        "".join(items)]) + "\n").encode()
                if line not in found:
                    found.append(line)
                break
        return found

    def matches(self, count, digest):
        if count == 0:
            return hashlib.sha256(b"").digest() == digest
        self.words = [(w, p, l) for p, page in enumerate(self.pages)
                      for l, line in enumerate(page) for w in line]
        texts = [w for w, _, _ in self.words]
        starts = self.line_starts(texts)

        def search(first, row, state):
            start = starts[first + row]
            if row + 1 < count:
                for line in self.canonicals(start, starts[first + row + 1]):
                    following = state.copy()
                    following.update(line)
                    if search(first, row + 1, following):
                        return True
                return False
            limit = starts[first + row + 1] if first + row + 1 < len(starts) else len(texts)
            for stop in range(start + self.date_count + 1, limit + 1):
                if not is_end(texts[stop - 1]):
                    continue
                for line in self.canonicals(start, stop):
                    final = state.copy()
                    final.update(line)
                    if final.digest() == digest:
                        return True
            return False

        return any(search(first, 0, hashlib.sha256())
                   for first in range(len(starts) - count + 1))


def lines_match(text, count, digest, date_format):
    return LineSearch(text, date_format).matches(count, digest)


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
    if len(argv) == 5 and argv[1] == "lines":
        found = lines_match(sys.stdin.read(), int(argv[3]), bytes.fromhex(argv[4]), argv[2])
        print("match" if found else "no match")
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
                    digest = hashlib.sha256(canonical_lines(record["c"])).digest()
                if not lines_match(text, count, digest, record.get("df")):
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
