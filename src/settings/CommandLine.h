#pragma once

#include <QString>
#include <QStringList>

namespace settings {

// A command line split into the program and its arguments the way a
// desktop entry's Exec key is: blanks separate arguments; double quotes
// keep blanks and other special characters in one, and inside them a
// backslash takes the next ", `, $ or \ literally (any other backslash
// stays as written, so Windows paths need no doubling). No shell ever sees
// it, so nothing is expanded.
struct CommandLine
{
    QStringList arguments; // empty for a blank line
    QString error;         // why the line cannot be split; empty when it can
};

CommandLine splitCommandLine(const QString &line);

} // namespace settings
