"""A real SMTP server for the tests (aiosmtpd, options as SmtpPeer.h describes); prints
"host port" once it listens. Keeps each mail in --out as N.json (envelope, session, and what
Python's email package reads) and N-attI (each attachment decoded)."""

import argparse, asyncio, email, email.policy, json, os, socket, ssl, subprocess, warnings
from aiosmtpd.smtp import SMTP, AuthResult


class Keeper:
    count = 0

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.endswith("@unknown.test"):
            return "550 5.1.1 Mailbox unavailable"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if any(address.endswith("@drop.test") for address in envelope.rcpt_tos):
            server.transport.abort()  # the line goes dead after the mail was handed over
            return "250 OK"
        self.count += 1
        base = os.path.join(args.out, str(self.count))
        msg = email.message_from_bytes(envelope.original_content, policy=email.policy.default)
        attachments = []
        for i, part in enumerate(msg.iter_attachments()):
            with open(f"{base}-att{i}", "wb") as f:
                f.write(part.get_payload(decode=True))
            attachments.append({"filename": part.get_filename(), "type": part.get_content_type(), "path": f"{base}-att{i}"})
        body = msg.get_body(preferencelist=("plain",))
        record = {"mail_from": envelope.mail_from, "rcpt_tos": envelope.rcpt_tos, "tls": session.ssl is not None,
                  "login": session.auth_data.login.decode() if session.auth_data else "",
                  "headers": {k.lower(): str(v) for k, v in msg.items()}, "body": body.get_content() if body else "",
                  "attachments": attachments}
        with open(base + ".part", "w", encoding="utf-8") as f:
            json.dump(record, f)
        os.rename(base + ".part", base + ".json")  # a reader never sees half a mail
        return "250 OK"


parser = argparse.ArgumentParser()
for option in ("--out", "--host", "--user", "--password"):
    parser.add_argument(option)
parser.add_argument("--starttls", action="store_true")
args = parser.parse_args()
host, options = args.host, {"hostname": "peer.test"}
if host == "external":  # the address this computer would send from
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as probe:
        probe.connect(("192.0.2.1", 9))
        host = probe.getsockname()[0]
if args.user:
    def check(server, session, envelope, mechanism, data):
        ok = (data.login.decode(), data.password.decode()) == (args.user, args.password)
        return AuthResult(success=ok, handled=False, auth_data=data)
    warnings.simplefilter("ignore")  # AUTH without TLS is what a loopback test wants
    options.update(authenticator=check, auth_required=True, auth_require_tls=args.starttls)
if args.starttls:
    cert, key = os.path.join(args.out, "cert.pem"), os.path.join(args.out, "key.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=localhost",
                    "-keyout", key, "-out", cert], check=True, capture_output=True)
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(cert, key)
    options.update(tls_context=context, require_starttls=True)


async def serve():
    keeper = Keeper()
    server = await asyncio.get_running_loop().create_server(lambda: SMTP(keeper, **options), host=host, port=0)
    print(host, server.sockets[0].getsockname()[1], flush=True)
    await server.serve_forever()

asyncio.run(serve())
