#pragma once

#include <QDir>
#include <QStringList>

class QCommandLineParser;
class QCoreApplication;

namespace tonvex {

// The `tonvex` command line: --help, --version, and the files to open as one drop.
class CommandLine {
public:
    // Reads the application's arguments. --help, --version and an unknown option print
    // their answer and end the process, with status 1 for an unknown option.
    explicit CommandLine(const QCoreApplication& app);

    // Whether the arguments ask for the help or the version text, which a QCoreApplication
    // answers without any display; false for everything else, malformed or not.
    static bool asksForText(const QStringList& arguments);

    // The files named on the command line, as absolute local paths, in order.
    const QStringList& files() const { return m_files; }

    // Each argument as an absolute local path, in order: a relative path against `base`, a
    // file URI by its local path. Empty arguments and other URIs are left out, since a
    // remote file cannot be opened either when it is dropped.
    static QStringList localPaths(const QStringList& arguments, const QDir& base);

private:
    static void describe(QCommandLineParser& parser);

    QStringList m_files;
};

} // namespace tonvex
