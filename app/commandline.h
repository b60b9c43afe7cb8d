#pragma once

#include <QString>
#include <QStringList>

// The program's command line: the files to open, and the options --help
// (-h), --version and "--", after which every argument is a file, also one
// that starts with '-'. Any other argument that starts with '-' (but "-"
// alone, a file name) is an option the program does not know.
namespace commandline {

// The application version, as --version prints it.
inline const QString applicationVersion = QStringLiteral("1.0.0");

enum class Action
{
    Open,    // open the window with `files`
    Help,    // print the usage to standard output
    Version, // print the version to standard output
    Unknown, // report `unknown` and the usage on standard error
};

struct Parsed
{
    Action action = Action::Open;
    // The files named, in order, whatever the action.
    QStringList files;
    // The first option not known, for Action::Unknown.
    QString unknown;
    // --merge: the files show in one tab, merged by time.
    bool merge = false;
};

// Reads the arguments that follow the program's name. --help and --version
// win over an unknown option anywhere before "--".
Parsed parse(const QStringList &arguments);

// The arguments that follow the program's name in `argv`, decoded as file
// names are (bytes not valid in the locale's encoding are kept).
QStringList arguments(int argc, const char *const *argv);
// Where "--" is in `argv`, or `argc`: the toolkit is shown the arguments
// before it only, so that it takes no file for an option of its own.
int optionsEnd(int argc, const char *const *argv);

QString usage();
QString version();

// Prints what `parsed` asks for and returns the program's exit code: 0
// after the usage or the version on standard output, 2 after an unknown
// option and the usage on standard error. -1 when the window is to open.
int answer(const Parsed &parsed);

} // namespace commandline
