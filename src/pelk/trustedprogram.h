// Whether pelk may start a helper program found in the start directory (the
// runner script, the external viewer). A folder unpacked from elsewhere must
// not get a program of its own run just by starting pelk there: only regular
// executable files owned by the user or by root, and writable by nobody else,
// are run.
#pragma once

#include <QString>

class TrustedProgram {
  public:
    // "" when the file may be run, otherwise why not, as a phrase that
    // follows the file's name ("is writable by others").
    static QString problem(const QString& path);
};
