#!/usr/bin/python3
"""The reference for bench_mail: Python's smtplib sends one message per file over one
connection, each built with the email package (text body, the file attached as PDF).
Prints the seconds from connecting to QUIT."""

import smtplib
import sys
import time
from email.message import EmailMessage
from pathlib import Path

port = int(sys.argv[1])
files = sys.argv[2:]
start = time.perf_counter()
with smtplib.SMTP("127.0.0.1", port) as smtp:
    for path in files:
        msg = EmailMessage()
        msg["From"] = "office@example.org"
        msg["To"] = "participant@example.org"
        msg["Subject"] = "Your transcript"
        msg.set_content("Dear participant,\nyour transcript is attached.\n")
        msg.add_attachment(Path(path).read_bytes(), maintype="application", subtype="pdf",
                           filename=Path(path).name)
        smtp.send_message(msg)
print("{:.6f}".format(time.perf_counter() - start))
