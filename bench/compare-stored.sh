#!/usr/bin/env bash
# Runs two builds of vrqtoqx7 over the same inputs and shows what differs in what they stored and sent:
# the rows of calls, orders and line items, the audit entries' types and texts (their times differ from
# run to run), and the bytes of every order file. For a change meant to make the program faster without
# changing what it does, the diff must be empty.
#
# Usage: bench/compare-stored.sh OLD_VRQTOQX7 NEW_VRQTOQX7 [VRQ_GEN]
# The inputs: generated DataBin.Dat files of every dialect with odd content (bad, cut, duplicated and
# malformed calls, missing values, no file header), scanned order files of both dialects, and every
# input of the fuzz corpus of the call loop (its first byte chooses the DataBinFormat).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
old="$(realpath "$1")"
new="$(realpath "$2")"
gen="$(realpath "${3:-$root/build/tools/vrq-gen}")"
work="$(mktemp -d /tmp/vrq-compare.XXXXXX)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/inputs"

# name, then the DataBinFormat, then the input file (a DataBin.Dat) or "scanned:" and the scanned file.
cases=()
add_databin() { # name vrq-gen-arguments... (the generator names the DataBinFormat of its dialect)
    local name="$1"
    shift
    local said format
    said="$("$gen" databin "$work/inputs/$name" "$@")"
    format="$(sed -nE 's/.*\(DataBinFormat ([0-9]+)\).*/\1/p' <<<"$said")"
    cases+=("$name|${format:-0}|$work/inputs/$name")
}
for dialect in standard h v3 v5 f1; do
    add_databin "$dialect-plain" --dialect "$dialect" --calls 60 --seed 3
    add_databin "$dialect-odd" --dialect "$dialect" --calls 90 --seed 5 --bad-every 4 --null-every 5 \
        --duplicate-every 7 --malformed-every 6
    add_databin "$dialect-cut" --dialect "$dialect" --calls 20 --seed 9 --truncate
    add_databin "$dialect-headerless" --dialect "$dialect" --calls 20 --seed 11 --headerless
done
for dialect in standard f1; do
    for seed in 1 2 3; do
        "$gen" scanned "$work/inputs/scanned-$dialect-$seed.txt" --dialect "$dialect" --seed "$seed" \
            --orders 3 --items 4 >/dev/null
        cases+=("scanned-$dialect-$seed|0|scanned:$work/inputs/scanned-$dialect-$seed.txt")
    done
done
for input in "$root"/fuzz/corpus/call_loop/*; do
    name="fuzz-$(basename "$input")"
    selector=$(od -An -tu1 -N1 "$input" | tr -d ' ')
    [ -n "$selector" ] || continue
    tail -c +2 "$input" >"$work/inputs/$name"
    cases+=("$name|$((selector & 3))|$work/inputs/$name")
done

# One run of a build over one input in a fresh program folder; prints what it stored and sent.
run_case() { # program folder format input
    local program="$1" folder="$2" format="$3" input="$4"
    mkdir -p "$folder/home" "$folder/dcs" "$folder/host" "$folder/scan"
    local enable_files=False
    if [[ "$input" == scanned:* ]]; then
        cp "${input#scanned:}" "$folder/scan/"
        enable_files=True
    else
        cp "$input" "$folder/dcs/DataBin.Dat"
    fi
    cat >"$folder/VRQToQX7.ini" <<EOF
[QX7]
EnableCalls=True
EnableFiles=$enable_files
SystemID=3
LocalDrive=I
QX7Path=$folder/host/
DataBinPath=$folder/dcs/
ScannedFolder=$folder/scan/
DataBinFormat=$format
LastSeqNum=0
[Miscellaneous]
MonitorNetwork=False
LastDatePurged=$(date '+%m/%d/%Y')
EOF
    local code=0
    VRQTOQX7_HOME="$folder/home" VRQTOQX7_SETTINGS="$folder/VRQToQX7.ini" QT_QPA_PLATFORM=offscreen \
        "$program" --once >/dev/null 2>&1 || code=$?
    echo "exit $code"
    local store="$folder/home/CallsAndOrders.db"
    for table in Calls Orders OrderLineItems; do
        echo "-- $table"
        # Every column but the times a run stamps (the extraction's).
        sqlite3 -header "$store" "SELECT * FROM $table ORDER BY 1, 2, 3, 4" 2>&1 |
            sed -E 's/[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}/<time>/g'
    done
    echo "-- Audit"
    sqlite3 "$store" "SELECT Type, Msg FROM Audit ORDER BY rowid" 2>&1 |
        sed -E 's/[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}/<time>/g; s/[0-9]+ ms/<n> ms/g'
    echo "-- order files"
    (cd "$folder/host" && find . -type f | sort | while read -r f; do echo "$f $(sha256sum <"$f" | cut -c1-16)"; done)
}

differing=0
for c in "${cases[@]}"; do
    IFS='|' read -r name format input <<<"$c"
    # The same folder for both, so that the texts naming it are the same.
    run_case "$old" "$work/run" "$format" "$input" >"$work/old-$name.txt"
    rm -rf "$work/run"
    run_case "$new" "$work/run" "$format" "$input" >"$work/new-$name.txt"
    rm -rf "$work/run"
    if ! diff -u "$work/old-$name.txt" "$work/new-$name.txt" >"$work/$name.diff"; then
        differing=$((differing + 1))
        cat "$work/$name.diff"
    fi
done
echo "${#cases[@]} inputs compared ($(cat "$work"/old-*.txt | grep -vc '^--') lines of rows, entries and files), $differing differ"
[ "$differing" -eq 0 ]
