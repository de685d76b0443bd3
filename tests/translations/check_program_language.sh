#!/usr/bin/env bash
# The window program speaks the language of LANGUAGE or LANG, with Qt's own
# texts in it too, also where no such glibc locale is generated; it stays
# English otherwise.
#   check_program_language.sh TESSIVO
set -u
tessivo=$1
fail=0
# help TEXT ENV...: `tessivo --help` under ENV holds TEXT.
help() {
  local want=$1; shift
  local out
  out=$(env -u LC_ALL -u LC_MESSAGES -u LANGUAGE "$@" QT_QPA_PLATFORM=offscreen "$tessivo" --help 2>/dev/null)
  if ! grep -qF -- "$want" <<<"$out"; then
    echo "FAIL: $* -> no '$want' in:"; echo "$out"; fail=1
  fi
}
help "Schneidet eine MP3-Datei in mehrere MP3-Dateien." LANG=de_DE.UTF-8
help "Optionen:" LANG=de_DE.UTF-8
help "Schneidet eine MP3-Datei in mehrere MP3-Dateien." LANG=C.UTF-8 LANGUAGE=de
help "Schneidet eine MP3-Datei in mehrere MP3-Dateien." LANG=de_AT.UTF-8
help "Cuts one MP3 file into several MP3 files." LANG=C.UTF-8
help "Options:" LANG=C.UTF-8
help "Cuts one MP3 file into several MP3 files." LANG=en_GB.UTF-8
help "Cuts one MP3 file into several MP3 files." LANG=fr_FR.UTF-8
exit $fail
