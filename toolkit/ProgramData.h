#pragma once
// Where the program's own read-only data is: share/ravik of the installation
// it belongs to, found from the folder of the running program file, so an
// installation works wherever it was put (/usr, /usr/local, an unpacked
// package). The build tree holds the same layout for the programs built in
// it (build/share/ravik). Files get there with ravik_install_data() in CMake.
#include <QString>

// The folder's absolute path; it need not exist when the program has no data.
QString ProgramDataFolder();
