#!/usr/bin/env bash
# Writes the seed corpus of every fuzz target into fuzz/corpus/<target>/ from the test-data generator.
# Each call-data seed is one selector byte (DataBinFormat in bits 0-1, batch mode in bit 2, a second
# pass in bit 3) followed by the file. Usage: fuzz/make-corpus.sh [path/to/vrq-gen]
set -euo pipefail
cd "$(dirname "$0")/.."
gen="${1:-}"
if [ -z "$gen" ]; then
    for candidate in build-fuzz/tools/vrq-gen build/tools/vrq-gen; do
        [ -x "$candidate" ] && gen="$candidate" && break
    done
fi
[ -x "$gen" ] || { echo "make-corpus: no vrq-gen (build it first or name it)" >&2; exit 1; }
export ASAN_OPTIONS=detect_leaks=0

out=fuzz/corpus
# Inputs that once found a fault (regression-*) are kept; the generated seeds are written again.
mkdir -p "$out/call_loop" "$out/call_framing" "$out/scanned_file" "$out/settings"
find "$out/call_loop" "$out/call_framing" "$out/scanned_file" "$out/settings" -type f ! -name 'regression-*' -delete
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# seed TARGET NAME SELECTOR FILE: the selector byte (decimal) and the file's bytes.
seed() {
    printf "\\$(printf '%03o' "$3")" >"$out/$1/$2"
    cat "$4" >>"$out/$1/$2"
}
format_of() {
    case "$1" in f1) echo 1 ;; v5) echo 2 ;; *) echo 0 ;; esac
}

common=(--calls 3 --orders 2 --items 2)
for d in standard h v3 v5 f1; do
    f=$(format_of "$d")
    "$gen" databin "$tmp/good.dat" --dialect "$d" --seed 1 "${common[@]}" >/dev/null
    "$gen" databin "$tmp/bad.dat" --dialect "$d" --seed 2 "${common[@]}" --bad-every 2 >/dev/null
    "$gen" databin "$tmp/null.dat" --dialect "$d" --seed 3 "${common[@]}" --null-every 2 --duplicate-every 3 >/dev/null
    "$gen" databin "$tmp/trunc.dat" --dialect "$d" --seed 4 --calls 2 --orders 1 --items 2 --truncate --headerless >/dev/null
    "$gen" databin "$tmp/malformed.dat" --dialect "$d" --seed 5 "${common[@]}" --malformed-every 1 >/dev/null
    seed call_loop "$d-good" "$f" "$tmp/good.dat"
    seed call_loop "$d-bad" "$f" "$tmp/bad.dat"
    seed call_loop "$d-null-duplicate" "$f" "$tmp/null.dat"
    seed call_loop "$d-truncated-headerless" "$f" "$tmp/trunc.dat"
    seed call_loop "$d-malformed" "$f" "$tmp/malformed.dat"
    seed call_loop "$d-batch-good" $((f + 4)) "$tmp/good.dat"
    seed call_loop "$d-batch-malformed" $((f + 4)) "$tmp/malformed.dat"
    seed call_loop "$d-second-pass" $((f + 8)) "$tmp/bad.dat"
done
# A dialect read under another format, and the format no parser takes.
"$gen" databin "$tmp/v5.dat" --dialect v5 --seed 6 "${common[@]}" >/dev/null
seed call_loop v5-as-format0 0 "$tmp/v5.dat"
"$gen" databin "$tmp/std.dat" --seed 7 "${common[@]}" >/dev/null
seed call_loop standard-as-format1 1 "$tmp/std.dat"
seed call_loop standard-as-format2 2 "$tmp/std.dat"
seed call_loop standard-format3 3 "$tmp/std.dat"

