#include "command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>
#include <QUrl>

namespace tonvex {
namespace {

// "scheme://": how a launcher names a file it wants opened through a URL.
const QRegularExpression kUrlStart(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));

// The local path a file URI names; empty when it names no local file, such as a file on
// another host. A relative "file:name" is a file name, not a URI.
QString pathOfFileUrl(const QString& argument)
{
    QUrl url(argument);
    if (url.host().compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        url.setHost(QString());
    if (!url.isValid() || !url.isLocalFile() || !url.host().isEmpty())
        return {};
    const QString path = url.toLocalFile();
    return path.startsWith(QLatin1Char('/')) ? path : QString();
}

} // namespace

void CommandLine::describe(QCommandLineParser& parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Makes new music out of a Standard MIDI File by a pitch transformation, and plays it.\n"
                       "The files open as if dropped on the window; a Tonvex window already running takes them."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("files"),
                                 QStringLiteral("MIDI files to open (paths or file:// URIs)."),
                                 QStringLiteral("[FILE...]"));
}

CommandLine::CommandLine(const QCoreApplication& app)
{
    QCommandLineParser parser;
    describe(parser);
    parser.process(app);
    m_files = localPaths(parser.positionalArguments(), QDir::current());
}

bool CommandLine::asksForText(const QStringList& arguments)
{
    QCommandLineParser parser;
    describe(parser);
    // Options unknown here may be Qt's own (-platform), which only a QApplication takes.
    parser.parse(arguments);
    return parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))
        || parser.isSet(QStringLiteral("version"));
}

QStringList CommandLine::localPaths(const QStringList& arguments, const QDir& base)
{
    QStringList paths;
    for (const QString& argument : arguments) {
        if (argument.isEmpty())
            continue;
        if (argument.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
            const QString path = pathOfFileUrl(argument);
            if (!path.isEmpty()) {
                paths.push_back(QDir::cleanPath(path));
                continue;
            }
        }
        if (kUrlStart.match(argument).hasMatch())
            continue;
        paths.push_back(QDir::cleanPath(base.absoluteFilePath(argument)));
    }
    return paths;
}

} // namespace tonvex
