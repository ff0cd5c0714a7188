#!/usr/bin/env bash
# Makes the word list data/dict.dic from Debian's wamerican package: the entries made of the
# lowercase letters a-z only, one per line, LF line ends, sorted bytewise, each once. The
# shipped list leaves out two of its words by hand; comm -13 data/dict.dic <(this script)
# names them.
#   scripts/make-dict.sh > data/dict.dic      (or: scripts/make-dict.sh data/dict.dic)
set -euo pipefail

source=${WORDS_SOURCE:-/usr/share/dict/american-english}
if [[ ! -r $source ]]; then
  echo "make-dict: $source not found; install it with: apt-get install wamerican" >&2
  exit 1
fi

make_list() {
  LC_ALL=C grep -x '[a-z][a-z]*' "$source" | LC_ALL=C sort -u
}

if (($# == 0)); then
  make_list
else
  temporary=$(mktemp "$(dirname "$1")/.dict.XXXXXX")
  trap 'rm -f "$temporary"' EXIT
  make_list > "$temporary"
  chmod 0644 "$temporary"
  mv "$temporary" "$1"
  trap - EXIT
fi
