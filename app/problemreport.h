#pragma once

#include <QString>
#include <QStringList>

class LogFile;

// The words the window uses about numbers and about lines that could not be
// read, in the status line and in tab tooltips.
namespace problemreport {

// How many of a file's reader messages the status tooltip lists, and how many
// a tab's tooltip lists. The reader cuts each message short already.
constexpr int maxListedMessages = 100;
constexpr int maxTabListedMessages = 20;

// 149184 as "149,184".
QString groupedNumber(qint64 value);
// "3 lines of robot could not be read".
QString summary(qint64 count, const QString &name);
// The first `limit` messages of a file, then how many more problems it had.
QStringList listed(const LogFile &file, int limit);
// What the status line says of files that could not be opened, given the
// reader's message of each and their names: the message of one, or
// "could not open 3 files: a.log, b.log, c.log".
QString openFailures(const QStringList &messages, const QStringList &names);
// The tooltip of the warning icon of a tab whose file had problems: how many
// lines could not be read, the file's path and the first messages.
QString tabToolTip(const QString &path, const LogFile &file);

} // namespace problemreport
