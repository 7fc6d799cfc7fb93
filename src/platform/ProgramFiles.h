#pragma once

#include <QString>

namespace platform {

// Where the program finds the files it brings along (its plug-ins,
// the default sound). In a build tree, and on systems that keep a program
// in one folder, they lie beside the executable; an installed program has
// them under its prefix, in lib/<architecture>/quorvel (or lib/quorvel)
// and share/quorvel beside its bin folder. Both are found relative to the
// executable, so an installation works wherever its prefix is.
enum class ProgramFileKind
{
    Library, // plug-ins
    Data     // sounds and the like
};

// The first of the places that holds the file, beside the program first;
// when none does, the one beside the program.
QString findProgramFile(const QString &programDir, ProgramFileKind kind, const QString &fileName);

// The same for this program (QCoreApplication::applicationDirPath()).
QString programFile(ProgramFileKind kind, const QString &fileName);
// The folder that holds that kind of file for this program: the installed
// one when it exists, else the program's folder.
QString programFolder(ProgramFileKind kind);

} // namespace platform
