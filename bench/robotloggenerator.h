#pragma once

#include <QString>
#include <QtGlobal>

// What a generated robot log should hold.
struct RobotLogOptions
{
    qint64 lines = 100000;
    quint64 variant = 1;
    // Starts that no end record ever follows. -1: about 5% of the actions are
    // abandoned at random. Otherwise exactly this many extra standalone
    // starts, spread evenly over the file, and no random abandonment.
    qint64 neverCompleted = -1;
};

// What a generated log holds, for reports.
struct RobotLogStats
{
    qint64 lines = 0;        // lines written, including unusable and continuation lines
    qint64 records = 0;      // record lines
    qint64 actions = 0;      // actions created, sub-actions included
    qint64 openActions = 0;  // actions started and never completed or canceled
};

// Writes a robot control log of `options.lines` lines to `path`: records of
// every level from several subsystems, continuation lines, nested actions that
// start and complete or get canceled, some that never end, and a few lines
// the reader cannot use. The same options always give the same bytes: the
// generator uses its own random number generator and formats numbers itself.
bool writeRobotLog(const QString &path, const RobotLogOptions &options, RobotLogStats *stats,
                   QString *error);
