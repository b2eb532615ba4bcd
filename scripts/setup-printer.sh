#!/usr/bin/env bash
# Sets up the cups-pdf queue QuorvelPDF as the default printer, for the print tests: starts
# cupsd when it is not running, adds the queue once, and makes it the default. The queue
# converts with pdftocairo, so the text of the printed PDF files can be read back. Needs root
# and the packages cups and printer-driver-cups-pdf; fails (exit 1) without them.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
  echo "setup-printer: not root, cannot run cupsd or lpadmin" >&2
  exit 1
fi
for tool in cupsd lpadmin lpstat lpoptions; do
  command -v "$tool" >/dev/null || { echo "setup-printer: $tool is missing" >&2; exit 1; }
done
if [ ! -x /usr/lib/cups/backend/cups-pdf ]; then
  echo "setup-printer: the cups-pdf backend is missing (printer-driver-cups-pdf)" >&2
  exit 1
fi

if ! lpstat -r 2>/dev/null | grep -q "is running"; then
  cupsd
  for _ in $(seq 1 50); do
    lpstat -r 2>/dev/null | grep -q "is running" && break
    sleep 0.2
  done
fi
if ! lpstat -p QuorvelPDF >/dev/null 2>&1; then
  lpadmin -p QuorvelPDF -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd -E 2>/dev/null
fi
lpadmin -p QuorvelPDF -o pdftops-renderer-default=pdftocairo
cupsenable QuorvelPDF
cupsaccept QuorvelPDF
lpoptions -d QuorvelPDF >/dev/null
echo "setup-printer: QuorvelPDF is the default printer"
