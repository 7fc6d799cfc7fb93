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
  postfix  a real MTA in a strict private configuration (needs root and Debian's postfix
           and sasl2-bin): its own config, queue and log under a fresh folder, three
           listeners on loopback (plain with AUTH in clear, STARTTLS required, implicit
           TLS) with good.pem from --dir, user "me" with password "pw", every mail for
           example.net kept in a maildir, nothing relayed anywhere; records each delivered
           message and each log line; stops Postfix when it ends

Writes its port (postfix: its three ports) to --port-file once listening; records one JSON
object per line in --record.
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


POSTFIX_MAIN = """
compatibility_level = 3.6
config_directory = {conf}
queue_directory = {root}/queue
data_directory = {root}/data
maillog_file = {root}/maillog
maillog_file_prefixes = {root}
myhostname = mail.test
mydestination =
inet_interfaces = 127.0.0.1
inet_protocols = ipv4
mynetworks = 127.0.0.0/8
smtp_dns_support_level = disabled
default_transport = error:no mail leaves this test
relay_transport = error:no mail leaves this test
local_transport = error:no local mail
notify_classes =
alias_maps =
alias_database =
virtual_mailbox_domains = example.net
virtual_mailbox_base = {root}/mail
virtual_mailbox_maps = static:inbox/
virtual_uid_maps = static:{uid}
virtual_gid_maps = static:{gid}
virtual_minimum_uid = 1
message_size_limit = 50000
smtpd_helo_required = yes
smtpd_helo_restrictions = reject_invalid_helo_hostname, reject_non_fqdn_helo_hostname
smtpd_sender_restrictions = reject_non_fqdn_sender
smtpd_recipient_restrictions = reject_non_fqdn_recipient
smtpd_relay_restrictions = permit_sasl_authenticated, reject_unauth_destination
smtpd_data_restrictions = reject_unauth_pipelining
smtpd_forbid_bare_newline = yes
smtpd_forbid_unauth_pipelining = yes
strict_rfc821_envelopes = yes
smtpd_tls_cert_file = {conf}/good.pem
smtpd_tls_key_file = {conf}/good.key
smtpd_sasl_type = cyrus
smtpd_sasl_path = smtpd
smtpd_sasl_auth_enable = yes
smtpd_tls_auth_only = yes
smtpd_tls_received_header = yes
"""

POSTFIX_MASTER = """
127.0.0.1:{plain} inet n - n - - smtpd -o smtpd_tls_auth_only=no
127.0.0.1:{starttls} inet n - n - - smtpd -o smtpd_tls_security_level=encrypt
  -o smtpd_relay_restrictions=permit_sasl_authenticated,reject
127.0.0.1:{implicit} inet n - n - - smtpd -o smtpd_tls_wrappermode=yes
  -o smtpd_relay_restrictions=permit_sasl_authenticated,reject
cleanup unix n - n - 0 cleanup
qmgr unix n - n 300 1 qmgr
tlsmgr unix - - n 1000? 1 tlsmgr
rewrite unix - - n - - trivial-rewrite
bounce unix - - n - 0 bounce
defer unix - - n - 0 bounce
trace unix - - n - 0 bounce
verify unix - - n - 1 verify
flush unix n - n 1000? 0 flush
proxymap unix - - n - - proxymap
error unix - - n - - error
retry unix - - n - - error
discard unix - - n - - discard
virtual unix - n n - - virtual
anvil unix - - n - 1 anvil
scache unix - - n - 1 scache
postlog unix-dgram n - n - 1 postlogd
showq unix n - n - - showq
"""


def run_postfix(args, record):
    import pwd
    import shutil
    import signal
    import socket
    import tempfile
    import time

    if os.geteuid() != 0 or not shutil.which("postfix") or not shutil.which("saslpasswd2"):
        print("the Postfix peer needs root and the packages postfix and sasl2-bin",
              file=sys.stderr)
        return 1
    account = pwd.getpwnam("postfix")
    # Postfix's own users must reach every folder on the way.
    root = tempfile.mkdtemp(prefix="quorvel-postfix-")
    os.chmod(root, 0o755)
    conf = os.path.join(root, "conf")
    for name in ("conf", "conf/sasl", "queue", "data", "mail"):
        os.mkdir(os.path.join(root, name), 0o755)
    for name in ("data", "mail"):
        os.chown(os.path.join(root, name), account.pw_uid, account.pw_gid)
    for name in ("good.pem", "good.key"):
        shutil.copy(os.path.join(args.dir, name), conf)
    sockets = [socket.socket() for _ in range(3)]
    for s in sockets:
        s.bind(("127.0.0.1", 0))
    ports = [s.getsockname()[1] for s in sockets]
    for s in sockets:
        s.close()
    with open(os.path.join(conf, "main.cf"), "w") as f:
        f.write(POSTFIX_MAIN.format(conf=conf, root=root, uid=account.pw_uid,
                                    gid=account.pw_gid))
    with open(os.path.join(conf, "master.cf"), "w") as f:
        f.write(POSTFIX_MASTER.format(plain=ports[0], starttls=ports[1], implicit=ports[2]))
    # Debian's Postfix reads the SASL settings from <config>/sasl.
    with open(os.path.join(conf, "sasl", "smtpd.conf"), "w") as f:
        f.write("pwcheck_method: auxprop\nauxprop_plugin: sasldb\nmech_list: PLAIN LOGIN\n"
                "sasldb_path: %s/sasldb2\n" % conf)
    subprocess.run(["saslpasswd2", "-f", os.path.join(conf, "sasldb2"), "-p", "-c",
                    "-u", "mail.test", "me"], input=b"pw", check=True)
    os.chown(os.path.join(conf, "sasldb2"), account.pw_uid, account.pw_gid)

    def stop(*_):
        subprocess.run(["postfix", "-c", conf, "abort"], capture_output=True)
        shutil.rmtree(root, ignore_errors=True)
        os._exit(0)

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    started = subprocess.run(["postfix", "-c", conf, "start"], capture_output=True, text=True)
    if started.returncode != 0:
        print("postfix did not start: " + started.stdout + started.stderr, file=sys.stderr)
        stop()
    with open(args.port_file + ".new", "w") as f:
        f.write(" ".join(map(str, ports)))
    os.rename(args.port_file + ".new", args.port_file)

    folder, parent = os.path.dirname(os.path.abspath(args.port_file)), os.getppid()
    seen, log_at = set(), 0
    inbox = os.path.join(root, "mail", "inbox", "new")
    while os.getppid() == parent and os.path.isdir(folder):
        try:
            with open(os.path.join(root, "maillog"), "rb") as f:
                f.seek(log_at)
                for line in f:
                    record(kind="log", text=line.decode("utf-8", "replace"))
                log_at = f.tell()
            for name in sorted(os.listdir(inbox)) if os.path.isdir(inbox) else []:
                if name not in seen:
                    seen.add(name)
                    with open(os.path.join(inbox, name), "rb") as f:
                        record(kind="message", data=f.read().decode("utf-8", "replace"))
        except OSError:
            pass
        time.sleep(0.05)
    stop()


def main():
    p = argparse.ArgumentParser()
    p.add_argument("mode", choices=["smtp", "silent", "hangup", "wingate", "certs", "postfix"])
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

    if args.mode == "postfix":
        return run_postfix(args, record)

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
