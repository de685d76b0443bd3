#!/usr/bin/env bash
# Checks the shell completions of tessivo-cli against the program itself:
# every option each command's --help lists is completed and nothing else, the
# option values and the kinds of file each option takes are offered, and the
# zsh function parses.
# Usage: check_completion.sh TESSIVO_CLI COMPLETION_DIR
set -euo pipefail
cli=$1
dir=$2
fail() { echo "FAIL: $*" >&2; exit 1; }

# shellcheck source=/dev/null
source "$dir/tessivo-cli.bash"
complete -p tessivo-cli >/dev/null || fail "complete -p tessivo-cli"

help_options() { # the options of a command's help table, one per line
  "$cli" "$1" --help | grep -oE '^ +(-[a-z],)?--[a-z][a-z0-9-]*' | tr -d ' ' | tr ',' '\n' | sort -u
}
for command in info peaks split cuts join; do
  listed=$(help_options "$command")
  var=_tessivo_cli_opts_$command
  completed=$(tr -s ' \n' '\n' <<<"${!var}" | sed '/^$/d' | sort -u)
  [ "$listed" = "$completed" ] ||
    fail "$command: --help and the bash completion differ: $(diff <(echo "$listed") <(echo "$completed") | grep '^[<>]' | tr '\n' ' ')"
  for option in $(grep -- '^--' <<<"$listed"); do
    grep -qF -- "'--${option#--}[" "$dir/_tessivo-cli" || grep -qF -- ",--${option#--}}" "$dir/_tessivo-cli" ||
      fail "$command: the zsh completion lacks $option"
  done
done

complete_line() { # WORDS...: what the completion offers for the last word
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _tessivo_cli
  printf '%s\n' "${COMPREPLY[@]}" | sort
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir sub
touch a.mp3 B.MP3 list.txt sheet.cue cuts.csv notes.md
[ "$(complete_line tessivo-cli s)" = split ] || fail "command: $(complete_line tessivo-cli s)"
[ "$(complete_line tessivo-cli split --one)" = --one-file ] || fail "split --one"
[ "$(complete_line tessivo-cli split --id3 v1+)" = $'v1+v2.3\nv1+v2.4' ] || fail "split --id3 v1+"
[ "$(complete_line tessivo-cli join --id3 '')" = $'v2.3\nv2.4' ] || fail "join --id3"
[ "$(complete_line tessivo-cli cuts --format '')" = $'csv\ncue\nlabels' ] || fail "cuts --format"
[ "$(complete_line tessivo-cli split x.mp3 '')" = $'B.MP3\na.mp3\nsub' ] ||
  fail "split FILE: $(complete_line tessivo-cli split x.mp3 '')"
[ "$(complete_line tessivo-cli split x.mp3 --labels '')" = $'list.txt\nsub' ] || fail "--labels"
[ "$(complete_line tessivo-cli split x.mp3 --cue '')" = $'sheet.cue\nsub' ] || fail "--cue"
[ "$(complete_line tessivo-cli cuts x.mp3 --csv '')" = $'cuts.csv\nsub' ] || fail "--csv"
[ "$(complete_line tessivo-cli split x.mp3 -o '')" = sub ] || fail "split -o"
[ -z "$(complete_line tessivo-cli split --parts '')" ] || fail "--parts takes a number"

zsh -n "$dir/_tessivo-cli" || fail "zsh cannot parse _tessivo-cli"
echo "completions match tessivo-cli --help"
