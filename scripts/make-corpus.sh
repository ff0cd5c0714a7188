#!/usr/bin/env bash
# Makes the evaluation corpora data/corpus/english.txt and data/corpus/russian.txt from Debian
# packages: the King James Version of Genesis (bible-kjv, public domain) and the Russian
# translation of the aptitude user's manual (aptitude-doc-ru, GPL-2+). The texts are
# lowercased, everything but letters and spaces is dropped (hyphens become spaces), and the
# words are packed into lines of at most 40 characters: 300 English lines (Genesis 1:1 to
# 3:24) and the first 150 distinct Russian lines of the manual's chapters.
#   scripts/make-corpus.sh        (needs bible-kjv installed and network access to Debian)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
command -v bible >/dev/null || { echo "make-corpus: install bible-kjv first" >&2; exit 1; }
for chapter in 1 2 3 4 5 6 7 8; do bible -f "gen$chapter:1-99"; done > "$work/genesis.txt"
(cd "$work" && apt-get download aptitude-doc-ru >/dev/null && dpkg-deb -x aptitude-doc-ru_*.deb doc)

python3 - "$work" "$root/data/corpus" <<'PY'
import glob, html, re, sys
work, out = sys.argv[1], sys.argv[2]

def pack(words, lines):
    line = ""
    for word in words:
        if line and len(line) + 1 + len(word) > 40:
            lines.append(line)
            line = word
        else:
            line = word if not line else line + " " + word
    if line:
        lines.append(line)

english = []
for verse in open(f"{work}/genesis.txt", encoding="utf-8"):
    m = re.match(r"^Ge\d+:\d+\s+(.*)$", verse.strip())
    if m:
        pack(re.sub(r"[^a-z ]", "", m.group(1).lower().replace("-", " ")).split(), english)
open(f"{out}/english.txt", "w", encoding="utf-8").write("\n".join(english[:300]) + "\n")

russian = []
for page in sorted(glob.glob(f"{work}/doc/usr/share/doc/aptitude/html/ru/ch0*.html")):
    text = open(page, encoding="utf-8").read()
    text = re.sub(r"(?s)<(script|style|pre|code|tt)[^>]*>.*?</\1>", " ", text)
    text = html.unescape(re.sub(r"<[^>]+>", " ", text))
    for sentence in re.split(r"[.!?;:]\s", text):
        sentence = sentence.strip()
        if re.search(r"[A-Za-z0-9]", sentence):
            continue
        words = re.sub(r"[^а-яё ]", " ", sentence.lower().replace("-", " ")).split()
        if len(words) >= 4:
            pack(words, russian)
russian = list(dict.fromkeys(russian))
open(f"{out}/russian.txt", "w", encoding="utf-8").write("\n".join(russian[:150]) + "\n")
PY
