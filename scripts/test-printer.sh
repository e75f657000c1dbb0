#!/usr/bin/env bash
# Makes a test printer the default CUPS printer: a queue whose backend keeps each job's document, as
# the program sent it, in a folder, where the print tests read it back with pdftotext. Starts cupsd when
# it is not running. Safe to run again and beside an existing CUPS set-up (only the test queue and the
# default printer change). Prints the folder of kept jobs on stdout; scripts/test.sh exports it as
# VRQ_TEST_PRINTER_FOLDER for the tests.
set -euo pipefail
queue="${VRQ_TEST_PRINTER_QUEUE:-VRQTestPrinter}"
folder="${VRQ_TEST_PRINTER_FOLDER:-/var/spool/vrq-test-printer}"
backend_dir=/usr/lib/cups/backend

sudo_cmd=""
[ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
say() { echo "test-printer: $*" >&2; }

for tool in cupsd lpadmin lpstat pdftotext; do
    command -v "$tool" >/dev/null 2>&1 || PATH="$PATH:/usr/sbin"
    command -v "$tool" >/dev/null 2>&1 || { say "$tool is missing: run scripts/setup.sh first"; exit 1; }
done

# The backend: called without arguments it describes itself; for a job it copies the document (the
# sixth argument, or standard input) into the folder of its device URI, renamed into place whole.
backend=$(mktemp)
cat >"$backend" <<'BACKEND'
#!/bin/sh
if [ $# -eq 0 ]; then
    echo 'direct keep "Unknown" "Keeps each job as a file"'
    exit 0
fi
folder="${DEVICE_URI#keep:}"
part="$folder/.job-$1.part"
if [ $# -ge 6 ]; then cp "$6" "$part"; else cat >"$part"; fi
chmod 644 "$part"
mv "$part" "$folder/job-$1.pdf"
exit 0
BACKEND
$sudo_cmd install -m 0755 -o root -g root "$backend" "$backend_dir/keep"
rm -f "$backend"
$sudo_cmd install -d -m 1777 "$folder"

if ! lpstat -r 2>/dev/null | grep -q "is running"; then
    say "starting cupsd"
    $sudo_cmd mkdir -p /run/cups
    $sudo_cmd cupsd
    for _ in $(seq 1 50); do
        lpstat -r 2>/dev/null | grep -q "is running" && break
        sleep 0.2
    done
    lpstat -r 2>/dev/null | grep -q "is running" || { say "cupsd did not start"; exit 1; }
fi

# A raw queue: the backend gets the document exactly as the program sent it.
$sudo_cmd lpadmin -p "$queue" -E -v "keep:$folder"
$sudo_cmd lpadmin -d "$queue"
lpstat -d 2>/dev/null | grep -q "$queue" || { say "$queue did not become the default printer"; exit 1; }
say "default printer $queue keeps its jobs in $folder"
echo "$folder"
