#!/usr/bin/python3
"""An SMTP server on loopback for the mail tests (Debian's python3-aiosmtpd).

Prints "LISTENING <port>" once it accepts connections, then serves until stdin closes or
it is terminated. Every accepted message is saved as <dir>/<n>.eml and described by one JSON
line in <dir>/received.jsonl: the envelope, how the client authenticated, whether TLS was on,
and the message as Python's email package reads it.
"""

import argparse
import asyncio
import email
import email.policy
import functools
import json
import logging
import os
import ssl
import subprocess
import sys
import warnings

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


def parse_args():
    p = argparse.ArgumentParser()
    p.add_argument("--dir", required=True, help="where messages and the certificate go")
    p.add_argument("--tls", choices=["none", "starttls", "implicit"], default="none")
    p.add_argument("--user", default="hr@example.com")
    p.add_argument("--password", default="secret")
    p.add_argument("--auth-required", action="store_true")
    p.add_argument("--certificate-names", default="IP:127.0.0.1,DNS:localhost",
                   help="subjectAltName of the certificate")
    p.add_argument("--refuse-rcpt", action="append", default=[],
                   help="answer 550 to RCPT TO for this address")
    p.add_argument("--reply-mail", help="answer MAIL FROM with this reply, e.g. '451 try later'")
    p.add_argument("--reply-data", help="answer the end of DATA with this reply")
    p.add_argument("--drop-in-data", action="store_true",
                   help="close the connection after the 354 of DATA")
    p.add_argument("--silent", action="store_true",
                   help="accept connections and never say anything")
    p.add_argument("--discard", action="store_true",
                   help="accept every message and keep nothing (a sink for benchmarks)")
    p.add_argument("--delay-data-ms", type=int, default=0,
                   help="keep each accepted message this long before answering its DATA")
    p.add_argument("--greeting", help="greet with this reply (e.g. '421 busy') and hang up")
    p.add_argument("--reply-data-command", help="answer the DATA command itself with this reply")
    p.add_argument("--drop-after-data", action="store_true",
                   help="close the connection after the final '.' instead of replying")
    p.add_argument("--silent-after-greeting", action="store_true",
                   help="greet, then never answer again")
    p.add_argument("--silent-after-data", action="store_true",
                   help="never answer the final '.'")
    p.add_argument("--tls-handshake-fails", action="store_true",
                   help="offer STARTTLS, then answer the client's hello with a TLS alert")
    p.add_argument("--reply-delay-ms", type=int, default=0,
                   help="wait this long before every reply (not before each line of one)")
    return p.parse_args()


