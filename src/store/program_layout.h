#pragma once

#include <QString>
#include <QStringList>

namespace wormpair {

// Where the program's files lie. The program directory holds what is shipped
// (the factory database db1.ccq, the templates, the manuals, v.txt, the
// updater); the data directory holds what the program writes (the live
// database db1.mdb, gg, v-up.txt). They are one and the same folder when the
// program directory may be written (a build tree, a copied folder); an
// installed program directory may not, and then every user keeps their own
// data in $XDG_DATA_HOME/wormpair (by default ~/.local/share/wormpair).
struct ProgramLayout {
    QString programDirectory;  // ends with '/'
    QString dataDirectory;     // ends with '/'

    bool perUserData() const { return programDirectory != dataDirectory; }
};

// The layout for a program directory. With per-user data, the data
// directory is made and the installed db1.mdb copied into it on first use.
ProgramLayout programLayout(const QString& programDirectory);

// The user's data directory for the program, with the trailing '/'.
QString userDataDirectory();

// The folders whose files are the program's own (the program directory and
// the user's data directory), which no save or export may target; made
// nothing, unlike programLayout.
QStringList programFolders(const QString& programDirectory);

}  // namespace wormpair
