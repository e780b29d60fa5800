#!/bin/sh
# Runs the GNU parallel example of doc/queue.md as written, on this machine alone (HOSTS=:), over two
# jobs: both outputs are complete streams of every frame, and the two jobs ran at the same time.
set -eu
doc=$1 program=$2 work=$3
command -v parallel >/dev/null || { echo "GNU parallel is not installed (Debian package parallel)"; exit 1; }
rm -rf "$work"
mkdir -p "$work/jobs"

# The block under the example's heading, without the three lines that set its folders and machines.
example=$(awk '/^## Spreading jobs/ {on=1} on && /^```sh/ {inside=1; next} inside && /^```/ {exit}
               inside && !/^(MIVO|JOBS|HOSTS)=/ {print}' "$doc")
[ -n "$example" ] || { echo "no example found in $doc"; exit 1; }

ffmpeg -v error -f lavfi -i testsrc2=size=720x576:rate=25 -frames:v 120 -c:v mpeg2video -q:v 4 \
  "$work/source.m2v"
"$program/d2vindex" -q -o "$work/source.d2v" "$work/source.m2v"
for n in 1 2; do
  printf '*INFILE  %s\r\n*OUTFILE %s\r\n*FRAMES  0 %d\r\n' "$work/source.d2v" "$work/jobs/title$n.m2v" \
    $((100 + n * 5)) > "$work/jobs/title$n.ini"
done

MIVO=$program JOBS=$work/jobs HOSTS=:
export MIVO JOBS HOSTS
status=0
sh -c "$example" || status=$?
[ "$status" -eq 0 ] || { echo "parallel ended with $status"; cat "$work"/jobs/*.out; exit 1; }

for n in 1 2; do
  frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
    -of default=nw=1:nk=1 "$work/jobs/title$n.m2v")
  [ "$frames" -eq $((101 + n * 5)) ] || { echo "title$n.m2v: $frames frames"; exit 1; }
  [ ! -e "$work/jobs/title$n.m2v.writing" ] || { echo "title$n.m2v.writing left behind"; exit 1; }
done
# One job per core: on two or more cores the second job started before the first one ended.
if [ "$(nproc)" -ge 2 ]; then
  awk -F'\t' 'NR > 1 { start[NR] = $3; end[NR] = $3 + $4 }
              END { if (!(start[3] < end[2] && start[2] < end[3])) { print "the jobs ran one after the other"; exit 1 } }' \
    "$work/jobs/parallel.log"
fi
echo "parallel example: 2 jobs encoded side by side"
