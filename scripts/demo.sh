#!/usr/bin/env bash
# Sets up and builds, generates a sample DataBin.Dat (and two scanned order files) in a demo program folder,
# then runs the program on it: the Calls window when a display exists, else one headless pass that shows
# the host order files it wrote.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh build

demo="${VRQ_DEMO_HOME:-$PWD/build/demo}"
rm -rf "$demo"
mkdir -p "$demo/drives/C/ZIR32/DCS" "$demo/drives/C/WBZ" "$demo/smb/DEMOHOST/Qdls/QX7Com"
cat > "$demo/VRQToQX7.ini" <<INI
[QX7]
QX7Name=DEMOHOST
SystemID=1
EnableFiles=True
FileScanMinutes=1

[Miscellaneous]
ProcessDelay=5

[Drives]
ShareRoot=$demo/smb
INI

build/tools/vrq-gen databin "$demo/drives/C/ZIR32/DCS/DataBin.Dat" --calls 40 --orders 3 --items 4 --seed 7 --bad-every 7
# Two order files in the scanned folder (ScannedFolder C:\WBZ is drives/C/WBZ).
build/tools/vrq-gen scanned "$demo/drives/C/WBZ/Order1.txt" --orders 2 --items 3 --seed 11
build/tools/vrq-gen scanned "$demo/drives/C/WBZ/Order2.txt" --orders 1 --items 5 --seed 12
export VRQTOQX7_HOME="$demo" VRQTOQX7_SETTINGS="$demo/VRQToQX7.ini"

if [ -n "${DISPLAY:-}" ]; then
    echo "Starting the Calls window over $demo (close it to stop)."
    echo "The scanned files are taken at the second scan, about two minutes after the start."
    exec build/src/vrqtoqx7
fi

# A scanned file is taken once a scan sees it unchanged since the one before: the first pass takes
# DataBin.Dat and lists the scanned folder, the second takes the two scanned files.
status=0
build/src/vrqtoqx7 --once || status=$?
echo "First pass ended with exit code $status."
status=0
build/src/vrqtoqx7 --once || status=$?
echo "Second pass ended with exit code $status."
host="$demo/smb/DEMOHOST/Qdls/QX7Com"
echo
echo "Order files written to the host folder ($host):"
ls "$host"
first=$(ls "$host"/*.Rcv 2>/dev/null | head -n 1 || true)
if [ -n "$first" ]; then
    echo
    echo "$(basename "$first"):"
    tr -d '\r' < "$first"
fi
echo
echo "Audit log:"
sqlite3 -separator '  ' "$demo/CallsAndOrders.db" \
    "SELECT AuditDNT, Instance, Type, Msg FROM Audit ORDER BY AuditDNT, Seq" | tail -n 20
