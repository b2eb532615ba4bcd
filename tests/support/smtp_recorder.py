#!/usr/bin/python3
"""A loopback SMTP server for the mail tests and the mail benchmark.

Listens on 127.0.0.1 (or --host, another loopback address) on a free port and prints "READY <port>" on stdout once it accepts
connections. Every event is appended to --log as one JSON object per line: connect, ehlo, helo,
starttls, auth-line (an AUTH command arrived, before anything is checked), auth (its result),
mail, rcpt, data, quit. With --store, each message is also parsed with Python's
email package and written beside the log (message-N.eml, attachments as message-N-<name>), and
the data event carries the decoded subject, body, and attachment names.

Recipients whose address contains "reject" are refused with a 550 reply, those with "later"
with a 451 reply. AUTH accepts the user
"clerk" with the password "secret". --starttls CERT KEY offers STARTTLS; --no-ehlo refuses EHLO
so that clients must fall back to HELO; --hang-on TEXT takes the message of a recipient whose
address contains TEXT (the data event is logged) but never answers it, as a server that
stalls while a client is being stopped; --auth-plain-only lists PLAIN but not LOGIN;
--implicit-tls CERT KEY speaks TLS from the first byte (with --port 465, as port 465 does).
"""

import argparse
import asyncio
import email
import email.policy
import json
import os
import ssl
import sys

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


def over_tls(server):
    transport = server.transport
    return transport is not None and transport.get_extra_info("ssl_object") is not None


class Recorder:
    def __init__(self, log_path, store_dir):
        self.log = open(log_path, "a", encoding="utf-8")
        self.store_dir = store_dir
        self.count = 0
        self.hang_on = ""

    def event(self, **fields):
        self.log.write(json.dumps(fields) + "\n")
        self.log.flush()

    async def handle_HELO(self, server, session, envelope, hostname):
        self.event(ev="helo", host=hostname)
        session.host_name = hostname
        return "250 {}".format(server.hostname)

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        self.event(ev="ehlo", host=hostname, tls=over_tls(server))
        session.host_name = hostname
        return responses

    async def handle_MAIL(self, server, session, envelope, address, options):
        self.event(ev="mail", sender=address)
        envelope.mail_from = address
        envelope.mail_options.extend(options)
        return "250 OK"

    async def handle_RCPT(self, server, session, envelope, address, options):
        if "reject" in address:
            self.event(ev="rcpt", to=address, refused=True)
            return "550 5.1.1 <{}>: Recipient address rejected".format(address)
        if "later" in address:
            self.event(ev="rcpt", to=address, refused=True)
            return "451 4.7.1 <{}>: Try again later".format(address)
        self.event(ev="rcpt", to=address)
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        fields = dict(ev="data", sender=envelope.mail_from, rcpts=envelope.rcpt_tos,
                      size=len(envelope.content), tls=over_tls(server))
        if self.store_dir:
            fields.update(self.store(envelope.content))
        self.event(**fields)
        if self.hang_on and any(self.hang_on in rcpt for rcpt in envelope.rcpt_tos):
            await asyncio.sleep(3600)
        return "250 OK: queued"

    async def handle_QUIT(self, server, session, envelope):
        self.event(ev="quit")
        return "221 Bye"

    def store(self, content):
        base = os.path.join(self.store_dir, "message-{}".format(self.count))
        with open(base + ".eml", "wb") as f:
            f.write(content)
        msg = email.message_from_bytes(content, policy=email.policy.default)
        body = msg.get_body(preferencelist=("plain",))
        attachments = []
        for part in msg.iter_attachments():
            name = part.get_filename()
            path = "{}-{}".format(base, len(attachments))
            with open(path, "wb") as f:
                f.write(part.get_payload(decode=True))
            attachments.append({"name": name, "path": path,
                                "type": part.get_content_type()})
        return dict(subject=str(msg.get("Subject", "")),
                    from_header=str(msg.get("From", "")),
                    to_header=str(msg.get("To", "")),
                    cc_header=str(msg.get("Cc", "")),
                    bcc_header=str(msg.get("Bcc", "")),
                    date=str(msg.get("Date", "")),
                    message_id=str(msg.get("Message-ID", "")),
                    body=body.get_content() if body is not None else None,
                    attachments=attachments, eml=base + ".eml")


def authenticator(recorder):
    def check(server, session, envelope, mechanism, auth_data):
        user = ""
        ok = False
        if isinstance(auth_data, LoginPassword):
            user = auth_data.login.decode("utf-8", "replace")
            ok = auth_data.login == b"clerk" and auth_data.password == b"secret"
        recorder.event(ev="auth", mechanism=mechanism, user=user, ok=ok)
        return AuthResult(success=ok, handled=False)
    return check


class RecordingSMTP(SMTP):
    no_ehlo = False

    def connection_made(self, transport):
        if self._original_transport is None:
            self.event_handler.event(ev="connect")
        super().connection_made(transport)

    async def smtp_EHLO(self, hostname):
        if self.no_ehlo:
            self.event_handler.event(ev="ehlo-refused")
            await self.push("502 5.5.1 EHLO not implemented")
            return
        await super().smtp_EHLO(hostname)

    async def smtp_AUTH(self, arg):
        self.event_handler.event(ev="auth-line", tls=over_tls(self))
        await super().smtp_AUTH(arg)

    async def smtp_STARTTLS(self, arg):
        self.event_handler.event(ev="starttls")
        await super().smtp_STARTTLS(arg)


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--log", required=True)
    parser.add_argument("--store", default="")
    parser.add_argument("--starttls", nargs=2, metavar=("CERT", "KEY"))
    parser.add_argument("--no-ehlo", action="store_true")
    parser.add_argument("--auth-plain-only", action="store_true")
    parser.add_argument("--implicit-tls", nargs=2, metavar=("CERT", "KEY"))
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--hang-on", default="")
    args = parser.parse_args()

    recorder = Recorder(args.log, args.store)
    recorder.hang_on = args.hang_on
    context = None
    if args.starttls:
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(args.starttls[0], args.starttls[1])
    excluded = ["LOGIN"] if args.auth_plain_only else []
    wrapped = None
    if args.implicit_tls:
        wrapped = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        wrapped.load_cert_chain(args.implicit_tls[0], args.implicit_tls[1])

    def factory():
        server = RecordingSMTP(recorder, hostname="recorder.test", tls_context=context,
                               auth_require_tls=False, authenticator=authenticator(recorder),
                               auth_exclude_mechanism=excluded,
                               data_size_limit=0)
        server.event_handler = recorder
        server.no_ehlo = args.no_ehlo
        return server

    loop = asyncio.get_running_loop()
    server = await loop.create_server(factory, host=args.host, port=args.port, ssl=wrapped)
    port = server.sockets[0].getsockname()[1]
    print("READY {}".format(port), flush=True)
    # Ends when the test closes our standard input or kills us.
    reader = asyncio.StreamReader()
    await loop.connect_read_pipe(lambda: asyncio.StreamReaderProtocol(reader), sys.stdin)
    await reader.read()
    server.close()


if __name__ == "__main__":
    asyncio.run(main())
