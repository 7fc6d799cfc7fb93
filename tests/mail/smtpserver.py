#!/usr/bin/python3
"""SMTP peers for the mail tests, on loopback only.

  smtp     a real SMTP server (aiosmtpd); --auth login|plain|none, --tls
           none|starttls|implicit with --cert NAME from --dir; records every message,
           every login and every byte it received (plain connections)
  silent   greets, then answers nothing (time-outs)
  hangup   greets, then closes the connection on EHLO
  wingate  a proxy double: prompts "WinGate>", reads "host:port", relays
  certs    makes a CA and two server certificates in --dir with openssl:
           ca.pem, good.pem/.key (localhost, 127.0.0.1), wrong.pem/.key
           (other.example only), then exits

Writes its port to --port-file once listening; records one JSON object per line in --record.
"""
import argparse
import asyncio
import json
import os
import ssl
import subprocess
import sys

from aiosmtpd.smtp import SMTP, AuthResult


def make_certificates(folder):
    def openssl(*args):
        subprocess.run(["openssl", *args], cwd=folder, check=True, capture_output=True)

    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
            "/CN=Quorvel Test CA", "-keyout", "ca.key", "-out", "ca.pem")
    for name, san in [("good", "DNS:localhost,IP:127.0.0.1"), ("wrong", "DNS:other.example")]:
        openssl("req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=" + name,
                "-keyout", name + ".key", "-out", name + ".csr")
        with open(os.path.join(folder, name + ".ext"), "w") as f:
            f.write("subjectAltName=" + san + "\n")
        openssl("x509", "-req", "-in", name + ".csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                "-CAcreateserial", "-days", "2", "-extfile", name + ".ext", "-out", name + ".pem")
    return 0


def main():
    p = argparse.ArgumentParser()
    p.add_argument("mode", choices=["smtp", "silent", "hangup", "wingate", "certs"])
    p.add_argument("--record")
    p.add_argument("--port-file")
    p.add_argument("--dir")
    p.add_argument("--auth", default="none", choices=["none", "login", "plain", "both"])
    p.add_argument("--tls", default="none", choices=["none", "starttls", "implicit"])
    p.add_argument("--cert", help="name of a certificate made by 'certs' in --dir")
    args = p.parse_args()
    if args.mode == "certs":
        return make_certificates(args.dir)
    record_file = open(args.record, "a", buffering=1)

    def record(**entry):
        record_file.write(json.dumps(entry) + "\n")

    loop = asyncio.new_event_loop()

    if args.mode == "smtp":
        class Handler:
            async def handle_DATA(self, server, session, envelope):
                encrypted = server.transport.get_extra_info("ssl_object") is not None
                record(kind="message", mail_from=envelope.mail_from,
                       rcpt_tos=envelope.rcpt_tos, encrypted=encrypted,
                       data=envelope.original_content.decode("latin-1"))
                return "250 OK"

        def authenticator(server, session, envelope, mechanism, auth_data):
            record(kind="login", mechanism=mechanism,
                   user=auth_data.login.decode("latin-1"),
                   password=auth_data.password.decode("latin-1"))
            return AuthResult(success=True)

        class RecordingSMTP(SMTP):
            def data_received(self, data):
                record(kind="raw", text=data.decode("latin-1"))
                super().data_received(data)

        context = None
        if args.tls != "none":
            context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
            context.load_cert_chain(os.path.join(args.dir, args.cert + ".pem"),
                                os.path.join(args.dir, args.cert + ".key"))
        kwargs = dict(hostname="mail.test", authenticator=authenticator)
        if args.auth != "none":
            kwargs["auth_required"] = True
            kwargs["auth_require_tls"] = args.tls == "starttls"
            if args.auth == "plain":
                kwargs["auth_exclude_mechanism"] = ["LOGIN"]
            elif args.auth == "login":
                kwargs["auth_exclude_mechanism"] = ["PLAIN"]
        if args.tls == "starttls":
            kwargs["tls_context"] = context
            kwargs["require_starttls"] = True
        factory = lambda: RecordingSMTP(Handler(), loop=loop, **kwargs)
        server = loop.run_until_complete(loop.create_server(
            factory, "127.0.0.1", 0, ssl=context if args.tls == "implicit" else None))
    else:
        async def serve(reader, writer):
            if args.mode == "wingate":
                writer.write(b"WinGate>")
                await writer.drain()
                target = (await reader.readline()).decode("latin-1").strip()
                record(kind="target", text=target)
                host, _, port = target.rpartition(":")
                try:
                    up_reader, up_writer = await asyncio.open_connection(host.strip("[]"), int(port))
                except (OSError, ValueError):
                    writer.close()
                    return

                async def pipe(src, dst):
                    while data := await src.read(65536):
                        dst.write(data)
                        await dst.drain()
                    dst.close()

                await asyncio.gather(pipe(reader, up_writer), pipe(up_reader, writer),
                                     return_exceptions=True)
                return
            writer.write(b"220 mail.test ESMTP\r\n")
            await writer.drain()
            while line := await reader.readline():
                record(kind="raw", text=line.decode("latin-1"))
                if args.mode == "hangup" and line.upper().startswith(b"EHLO"):
                    writer.close()
                    return
            writer.close()

        server = loop.run_until_complete(asyncio.start_server(serve, "127.0.0.1", 0))

    # Written beside and renamed, so the test never reads half a number.
    with open(args.port_file + ".new", "w") as f:
        f.write(str(server.sockets[0].getsockname()[1]))
    os.rename(args.port_file + ".new", args.port_file)
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
    from peerlife import end_with_test
    end_with_test(os.path.dirname(os.path.abspath(args.port_file)))
    try:
        loop.run_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    sys.exit(main())
