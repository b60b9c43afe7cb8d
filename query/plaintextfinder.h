#pragma once

#include <QLatin1String>
#include <QString>
#include <QStringView>

#include <array>

// Finds a plain text in a cell's characters as they are stored, without
// making a QString of them: Latin-1 bytes (a record's message as its file
// keeps it) or UTF-16. Case-insensitive search compares simple case
// foldings, as QStringMatcher does.
//
// Cells with a character the view shows as a marker ("<U+0001>") cannot be
// searched here, as the marker's text is what the user sees and searches
// for: find() answers Unsure for them, and the caller searches the shown
// text instead.
class PlainTextFinder final
{
public:
    enum Result { NotFound, Found, Unsure };

    PlainTextFinder() = default;
    PlainTextFinder(const QString &text, Qt::CaseSensitivity sensitivity);

    // False for an empty text, or one this finder cannot search for (such a
    // text answers Unsure everywhere).
    bool isUsable() const { return usable; }

    Result find(QLatin1String cell) const;
    Result find(QStringView cell) const;

private:
    template<typename Char>
    Result findIn(const Char *data, int size) const;
    ushort fold(ushort unit) const;

    // What a character can be, looked up once per character scanned.
    enum Kind : uchar { Plain, FirstCharacter, Marker };
    uchar wideKind(ushort unit) const;

    // The text's characters, case-folded when the search ignores case.
    QString folded;
    bool ignoreCase = false;
    bool usable = false;
    // Each Latin-1 character as it is compared.
    std::array<ushort, 256> latin1Folded{};
    std::array<uchar, 256> latin1Kind{};
};
