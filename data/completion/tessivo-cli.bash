# bash completion for tessivo-cli: commands, options, option values and
# file names of the kinds each option takes.

_tessivo_cli_commands="info peaks split cuts join"
_tessivo_cli_opts_info="-h --help -q --quiet --frames"
_tessivo_cli_opts_peaks="-h --help -q --quiet"
_tessivo_cli_opts_split="-h --help -r --recursive -j --jobs --progress -q --quiet --parts --time
  --silence --near-pauses --at --chapters --cue --labels --csv --beside --skip --tracklist --snap
  --cut-out --tags --id3 --title --track-numbers --gapless --replaygain --gain -o --out --overwrite
  --flat --one-file --no-chapters --trim-silence --shorten-pauses --fade --no-fade --mute"
_tessivo_cli_opts_cuts="-h --help -r --recursive -j --jobs --progress -q --quiet --parts --time
  --silence --near-pauses --at --chapters --cue --labels --csv --beside --skip --tracklist --snap
  --cut-out --format
  --beside-out"
_tessivo_cli_opts_join="-h --help -o --out --id3 --no-chapters --fade --no-fade --overwrite -q
  --quiet"

# Files whose names end in one of the extensions, and folders to go into.
_tessivo_cli_files() {
  local ext
  for ext in "$@"; do
    compgen -f -X "!*.$ext" -- "$cur"
    compgen -f -X "!*.${ext^^}" -- "$cur"
  done
  compgen -d -- "$cur"
}

# The words of $1 that begin with the current word.
_tessivo_cli_words() {
  local IFS=$' \n'
  compgen -W "$1" -- "$cur"
}

# Completes the value of option $1 of command $2; false when $1 takes none.
_tessivo_cli_value() {
  case $1 in
  --beside | --format) COMPREPLY=($(_tessivo_cli_words "cue labels csv")) ;;
  --id3)
    if [ "$2" = join ]; then
      COMPREPLY=($(_tessivo_cli_words "v2.3 v2.4"))
    else
      COMPREPLY=($(_tessivo_cli_words "v1 v2.3 v2.4 v1+v2.3 v1+v2.4"))
    fi
    ;;
  --gain) COMPREPLY=($(_tessivo_cli_words "auto")) ;;
  --cue) COMPREPLY=($(_tessivo_cli_files cue)) ;;
  --labels | --tracklist) COMPREPLY=($(_tessivo_cli_files txt)) ;;
  --csv) COMPREPLY=($(_tessivo_cli_files csv)) ;;
  --one-file) COMPREPLY=($(_tessivo_cli_files mp3)) ;;
  -o | --out)
    if [ "$2" = join ]; then
      COMPREPLY=($(_tessivo_cli_files mp3))
    else
      COMPREPLY=($(compgen -d -- "$cur"))
    fi
    ;;
  -j | --jobs | --parts | --time | --silence | --near-pauses | --at | --skip | --title | --snap | --shorten-pauses | --fade | --mute | --cut-out)
    COMPREPLY=()
    ;;
  *) return 1 ;;
  esac
  return 0
}

_tessivo_cli() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
  local IFS=$'\n' command="" i
  for ((i = 1; i < COMP_CWORD; i++)); do
    case ${COMP_WORDS[i]} in
    info | peaks | split | cuts | join) command=${COMP_WORDS[i]}; break ;;
    esac
  done
  if [ -z "$command" ]; then
    COMPREPLY=($(_tessivo_cli_words "$_tessivo_cli_commands -h --help --version"))
    return
  fi
  _tessivo_cli_value "$prev" "$command" && return
  if [[ $cur == -* ]]; then
    local opts=_tessivo_cli_opts_$command
    COMPREPLY=($(_tessivo_cli_words "${!opts}"))
  else
    COMPREPLY=($(_tessivo_cli_files mp3))
  fi
}

complete -o filenames -F _tessivo_cli tessivo-cli
