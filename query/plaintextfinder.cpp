#include "plaintextfinder.h"

#include "entrypresentation.h"


namespace {

// The characters the view replaces by markers, for the code units of the
// Basic Multilingual Plane; a surrogate counts as one, so cells with
// characters beyond it are left to the caller.
bool shownAsMarker(ushort unit)
{
    return EntryPresentation::isShownAsMarker(uint(unit));
}

} // namespace

PlainTextFinder::PlainTextFinder(const QString &text, Qt::CaseSensitivity sensitivity)
    : ignoreCase(sensitivity == Qt::CaseInsensitive)
{
    folded = text;
    if (ignoreCase) {
        for (QChar &c : folded)
            c = c.toCaseFolded();
    }
    usable = !text.isEmpty();
    for (const QChar c : text) {
        // Texts beyond the Basic Multilingual Plane, and texts with a
        // character the view replaces by a marker, go the general way.
        if (c.isSurrogate() || shownAsMarker(c.unicode()))
            usable = false;
    }
    for (int i = 0; i < 256; ++i)
        latin1Folded[size_t(i)] = ignoreCase ? QChar(ushort(i)).toCaseFolded().unicode() : ushort(i);
    for (int i = 0; i < 256; ++i) {
        if (shownAsMarker(ushort(i)))
            latin1Kind[size_t(i)] = Marker;
        else if (usable && latin1Folded[size_t(i)] == folded.at(0).unicode())
            latin1Kind[size_t(i)] = FirstCharacter;
    }
}

PlainTextFinder::Result PlainTextFinder::find(QLatin1String cell) const
{
    return findIn(reinterpret_cast<const uchar *>(cell.data()), cell.size());
}

PlainTextFinder::Result PlainTextFinder::find(QStringView cell) const
{
    return findIn(reinterpret_cast<const ushort *>(cell.data()), int(cell.size()));
}

ushort PlainTextFinder::fold(ushort unit) const
{
    if (unit < 256)
        return latin1Folded[unit];
    return ignoreCase ? QChar(unit).toCaseFolded().unicode() : unit;
}

template<typename Char>
PlainTextFinder::Result PlainTextFinder::findIn(const Char *data, int size) const
{
    if (!usable)
        return Unsure;
    const auto *pattern = reinterpret_cast<const ushort *>(folded.constData());
    const int length = folded.size();
    // A match before the first marker is one in the shown text as well: the
    // text holds no character shown as a marker, and markers replace only
    // those.
    for (int i = 0; i < size; ++i) {
        const ushort unit = ushort(data[i]);
        const uchar kind = unit < 256 ? latin1Kind[unit] : wideKind(unit);
        if (kind == Plain)
            continue;
        if (kind == Marker)
            return Unsure;
        if (i + length > size)
            continue;
        int k = 1;
        while (k < length && fold(ushort(data[i + k])) == pattern[k])
            ++k;
        if (k == length)
            return Found;
    }
    return NotFound;
}

uchar PlainTextFinder::wideKind(ushort unit) const
{
    if (shownAsMarker(unit))
        return Marker;
    return fold(unit) == folded.at(0).unicode() ? FirstCharacter : Plain;
}