def make_certificate(folder, names):
    """A self-signed certificate (for 127.0.0.1 and localhost unless told otherwise); the client
    trusts it as its CA."""
    cert = os.path.join(folder, "server-cert.pem")
    key = os.path.join(folder, "server-key.pem")
    subprocess.run(
        ["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
         "-subj", "/CN=korvane-test", "-addext", "subjectAltName=" + names,
         "-keyout", key, "-out", cert],
        check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(cert, key)
    return context


def describe(content):
    msg = email.message_from_bytes(content, policy=email.policy.default)
    part = msg.get_body(preferencelist=("html", "plain")) or msg
    try:
        body = part.get_content()
    except Exception as error:  # an unreadable body is a finding, not a crash
        body = None
        sys.stderr.write("body not readable: %r\n" % error)
    header_end = content.find(b"\r\n\r\n")
    return {
        "from": str(msg["From"] or ""),
        "to": str(msg["To"] or ""),
        "subject": str(msg["Subject"] or ""),
        "raw_subject": str(email.message_from_bytes(
            content, policy=email.policy.compat32)["Subject"] or ""),
        "date": str(msg["Date"] or ""),
        "message_id": str(msg["Message-ID"] or ""),
        "mime_version": str(msg["MIME-Version"] or ""),
        "content_type": part.get_content_type(),
        "charset": part.get_content_charset() or "",
        "transfer_encoding": str(part["Content-Transfer-Encoding"] or ""),
        "body": body,
        "longest_line": max(len(line) for line in content.split(b"\r\n")),
        "header_lines": content[:header_end].decode("utf-8", "replace").split("\r\n"),
        "defects": [type(d).__name__ for d in msg.defects],
    }


class Handler:
    def __init__(self, args):
        self.args = args
        self.count = 0

    async def handle_MAIL(self, server, session, envelope, address, mail_options):
        if self.args.reply_mail:
            return self.args.reply_mail
        envelope.mail_from = address
        envelope.mail_options.extend(mail_options)
        return "250 OK"

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address in self.args.refuse_rcpt:
            return "550 5.1.1 <%s>: Recipient address rejected" % address
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if self.args.reply_data:
            return self.args.reply_data
        if self.args.silent_after_data:
            await asyncio.Future()  # until the client gives up
        if self.args.drop_after_data:
            server.transport.close()
            await asyncio.Future()
        if self.args.discard:
            return "250 OK"
        self.count += 1
        name = "%d.eml" % self.count
        content = envelope.original_content or envelope.content
        with open(os.path.join(self.args.dir, name), "wb") as f:
            f.write(content)
        tls = server._tls_protocol is not None or \
            server.transport.get_extra_info("ssl_object") is not None
        record = {
            "eml": name,
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "authenticated": bool(session.authenticated),
            "auth_mechanism": getattr(session, "auth_mechanism", ""),
            "auth_login": getattr(session, "auth_login", ""),
            "helo": session.host_name or "",
            "tls": tls,
        }
        record.update(describe(content))
        with open(os.path.join(self.args.dir, "received.jsonl"), "a", encoding="utf-8") as f:
            f.write(json.dumps(record, ensure_ascii=False) + "\n")
        if self.args.delay_data_ms:
            # Recorded but not yet confirmed: a client that dies now never hears of it.
            await asyncio.sleep(self.args.delay_data_ms / 1000)
        return "250 2.0.0 OK queued as %d" % self.count


class DroppingSMTP(SMTP):
    async def smtp_DATA(self, arg):
        await self.push("354 End data with <CR><LF>.<CR><LF>")
        self.transport.close()


class FaultySMTP(SMTP):
    """The faults aiosmtpd has no switch for: another greeting, silence, a delay before every
    reply, a refused DATA command and a TLS handshake that fails."""

    def __init__(self, *a, faults=None, **kw):
        super().__init__(*a, **kw)
        self.faults = faults
        self.greeted = False
        self.in_reply = False  # inside a multi-line reply: no delay before its next line

    async def push(self, status):
        text = status.decode("utf-8", "replace") if isinstance(status, bytes) else status
        if self.faults.reply_delay_ms and not self.in_reply:
            await asyncio.sleep(self.faults.reply_delay_ms / 1000)
        self.in_reply = len(text) > 3 and text[3] == "-"
        if not self.greeted:
            self.greeted = True
            if self.faults.greeting:
                await super().push(self.faults.greeting)
                self.transport.close()
                await asyncio.Future()
            await super().push(status)
            if self.faults.silent_after_greeting:
                await asyncio.Future()
            return
        await super().push(status)

    async def smtp_DATA(self, arg):
        if self.faults.reply_data_command and self.envelope.rcpt_tos:
            await self.push(self.faults.reply_data_command)
            return
        await super().smtp_DATA(arg)

    async def smtp_STARTTLS(self, arg):
        if not self.faults.tls_handshake_fails:
            await super().smtp_STARTTLS(arg)
            return
        await self.push("220 Ready to start TLS")
        await self._reader.read(5)  # the start of the client's hello
        # A fatal handshake_failure alert, as a server without a common cipher sends it.
        self._writer.write(bytes([0x15, 0x03, 0x03, 0x00, 0x02, 0x02, 0x28]))
        await self._writer.drain()
        self.transport.close()


def make_authenticator(args):
    def authenticate(server, session, envelope, mechanism, auth_data):
        session.auth_mechanism = mechanism
        if isinstance(auth_data, LoginPassword):
            session.auth_login = auth_data.login.decode("utf-8", "replace")
            ok = (auth_data.login == args.user.encode("utf-8") and
                  auth_data.password == args.password.encode("utf-8"))
            return AuthResult(success=ok, handled=False)
        return AuthResult(success=False, handled=False)
    return authenticate


async def serve(args):
    loop = asyncio.get_running_loop()
    context = make_certificate(args.dir, args.certificate_names) if args.tls != "none" else None
    if args.silent:
        async def silent(reader, writer):
            await reader.read()  # wait until the client gives up
            writer.close()
        server = await asyncio.start_server(silent, "127.0.0.1", 0)
    else:
        cls = DroppingSMTP if args.drop_in_data else SMTP
        handler = Handler(args)
        faulty = (args.greeting or args.reply_data_command or args.silent_after_greeting or
                  args.tls_handshake_fails or args.reply_delay_ms)
        if faulty:
            cls = functools.partial(FaultySMTP, faults=args)
        if args.tls_handshake_fails and context is None:
            context = make_certificate(args.dir, args.certificate_names)

        def factory():
            return cls(handler,
                       hostname="korvane-test.local",
                       tls_context=context if args.tls == "starttls" or
                       args.tls_handshake_fails else None,
                       authenticator=make_authenticator(args),
                       auth_required=args.auth_required,
                       auth_require_tls=args.tls == "starttls",
                       timeout=30,
                       loop=loop)
        server = await loop.create_server(
            factory, "127.0.0.1", 0, ssl=context if args.tls == "implicit" else None)
    port = server.sockets[0].getsockname()[1]
    print("LISTENING %d" % port, flush=True)
    # Serve until the test closes our stdin (or kills us).
    await loop.run_in_executor(None, sys.stdin.read)
    server.close()


def main():
    # aiosmtpd's own warnings and session logs would only clutter the test output.
    warnings.simplefilter("ignore")
    logging.getLogger("mail.log").setLevel(logging.CRITICAL)
    args = parse_args()
    os.makedirs(args.dir, exist_ok=True)
    asyncio.run(serve(args))


if __name__ == "__main__":
    main()
