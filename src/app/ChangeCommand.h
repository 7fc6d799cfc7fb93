#pragma once

#include "AddressChange.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <optional>

class QProcess;

namespace app {

// Runs the "Change Command" for each change of a public address: without
// a shell (the line split like a desktop entry's Exec), with the change in
// its environment (QUORVEL_FAMILY, QUORVEL_OLD_IP, QUORVEL_NEW_IP,
// QUORVEL_HOST_NAME), killed when it takes too long. One run at a time: a
// change that comes meanwhile waits, and a newer change of the same family
// takes the place of one still waiting, so the command never runs twice at
// once and never falls behind by more than one change per family.
class ChangeCommand : public QObject
{
    Q_OBJECT
public:
    static constexpr int kTimeoutMs = 30000;
    // Of the error output only the first line is reported.
    static constexpr qsizetype kMaxErrorBytes = 4096;

    explicit ChangeCommand(QObject *parent = nullptr);
    ~ChangeCommand() override;

    void setTimeout(int ms) { m_timeoutMs = ms; }
    // Runs commandLine for change now, or after the run under way.
    void run(const QString &commandLine, const AddressChange &change);
    bool isRunning() const { return m_process != nullptr; }

signals:
    // One for each run: "Change Command (ipv4): exit status 0", or what
    // went wrong, with the first line of the error output.
    void finished(bool success, const QString &text);

private:
    struct Waiting
    {
        QString commandLine;
        std::optional<AddressChange> change;
    };
    void startNext();
    void report(bool success, const QString &what);

    QProcess *m_process = nullptr;
    QTimer m_timer;
    Waiting m_waiting[2]; // IPv4, IPv6
    int m_nextFamily = 0; // whose turn it is when both wait
    QString m_running;    // the family of the run under way
    QByteArray m_errorOutput;
    int m_timeoutMs = kTimeoutMs;
    bool m_timedOut = false;
};

} // namespace app
