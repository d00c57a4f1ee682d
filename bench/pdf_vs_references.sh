#!/bin/sh
# Text to PDF, side by side with cups-filters' texttopdf on the same listing (80 columns,
# 60 lines a page, code page 437 with umlauts and box drawing; texttopdf gets the same
# text in UTF-8): druckserver-pdf with the default settings (permission code 3, so the
# finishing pass encrypts), on 1,000 and on 10,000 pages; each writes its PDF into a file
# (texttopdf, a filter, writes to its standard output, sent to the file). Then bitmap mode (PdfBitmap=1)
# on 48 pages, and a plain QPdfWriter loop with one drawText per line as a yardstick.
#
#   bench/pdf_vs_references.sh [BUILD_DIR] [RUNS]     (default: build, 7)
#
# The two programs run in turn, A B A B ..., RUNS times each as whole processes; printed
# are the median wall-clock and processor times of each and the median of the pairwise
# ratios druckserver-pdf / texttopdf (below 1: druckserver-pdf is faster). Pairing keeps
# the ratio honest when the machine's speed drifts between runs.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
runs=${2:-7}
tool=$build/druckserver-pdf
plain=$build/plain-qpdfwriter-loop
texttopdf=/usr/lib/cups/filter/texttopdf

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export APPDATA="$work/appdata" QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work"
mkdir -p "$APPDATA"
chmod 700 "$work"

# The same listing the benchmark executable writes.
cat > "$work/listing.py" <<'PY'
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

# Runs the commands in turn; prints median wall and processor seconds of each, and the
# median of the pairwise wall-clock ratios first / second. Arguments: runs, then each
# command as one string of words separated by blanks (no blanks inside a word; "-" for an
# empty one; a last word ">FILE" sends its standard output to FILE).
cat > "$work/paired.py" <<'PY'
import resource, statistics, subprocess, sys, time
runs, commands = int(sys.argv[1]), [[w if w != '-' else '' for w in c.split(' ')] for c in sys.argv[2:]]
outputs = [c.pop()[1:] if c[-1].startswith('>') else None for c in commands]
walls, cpus = [[] for _ in commands], [[] for _ in commands]
for run in range(runs + 1):  # the first round warms the caches and is not counted
    for i, command in enumerate(commands):
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        start = time.monotonic()
        with open(outputs[i] or '/dev/null', 'wb') as out:
            if subprocess.run(command, stdout=out, stderr=subprocess.DEVNULL).returncode != 0:
                sys.exit('failed: ' + ' '.join(command))
        wall = time.monotonic() - start
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        if run > 0:
            walls[i].append(wall)
            cpus[i].append(after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime)
print(' '.join('%.3f %.3f' % (statistics.median(w), statistics.median(c)) for w, c in zip(walls, cpus)), end='')
if len(commands) == 2:
    print(' %.3f' % statistics.median(a / b for a, b in zip(walls[0], walls[1])), end='')
print()
PY

versus() {
    pages=$1
    python3 "$work/listing.py" "$work/liste$pages.dat" "$pages"
    iconv -f CP437 -t UTF-8 "$work/liste$pages.dat" > "$work/liste$pages.txt"
    set -- $(python3 "$work/paired.py" "$runs" "$tool $work/liste$pages.dat $work/tool.pdf" \
        "$texttopdf 1 user title 1 - $work/liste$pages.txt >$work/texttopdf.pdf")
    printf '%6s pages: druckserver-pdf %6.2f s (CPU %6.2f s)  texttopdf %6.2f s (CPU %6.2f s)  ratio %.2f\n' \
        "$pages" "$1" "$2" "$3" "$4" "$5"
}

if [ ! -x "$tool" ]; then
    echo "druckserver-pdf: not built ($tool)"
    exit 1
fi
echo "paired runs, $runs of each, medians; ratio = druckserver-pdf / texttopdf, wall-clock"
if [ -x "$texttopdf" ]; then
    versus 1000
    versus 10000
else
    echo "texttopdf: missing (apt-get install cups-filters)"
fi

# Bitmap mode: every page one lossless picture.
python3 "$work/listing.py" "$work/liste48.dat" 48
printf '[Pserver]\r\nPdfBitmap=1\r\n' > "$work/bitmap.ini"
set -- $(python3 "$work/paired.py" "$runs" "$tool $work/liste48.dat $work/bitmap.pdf $work/bitmap.ini")
printf '    48 pages as pictures: druckserver-pdf %6.2f s (CPU %6.2f s)  %5.1f pages/s\n' "$1" "$2" \
    "$(echo "48 / $1" | bc -l)"

if [ -x "$plain" ]; then
    iconv -f CP437 -t UTF-8 "$work/liste1000.dat" > "$work/plain.txt" 2>/dev/null ||
        { python3 "$work/listing.py" "$work/liste1000.dat" 1000; iconv -f CP437 -t UTF-8 "$work/liste1000.dat" > "$work/plain.txt"; }
    set -- $(python3 "$work/paired.py" "$runs" "$plain $work/plain.txt $work/plain.pdf")
    printf '  1000 pages, plain QPdfWriter loop %6.2f s (CPU %6.2f s)\n' "$1" "$2"
fi
