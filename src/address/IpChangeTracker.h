#pragma once

#include <QString>

namespace address {

// The public address last accepted as current. It starts empty and is never
// stored, so the first refresh of every run counts as a change; failure
// texts are compared like addresses, so losing and regaining the connection
// are changes too. The window and the headless watcher share it, so both
// announce exactly the same changes.
class IpChangeTracker
{
public:
    // Compares exactly; on a difference, accepts the new text.
    bool accept(const QString &current);
    bool differs(const QString &current) const { return current != m_last; }
    QString last() const { return m_last; }

private:
    QString m_last;
};

} // namespace address
