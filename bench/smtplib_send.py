#!/usr/bin/python3
"""The reference for bench_mail: Python's smtplib sends one message per file over one
connection, each built with the email package (text body, the file attached as PDF).
Prints the seconds from connecting to QUIT. With --prebuilt first, every message is built and
flattened before the clock starts, so only the transfer is timed. With --tls CAFILE HOST USER
PASSWORD first, it connects to HOST, starts TLS (the certificate checked against CAFILE and the
host name) and logs in with LOGIN before sending."""

import email.policy
import smtplib
import ssl
import sys
import time
from email.message import EmailMessage
from pathlib import Path



def message(path):
    msg = EmailMessage()
    msg["From"] = "office@example.org"
    msg["To"] = "participant@example.org"
    msg["Subject"] = "Your transcript"
    msg.set_content("Dear participant,\nyour transcript is attached.\n")
    msg.add_attachment(Path(path).read_bytes(), maintype="application", subtype="pdf",
                       filename=Path(path).name)
    return msg


args = sys.argv[1:]
tls = None
if args[0] == "--tls":
    tls = args[1:5]
    args = args[5:]
prebuilt = args[0] == "--prebuilt"
if prebuilt:
    args = args[1:]
port = int(args[0])
files = args[1:]
ready = [message(path).as_bytes(policy=email.policy.SMTP) for path in files] if prebuilt else None
start = time.perf_counter()
with smtplib.SMTP(tls[1] if tls else "127.0.0.1", port) as smtp:
    if tls:
        smtp.starttls(context=ssl.create_default_context(cafile=tls[0]))
        smtp.user, smtp.password = tls[2], tls[3]
        smtp.auth("LOGIN", smtp.auth_login)
    if prebuilt:
        for data in ready:
            smtp.sendmail("office@example.org", ["participant@example.org"], data)
    else:
        for path in files:
            smtp.send_message(message(path))
print("{:.6f}".format(time.perf_counter() - start))
