#pragma once

#include "logtypes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class LogFileEntry;
class RobotAction;

// What a record shows, wherever it is shown: the texts of its cells, their
// colours and tooltips, the markers of invisible characters, the format of
// times, the values the filter language sees, and the record line an export
// writes. The tree, find, the filter, copy, export and the analysis panels
// all ask here, so that they never disagree.
class EntryPresentation final
{
public:
    EntryPresentation() = delete;

    // The six columns of a record's row.
    enum Column { TimeColumn, TypeColumn, SubsystemColumn, ActionColumn, ActivityColumn, MessageColumn, ColumnCount };
    static const QStringList &headerLabels();

    // Cells show at most this many characters, followed by "…"; tooltips quote
    // at most maxToolTipLength characters of a record's own message.
    static constexpr int maxShownLength = 4096;
    static constexpr int maxToolTipLength = 1000;

    // Six significant digits below 1000 s, and from 1000 s on every integer
    // digit and up to three decimals, never an exponent.
    static QString timeText(double time);
    static const QString &typeName(EntryType type);
    static const QString &activityName(ActionActivity activity);
    // An action's name followed by ", " and each argument.
    static QString actionText(const RobotAction &action);
    // What the Message cell holds: the action of an action record, else the
    // record's message.
    static QString messageText(const LogFileEntry &entry);
    // The text of one cell of a record's row, before markers and capping.
    static QString cellText(const LogFileEntry &entry, int column);

    // The text with each control or format character other than a tab replaced
    // by "<U+XXXX>"; shared unchanged when it has none.
    static QString withVisibleControls(const QString &text);
    // Whether withVisibleControls() replaces this character by a marker.
    static bool isShownAsMarker(uint codePoint);
    // The text as a cell draws it: markers for invisible characters, and at
    // most maxShownLength characters.
    static QString shownText(const QString &text);

    // The tooltip of an action record's Message cell: the record's own text.
    static QString recordToolTip(const QString &message);
    // The tooltip of an action record's Activity cell, about its other end:
    // "Time 12.5, Complete".
    static QString partnerToolTip(const LogFileEntry &partner);
    // The same for a start record, with the outcome of its run on a second
    // line: "Time 12.5, Complete\nOutcome: Completed". `partner` is its
    // end, null for none; `restarted` when a later start of the same
    // action id comes before any end, which makes the outcome Restarted.
    // Without a partner, the outcome alone.
    static QString startToolTip(const LogFileEntry *partner, bool restarted);

    // Colours, as 0xRRGGBB, of the set in use (RowColours); noColour where
    // a cell keeps the view's own. partnerColour and clearedColour are the
    // light set's.
    static constexpr quint32 noColour = 0xFFFFFFFFu;
    static quint32 severityColour(EntryType type);
    static quint32 activityColour(ActionActivity activity);
    // The Message cell's colour of a record: its activity's for an action
    // record, else its severity's.
    static quint32 messageColour(const LogFileEntry &entry);
    static constexpr quint32 partnerColour = 0xFC9000;
    static constexpr quint32 clearedColour = 0xFFFFFF;
    // The text of rows shown only as context of the rows a filter keeps: the
    // grey nearest the view's background that still reads at a contrast of
    // 4.5 to 1 on the cell's background (the view's where it has none).
    static quint32 contextTextColour(quint32 background);
    // The contrast of two colours, from 1 (the same) to 21 (black on white).
    static double contrast(quint32 first, quint32 second);

    // Values of the filter language: texts in small letters.
    static QString lowered(const QString &text);
    static const QString &typeValue(EntryType type);
    static const QString &activityValue(ActionActivity activity);

    // The record as a line of the log's own format, with its line feed; it
    // reads back as the same record.
    static QByteArray recordLine(const LogFileEntry &entry);
    // The same with another message in place of the record's own.
    static QByteArray recordLine(const LogFileEntry &entry, const QString &message);
};

