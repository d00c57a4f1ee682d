"""A real SMTP server for the tests (aiosmtpd), run with Debian's /usr/bin/python3.

Listens on a free port of --host, prints that port as its first line, and keeps every
mail it accepts in --out: N.eml (the bytes received), N-attI (each attachment's
decoded content) and N.json (envelope, session and what Python's email package reads
from the message), the JSON written last so a reader never sees half a mail.

--user/--password: AUTH is offered and required, and only that login succeeds.
--starttls: a self-signed certificate is made; STARTTLS is offered and required.
Recipients at the domain "unknown.test" are refused as a server refuses unknown mailboxes.
"""

import argparse
import asyncio
import email
import email.policy
import json
import os
import ssl
import subprocess
import warnings

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class Keeper:
    def __init__(self, out):
        self.out = out
        self.count = 0

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.endswith("@unknown.test"):
            return "550 5.1.1 Mailbox unavailable"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.out, str(self.count))
        raw = envelope.original_content
        with open(base + ".eml", "wb") as f:
            f.write(raw)
        msg = email.message_from_bytes(raw, policy=email.policy.default)
        attachments = []
        for i, part in enumerate(msg.iter_attachments()):
            path = f"{base}-att{i}"
            with open(path, "wb") as f:
                f.write(part.get_payload(decode=True))
            attachments.append({"filename": part.get_filename(), "type": part.get_content_type(), "path": path})
        body = msg.get_body(preferencelist=("plain",))
        login = session.auth_data.login.decode() if isinstance(session.auth_data, LoginPassword) else None
        record = {
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "tls": session.ssl is not None,
            "login": login,
            "headers": {k: str(msg[k]) for k in ("from", "to", "cc", "bcc", "subject", "date", "message-id") if k in msg},
            "body": body.get_content() if body is not None else None,
            "attachments": attachments,
        }
        with open(base + ".json.part", "w", encoding="utf-8") as f:
            json.dump(record, f)
        os.rename(base + ".json.part", base + ".json")
        return "250 OK"


def authenticator(user, password):
    def check(server, session, envelope, mechanism, auth_data):
        ok = isinstance(auth_data, LoginPassword) and auth_data.login.decode() == user and \
            auth_data.password.decode() == password
        return AuthResult(success=ok, handled=False, auth_data=auth_data)
    return check


def tls_context(folder):
    cert, key = os.path.join(folder, "cert.pem"), os.path.join(folder, "key.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=localhost",
                    "-keyout", key, "-out", cert], check=True, capture_output=True)
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(cert, key)
    return context


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", required=True)
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--user")
    parser.add_argument("--password", default="")
    parser.add_argument("--starttls", action="store_true")
    args = parser.parse_args()

    keeper = Keeper(args.out)
    options = {"hostname": "peer.test"}
    warnings.simplefilter("ignore")  # AUTH without TLS is what a loopback test wants
    if args.user is not None:
        options.update(authenticator=authenticator(args.user, args.password), auth_required=True,
                       auth_require_tls=args.starttls)
    if args.starttls:
        options.update(tls_context=tls_context(args.out), require_starttls=True)
    server = await asyncio.get_running_loop().create_server(lambda: SMTP(keeper, **options), host=args.host, port=0)
    print(server.sockets[0].getsockname()[1], flush=True)
    await server.serve_forever()


asyncio.run(main())
