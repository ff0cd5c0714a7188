#!/usr/bin/env bash
# Makes the Russian word list dict-ru.dic from Debian's hunspell-ru: every word form that
# hunspell-tools' unmunch expands from ru_RU.dic, kept when it is made of the lowercase
# letters а-я and ё only, in Windows-1251, one per line, LF line ends, sorted bytewise,
# each once (about 1.24 million forms, 15 MB).
#   scripts/make-dict-ru.sh > dict-ru.dic      (or: scripts/make-dict-ru.sh OUT.dic)
set -euo pipefail

hunspell=${HUNSPELL_RU_DIR:-/usr/share/hunspell}
for file in "$hunspell/ru_RU.dic" "$hunspell/ru_RU.aff"; do
  if [[ ! -r $file ]]; then
    echo "make-dict-ru: $file not found; install it with: apt-get install hunspell-ru" >&2
    exit 1
  fi
done
if ! command -v unmunch >/dev/null; then
  echo "make-dict-ru: unmunch not found; install it with: apt-get install hunspell-tools" >&2
  exit 1
fi

make_list() {
  # unmunch prints its affix table on stderr. Forms that Windows-1251 cannot hold are
  # dropped by iconv -c; the lowercase letters are 0xE0-0xFF and ё 0xB8.
  unmunch "$hunspell/ru_RU.dic" "$hunspell/ru_RU.aff" 2>/dev/null |
    iconv -c -f UTF-8 -t CP1251 |
    LC_ALL=C grep -a -x $'[\xe0-\xff\xb8][\xe0-\xff\xb8]*' |
    LC_ALL=C sort -u
}

if (($# == 0)); then
  make_list
else
  temporary=$(mktemp "$(dirname "$1")/.dict-ru.XXXXXX")
  trap 'rm -f "$temporary"' EXIT
  make_list > "$temporary"
  chmod 0644 "$temporary"
  mv "$temporary" "$1"
  trap - EXIT
fi
