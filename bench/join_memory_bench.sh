#!/bin/sh
# Peak resident memory of a join of three 300 MB files, beside the largest
# input: join and --one-file hold one input at a time.
#   bench/join_memory_bench.sh [path/to/tessivo-cli] [MB per file]
set -e
CLI=${1:-build/cli/tessivo-cli}
MB=${2:-300}
DIR=$(mktemp -d)
trap 'rm -rf "$DIR"' EXIT
ffmpeg -v error -y -f lavfi -i sine=frequency=330:duration=20 -ac 2 -c:a libmp3lame \
    -b:a 320k -write_xing 0 -id3v2_version 0 "$DIR/piece.mp3"
python3 - "$DIR" "$MB" <<'PY'
import sys
d = open(sys.argv[1] + "/piece.mp3", "rb").read()
with open(sys.argv[1] + "/a.mp3", "wb") as f:
    for _ in range(int(sys.argv[2]) * 1024 * 1024 // len(d) + 1):
        f.write(d)
PY
cp "$DIR/a.mp3" "$DIR/b.mp3"
cp "$DIR/a.mp3" "$DIR/c.mp3"
/usr/bin/time -v "$CLI" join "$DIR/a.mp3" "$DIR/b.mp3" "$DIR/c.mp3" -o "$DIR/j.mp3" -q \
    2>"$DIR/time.txt"
echo "largest input: $(($(stat -c %s "$DIR/a.mp3") / 1024)) kB"
echo "output:        $(($(stat -c %s "$DIR/j.mp3") / 1024)) kB"
grep -E "Maximum resident|Elapsed" "$DIR/time.txt"
