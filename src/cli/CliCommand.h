#pragma once

#include <QStringList>
#include <QTextStream>

namespace cli {

// One subcommand of quorvel-cli. run() gets the arguments after the
// subcommand's name and returns the exit status; it may run the event loop
// (QCoreApplication exists) for work that waits on the network.
struct CliCommand
{
    const char *name;
    const char *usage;   // the arguments, as shown after the name
    const char *summary; // one line for the help text
    int (*run)(const QStringList &args, QTextStream &out, QTextStream &err);
};

// quorvel-cli ip: host name, public IPv4 and IPv6 addresses, LAN addresses.
int runIp(const QStringList &args, QTextStream &out, QTextStream &err);
// quorvel-cli lookup NAME: the first IPv4 address of a host name.
int runLookup(const QStringList &args, QTextStream &out, QTextStream &err);
// quorvel-cli adapters: the adapter listing with MAC addresses.
int runAdapters(const QStringList &args, QTextStream &out, QTextStream &err);
// quorvel-cli mac ADDRESS: another machine's MAC address by ARP.
int runMac(const QStringList &args, QTextStream &out, QTextStream &err);
// quorvel-cli state: how the machine is connected to the Internet.
int runState(const QStringList &args, QTextStream &out, QTextStream &err);
// quorvel-cli ping ADDRESS [DATA]: one echo request, the reply's six fields.
int runPing(const QStringList &args, QTextStream &out, QTextStream &err);
// quorvel-cli trace HOST [--resolve] [--chars N]: the trace route listing.
int runTrace(const QStringList &args, QTextStream &out, QTextStream &err);

// quorvel-cli watch [--interval MIN]: refresh on a timer, report and mail
// every change of a public address (and run the change command and web
// hook), until SIGTERM or SIGINT.
int runWatch(const QStringList &args, QTextStream &out, QTextStream &err);
// quorvel-cli send-test-mail: one notification mail; 0 when it was sent.
int runSendTestMail(const QStringList &args, QTextStream &out, QTextStream &err);

} // namespace cli
