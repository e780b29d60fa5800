#!/bin/sh
# The first run: when the program folder has no Mivo.ini yet, makes a short sample title in its sample/
# folder (drawn and encoded by mivo-sample, indexed by d2vindex) and writes a Mivo.ini naming it, so
# the program opens on a real source. An existing Mivo.ini is never touched.
# usage: prepare_sample.sh PROGRAM_FOLDER MIVO_SAMPLE
set -eu
prog=$(cd "$1" && pwd)
maker=$2
[ -e "$prog/Mivo.ini" ] && exit 0
mkdir -p "$prog/sample"
[ -s "$prog/sample/sample.m2v" ] || "$maker" "$prog/sample/sample.m2v"
"$prog/d2vindex" -q -o "$prog/sample/sample.d2v" "$prog/sample/sample.m2v"
ini=$(mktemp "$prog/Mivo.ini.XXXXXX")
trap 'rm -f "$ini"' EXIT
# The keyword fills 18 columns, the value follows; CR LF as the program writes it.
printf '*INFILE           %s\r\n*OUTFILE          %s\r\n*ASPECT           4:3\r\n' \
    "$prog/sample/sample.d2v" "$prog/sample/sample_encoded.m2v" >"$ini"
# -n: a Mivo.ini that appeared meanwhile stays as it is.
mv -n "$ini" "$prog/Mivo.ini"
