#!/bin/sh
# Text to PDF, side by side on one 1,000-page listing (80 columns, 60 lines a page, code
# page 437 with umlauts and box drawing): druckserver-pdf with the default settings
# (permission code 3, so the finishing pass encrypts), cups-filters' texttopdf on the
# same text in UTF-8, and a plain QPdfWriter loop with one drawText per line.
#
#   bench/pdf_vs_references.sh [BUILD_DIR]     (default: build)
#
# Prints seconds and pages per second for each, wall-clock and processor time, best of
# three runs.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
tool=$build/druckserver-pdf
plain=$build/plain-qpdfwriter-loop
texttopdf=/usr/lib/cups/filter/texttopdf
pages=1000

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export APPDATA="$work/appdata" QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work"
mkdir -p "$APPDATA"

# The same listing the benchmark executable writes.
python3 - "$work/liste.dat" "$pages" <<'PY'
import sys
path, pages = sys.argv[1], int(sys.argv[2])
enc = lambda s: s.encode('cp437')
top, rule, bottom = enc('╔' + '═' * 78 + '╗'), enc('╟' + '─' * 78 + '╢'), enc('╚' + '═' * 78 + '╝')
out = []
for page in range(1, pages + 1):
    out.append((b'\f' if page > 1 else b'') + top + b'\r\n')
    for line in range(2, 60):
        if line % 10 == 0:
            out.append(rule + b'\r\n')
            continue
        text = '║ %6d │ Müller & Söhne Größenänderung │ Übertrag %12.2f │ Straße %3d' % (page, line * 1234.5, line)
        out.append(enc(text[:79].ljust(79) + '║') + b'\r\n')
    out.append(bottom + b'\r\n')
open(path, 'wb').write(b''.join(out))
PY
iconv -f CP437 -t UTF-8 "$work/liste.dat" > "$work/liste.txt"

# best_of NAME OUTPUT COMMAND...: runs the command three times, keeps the fastest by
# wall-clock time and by processor time (user + system): on a shared machine the second
# is the steadier figure.
best_of() {
    name=$1 output=$2
    shift 2
    times=$(python3 - "$work/stdout" "$work/stderr" "$@" <<'PY'
import resource, subprocess, sys, time
out, err, command = sys.argv[1], sys.argv[2], sys.argv[3:]
best_wall = best_cpu = None
for run in range(3):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.monotonic()
    with open(out, 'wb') as o, open(err, 'wb') as e:
        if subprocess.run(command, stdout=o, stderr=e).returncode != 0:
            sys.exit(1)
    wall = time.monotonic() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    best_wall = wall if best_wall is None else min(best_wall, wall)
    best_cpu = cpu if best_cpu is None else min(best_cpu, cpu)
print(best_wall, best_cpu)
PY
    ) || { echo "$name: failed"; cat "$work/stderr"; return; }
    wall=${times% *} cpu=${times#* }
    [ -s "$work/stdout" ] && cp "$work/stdout" "$output"
    n=$(pdfinfo "$output" 2>/dev/null | awk '/^Pages:/ {print $2}')
    size=$(stat -c %s "$output")
    printf '%-22s %6.2f s %6.0f pages/s   CPU %6.2f s %6.0f pages/s   %5s pages %6.1f KiB/page\n' "$name" \
        "$wall" "$(echo "$pages / $wall" | bc -l)" "$cpu" "$(echo "$pages / $cpu" | bc -l)" "${n:-?}" \
        "$(echo "$size / $pages / 1024" | bc -l)"
}

[ -x "$tool" ] && best_of druckserver-pdf "$work/tool.pdf" "$tool" "$work/liste.dat" "$work/tool.pdf" ||
    echo "druckserver-pdf: not built ($tool)"
if [ -x "$texttopdf" ]; then
    best_of texttopdf "$work/texttopdf.pdf" "$texttopdf" 1 user title 1 "" "$work/liste.txt"
else
    echo "texttopdf: missing (apt-get install cups-filters)"
fi
[ -x "$plain" ] && best_of plain-qpdfwriter-loop "$work/plain.pdf" "$plain" "$work/liste.txt" "$work/plain.pdf" ||
    echo "plain-qpdfwriter-loop: not built ($plain)"
