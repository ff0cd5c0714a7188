#!/usr/bin/env bash
# Checks that recognize-cli's --help, its commands and its manual page agree: every command of
# --help answers its own --help and has its section in the manual page, the page has no
# section of a command that --help lacks, and the commands named here are all listed.
#
#   check-commands.sh RECOGNIZE_CLI MANPAGE.1.gz COMMAND...
set -euo pipefail
cli=$1
page=$2
shift 2
fail() { echo "check-commands: $*" >&2; exit 1; }

help=$("$cli" --help)
listed=$(awk '/^Commands:$/ {on = 1; next} /^[^ ]/ {on = 0} on && /^  [a-z]/ {print $1}' <<<"$help")
[[ -n $listed ]] || fail "--help lists no commands"
for command in "$@"; do
  grep -qx -- "$command" <<<"$listed" || fail "--help does not list '$command'"
done

[[ -s $page ]] || fail "the manual page $page is missing"
sections=$(gzip -dc "$page" | sed -n 's/^\.SS "recognize\\-cli \(.*\)"$/\1/p' | sed 's/\\-/-/g')
for command in $listed; do
  usage=$("$cli" "$command" --help) || fail "'$command --help' failed"
  [[ $usage == "Usage: recognize-cli $command"* ]] || fail "'$command --help' does not begin with its usage"
  grep -qx -- "$command" <<<"$sections" || fail "the manual page has no section of '$command'"
done
for command in $sections; do
  grep -qx -- "$command" <<<"$listed" || fail "the manual page has a section of '$command', which --help lacks"
done
