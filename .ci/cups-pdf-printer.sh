#!/usr/bin/env bash
# Sets up a PDF printer as the default CUPS printer, so that the printing tests print on paper
# that can be read back. Run as root after installing cups, printer-driver-cups-pdf and
# poppler-utils. Safe to run again: it starts nothing that runs, and re-adding the queue keeps it.
#
# The PDFs land in /var/spool/cups-pdf/<user>/ (root's in /var/spool/cups-pdf/root/); jobs of
# unknown users in /var/spool/cups-pdf/ANONYMOUS/. The last line of output names the folder.
set -euo pipefail

queue=${CORVANE_PRINTER:-CorvanePDF}
conf=/etc/cups/cups-pdf.conf
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
spool=/var/spool/cups-pdf

if [[ $(id -u) -ne 0 ]]; then
    echo "cups-pdf-printer.sh: must run as root" >&2
    exit 1
fi
for file in /usr/sbin/cupsd /usr/lib/cups/backend/cups-pdf "$ppd" "$conf"; do
    if [[ ! -e $file ]]; then
        echo "cups-pdf-printer.sh: $file is missing (apt-get install cups printer-driver-cups-pdf)" >&2
        exit 1
    fi
done

# One known folder per user, instead of each user's home.
if ! grep -q "^Out ${spool}/\${USER}\$" "$conf"; then
    sed -i -e '/^Out[[:space:]]/d' "$conf"
    echo "Out ${spool}/\${USER}" >>"$conf"
fi
mkdir -p "$spool" /run/cups

scheduler_running() { lpstat -r 2>/dev/null | grep -q 'is running'; }

if ! scheduler_running; then
    # Started by hand, not on demand, so it does not exit when idle.
    /usr/sbin/cupsd
    for _ in $(seq 1 100); do
        scheduler_running && break
        sleep 0.1
    done
    if ! scheduler_running; then
        echo "cups-pdf-printer.sh: cupsd did not start" >&2
        exit 1
    fi
fi

# PDF jobs reach cups-pdf as PostScript; converted by pdftocairo their text stays readable
# (pdftotext), where the other converters leave glyphs without their characters.
lpadmin -p "$queue" -E -v cups-pdf:/ -P "$ppd" -D "PDF printer for Corvane's tests" \
    -o pdftops-renderer-default=pdftocairo 2>/dev/null
lpadmin -d "$queue"
cupsenable "$queue"
cupsaccept "$queue"

if ! lpstat -d | grep -q ": ${queue}\$"; then
    echo "cups-pdf-printer.sh: ${queue} did not become the default printer" >&2
    exit 1
fi
echo "default printer: ${queue}"
echo "PDF folder: ${spool}/$(id -un)"
