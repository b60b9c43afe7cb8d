#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Writes `content` to the file `name` in `dir` and returns its path; a test
// that cannot write its own input stops at once.
inline QString writeTestFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// One record a line at times 1, 2, 3, ...: each line is
// "level|subsystem|message", or just the message of an Info record of
// subsystem arm.
inline QByteArray records(const QStringList &lines)
{
    QByteArray out;
    for (int i = 0; i < lines.size(); ++i) {
        const QStringList parts = lines.at(i).split(QLatin1Char('|'));
        const QString level = parts.size() == 3 ? parts.at(0) : QStringLiteral("Info");
        const QString subsystem = parts.size() == 3 ? parts.at(1) : QStringLiteral("arm");
        out += QStringLiteral("%1.0 : %2 : %3 : %4\n").arg(i + 1).arg(level, subsystem, parts.last()).toUtf8();
    }
    return out;
}

// A log of `records` records of every level from a few subsystems, with
// nested actions started, completed, cancelled and left open, and a
// continuation line now and then; the same bytes for the same count.
inline QByteArray generatedLog(int records)
{
    static const char *const subsystems[] = {"drive", "arm", "vision", "planner"};
    static const char *const levels[] = {"Info", "Debug", "Warning", "Error"};
    QByteArray out;
    out.reserve(records * 48);
    int nextAction = 1;
    for (int i = 0; i < records; ++i) {
        const QByteArray time = QByteArray::number(i / 10) + '.' + QByteArray::number(i % 10) + "25";
        const char *subsystem = subsystems[(i * 7) % 4];
        out += time + " : " + levels[(i * 13) % 4 == 3 && i % 3 ? 1 : (i * 13) % 4] + " : " + subsystem + " : ";
        switch (i % 9) {
        case 0:
            out += "starting action: " + QByteArray::number(nextAction) + ": Pick, bin" + QByteArray::number(i % 5)
                + " [" + QByteArray::number(nextAction + 1) + ": Move [],"
                + QByteArray::number(nextAction + 2) + ": Grip []]\n";
            break;
        case 4:
            out += "completing action: " + QByteArray::number(nextAction) + ":\n";
            break;
        case 5:
            out += i % 2 ? "canceling action: " + QByteArray::number(nextAction + 1) + ": timeout\n"
                         : QByteArray("joint temperature ") + QByteArray::number(i % 97) + '\n';
            nextAction += 3;
            break;
        case 7:
            out += "message in two parts,\n    " + QByteArray(subsystem) + " : continued\n";
            break;
        default:
            out += "drive speed " + QByteArray::number(i % 1000) + " mm/s\n";
        }
    }
    return out;
}