# The framing target builds its file from the input: a selector byte (DataBinFormat in bits 0-1, no file
# header in bit 2, a second pass in bit 3), then four bytes per call (byte 0: the dialect in bits 0-1, the
# upstream's bad flag in bit 2, cut short in bit 3, the count of bytes of no call that follow in bits
# 4-7; byte 1: orders, items and seed; bytes 2-3: how much of a cut call's data is written).
c="$out/call_framing"
printf '\x00\x00\x05\x00\x00\x08\x04\x64\x00\x00\x02\x00\x00' >"$c/standard-cut-in-the-middle"
printf '\x00\x09\x05\x07\x00\x3a\x11\x30\x00&&x\x00\x06\x00\x00\x0b\x02\x10\x00' >"$c/format0-dialects-cut-and-junk"
printf '\x01\x00\x07\x00\x00\x0c\x03\x20\x00\x00\x05\x00\x00\x08\x03\x20\x00' >"$c/f1-cut-and-last-cut"
printf '\x02\x04\x05\x00\x00\x09\x04\x40\x00\x00\x08\x00\x00\x0c\x01\x10\x00' >"$c/v5-and-standard-bad-and-cut"
printf '\x0c\x00\x03\x00\x00\x28\x05\x50\x00xy\x01\x04\x00\x00' >"$c/headerless-second-pass"
# Sixty calls, more than a group of commits, every seventh cut short.
{
    printf '\x00'
    for i in $(seq 1 60); do
        seedByte="\\x$(printf '%02x' "$i")"
        if ((i % 7 == 0)); then printf "\\x08$seedByte\\x33\\x00"; else printf "\\x00$seedByte\\x00\\x00"; fi
    done
} >"$c/sixty-calls-some-cut"

# Scanned files: format 1 takes the F1 dialect; every other format reads as format 0.
for d in standard h v3 f1; do
    f=$(format_of "$d")
    for s in 1 2; do
        "$gen" scanned "$tmp/scan.txt" --dialect "$d" --orders "$s" --items 3 --seed "$s"
        seed scanned_file "$d-$s" "$f" "$tmp/scan.txt"
    done
    head -c 40 "$tmp/scan.txt" >"$tmp/cut.txt"
    seed scanned_file "$d-truncated" "$f" "$tmp/cut.txt"
done
"$gen" scanned "$tmp/scan.txt" --seed 9
seed scanned_file standard-format2 2 "$tmp/scan.txt"
seed scanned_file standard-format3 3 "$tmp/scan.txt"
printf 'x' >"$tmp/one.txt"
seed scanned_file one-byte 0 "$tmp/one.txt"

# Settings files and single setting texts.
s="$out/settings"
cat >"$s/full.ini" <<'INI'
[Startup]
DetailsTop=120
DetailsLeft=-40
[QX7]
SystemID=3
EnableCalls=True
EnableFiles=False
QX7Name=Host order entry
LocalDrive=I
QX7Path=I:\QX7Com\
DataBinPath=C:\ZIR32\DCS\
ScannedFolder=/srv/vrq/scan/
FileScanMinutes=30
DataBinFormat= 1
LastSeqNum=17
LastScannedCallNum=42
[Miscellaneous]
LastDateRun=12/05/2026 09:00:00
LastDatePurged=3/7/2010 2:05:09 PM
ProcessDelay=10
DaysOfHistory=14
MonitorNetwork=True
AutoConnect=-1
DataBinAudit=0
NextDataBinNum=999
[Drives]
I=/mnt/qx7
ShareRoot=/smb
INI
cat >"$s/bad-values.ini" <<'INI'
[Startup]
DetailsTop=40000
DetailsLeft=12.5
[QX7]
EnableCalls=maybe
FileScanMinutes= 2.5e3 
DataBinFormat=nan
LastSeqNum=0x10
[Miscellaneous]
LastDateRun=02/30/2026 10:00:00
LastDatePurged=01/01/70
DaysOfHistory=-32768
QX7Name="a, b, c"
INI
printf '[QX7]\nQX7Path=\\\\host\\Qdls\\\nDataBinPath=.\\..\\DCS\nScannedFolder=C:\n[Drives]\nc=/tmp\nQ=\n' >"$s/paths.ini"
printf '12/31/1999 23:59:59' >"$s/date-24h"
printf '2026-12-05T09:00:00' >"$s/date-iso"
printf '1/2/29' >"$s/date-two-digit"
printf '  -32768.5 ' >"$s/int-edge"
printf 'TRUE' >"$s/bool-true"
printf 'I:\\QX7Com\\..\\DCS\\DataBin.Dat' >"$s/drive-path"
printf '/srv/./vrq/../vrq/dcs/' >"$s/native-path"
printf '\\ZIR32\\DCS' >"$s/rooted-path"
for t in call_loop call_framing scanned_file settings; do echo "$t: $(ls "$out/$t" | wc -l) seeds"; done
