#pragma once

#include <QDir>
#include <QStringList>

class QCoreApplication;

namespace tonvex {

// The `tonvex` command line: --help, --version, and the files to open as one drop.
class CommandLine {
public:
    // Reads the application's arguments. --help, --version and an unknown option print
    // their answer and end the process, with status 1 for an unknown option.
    explicit CommandLine(const QCoreApplication& app);

    // The files named on the command line, as absolute local paths, in order.
    const QStringList& files() const { return m_files; }

    // Each argument as an absolute local path, in order: a relative path against `base`, a
    // file URI by its local path. Empty arguments and other URIs are left out, since a
    // remote file cannot be opened either when it is dropped.
    static QStringList localPaths(const QStringList& arguments, const QDir& base);

private:
    QStringList m_files;
};

} // namespace tonvex
