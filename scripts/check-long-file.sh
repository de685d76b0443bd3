#!/usr/bin/env bash
# Manual check, not part of CI: builds a 10-hour 8 kbit/s MP3 in /tmp (one
# minute encoded with lame, repeated) and runs info, split and peaks on it
# with the time and peak memory of each. Usage: scripts/check-long-file.sh CLI
set -euo pipefail
cli=${1:?usage: scripts/check-long-file.sh path/to/tessivo-cli}
work=$(mktemp -d /tmp/tessivo-long.XXXXXX)
trap 'rm -rf "$work"' EXIT
sox -n -r 8000 -c 1 -b 16 "$work/min.wav" synth 60 sine 300-900
lame --quiet -t -b 8 -m m "$work/min.wav" "$work/min.mp3"
for _ in $(seq 600); do cat "$work/min.mp3"; done >"$work/tenhours.mp3"
ls -l "$work/tenhours.mp3"
measure() {
  /usr/bin/time -f "  %e s, max RSS %M kB, exit %x" "$@"
}
echo "info:"
measure "$cli" info "$work/tenhours.mp3" | head -4
echo "split into 12 parts:"
mkdir "$work/out"
measure "$cli" split "$work/tenhours.mp3" --parts 12 --out "$work/out" >/dev/null
cat "$work/out"/*.mp3 | cmp - "$work/tenhours.mp3" && echo "  parts joined = source"
echo "peaks:"
measure "$cli" peaks "$work/tenhours.mp3" | tail -n +2 | wc -l
