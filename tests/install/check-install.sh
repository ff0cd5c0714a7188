#!/usr/bin/env bash
# Checks the installed tree with the platform's own tools.
#
#   check-install.sh install BUILD_DIR   installs to a temporary prefix, and again with DESTDIR
#   check-install.sh package BUILD_DIR   builds the .deb with cpack, runs lintian, checks its
#                                        fields and file list, and the unpacked tree
#
# In both, the tree must hold the four programs, their data, the desktop entries
# (desktop-file-validate), the icons, the file types (update-mime-database), the metainfo
# (appstreamcli validate) and the manual pages (man --warnings, every option of --help in them),
# and recognize-cli run from another folder must find the installed font and word list.
set -euo pipefail
mode=$1
build=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check-install: $*" >&2; exit 1; }

id_prefix=$(sed -n 's/^RECOGNIZE_APP_ID_PREFIX:STRING=//p' "$build/CMakeCache.txt")
programs=(recognize glyphmill recognize-cli glyphmill-cli)

# The words of a program's --help (and its commands' --help) that name options and commands.
help_words() {
  local program=$1
  local text
  text=$("$program" --help)
  local commands
  commands=$(awk '/^Commands:$/ {on = 1; next} /^[^ ]/ {on = 0} on && /^  [a-z]/ {print $1}' <<<"$text")
  for command in $commands; do
    echo "$command"
    "$program" "$command" --help
  done | cat - <(echo "$text") | grep -o -- '--[a-z][a-z-]*' | sort -u
  echo "$commands"
}

check_tree() {
  local root=$1
  for program in "${programs[@]}"; do
    [[ -x $root/bin/$program ]] || fail "bin/$program is missing"
  done
  for file in share/recognize/Fonts/default.GLF share/recognize/dict.dic share/doc/recognize/copyright \
              share/mime/packages/recognize.xml; do
    [[ -s $root/$file ]] || fail "$file is missing"
  done

  for app in Recognize Glyphmill; do
    local desktop=$root/share/applications/$id_prefix.$app.desktop
    [[ -f $desktop ]] || fail "the desktop entry $desktop is missing"
    local report
    report=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $report"
    [[ -z $report ]] || fail "desktop-file-validate: $report"
    local metainfo=$root/share/metainfo/$id_prefix.$app.metainfo.xml
    appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 ||
      fail "appstreamcli validate $metainfo: $(cat "$work/appstream.log")"
  done

  for icon in recognize glyphmill; do
    [[ -s $root/share/icons/hicolor/scalable/apps/$icon.svg ]] || fail "the scalable icon $icon is missing"
    for size in 16 32 48 64 128 256; do
      local png=$root/share/icons/hicolor/${size}x$size/apps/$icon.png
      file "$png" | grep -q "PNG image data, $size x $size" || fail "$png is not a $size px PNG"
    done
  done

  cp -r "$root/share/mime" "$work/mime"
  local mime_report
  mime_report=$(XDG_DATA_DIRS=$work update-mime-database "$work/mime" 2>&1) || fail "update-mime-database: $mime_report"
  [[ -z $mime_report ]] || fail "update-mime-database: $mime_report"
  grep -q '^[0-9]*:application/x-recognize-document:\*\.rdf$' "$work/mime/globs2" || fail "no glob for .rdf"
  grep -q '^[0-9]*:application/x-glf-font:\*\.glf$' "$work/mime/globs2" || fail "no glob for .GLF"
  grep -q 'application/x-glf-font' "$work/mime/magic" || fail "no magic for .GLF"
  rm -rf "$work/mime"

  for program in "${programs[@]}"; do
    local page=$root/share/man/man1/$program.1.gz
    [[ -s $page ]] || fail "the manual page $program(1) is missing"
    MANWIDTH=80 man --warnings -E UTF-8 -l "$page" >"$work/page.txt" 2>"$work/man.log" || fail "man -l $page failed"
    [[ ! -s $work/man.log ]] || fail "man -l $page: $(cat "$work/man.log")"
    # Hyphenation at the line ends would hide a word; the page is read unwrapped.
    MANWIDTH=1000 man -E UTF-8 -l "$page" 2>/dev/null | sed 's/\xe2\x80\x90//g' >"$work/page.txt"
    for word in $(help_words "$root/bin/$program"); do
      grep -qF -- "$word" "$work/page.txt" || fail "$program(1) does not describe $word"
    done
  done

  # The installed programs find their data from any working folder.
  mkdir "$work/elsewhere"
  (cd "$work/elsewhere" && "$root/bin/recognize-cli" new --text "cab" -o doc.rdf) || fail "recognize-cli new found no data"
  grep -q '"valid": *true' <("$root/bin/recognize-cli" info "$work/elsewhere/doc.rdf") ||
    fail "the document made elsewhere has no valid font"
  rm -rf "$work/elsewhere"
}

case $mode in
install)
  cmake --install "$build" --prefix "$work/prefix" >/dev/null
  DESTDIR="$work/dest" cmake --install "$build" --prefix /opt/recognize >/dev/null
  diff <(cd "$work/prefix" && find . | sort) <(cd "$work/dest/opt/recognize" && find . | sort) ||
    fail "an install with DESTDIR holds other files"
  check_tree "$work/prefix"
  ;;
package)
  (cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1) ||
    fail "cpack failed: $(tail -20 "$work/cpack.log")"
  deb=$(ls "$work"/out/recognize_*.deb)
  for field in Package Version Maintainer Description Depends; do
    [[ -n $(dpkg-deb -f "$deb" "$field") ]] || fail "the package has no $field field"
  done
  dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "the dependencies lack the Qt libraries"
  # Every file lies below /usr.
  if dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '^\./usr/' | grep -qv '^\./$'; then
    fail "the package holds files outside /usr"
  fi
  lintian --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 || true
  cat "$work/lintian.log"
  if grep -q '^E:' "$work/lintian.log"; then
    fail "lintian reports errors: $(grep '^E:' "$work/lintian.log")"
  fi
  dpkg-deb -x "$deb" "$work/root"
  check_tree "$work/root/usr"
  echo "check-install: $(basename "$deb") ($(stat -c %s "$deb") bytes), lintian: $(grep -c '^W:' "$work/lintian.log" || true) warnings, no errors"
  ;;
*)
  fail "unknown mode $mode (install or package)"
  ;;
esac
