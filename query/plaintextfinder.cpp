#include "plaintextfinder.h"

#include <type_traits>

namespace {

// The characters EntryPresentation::withVisibleControls() replaces by
// markers, for the code units of the Basic Multilingual Plane; a surrogate
// counts as one, so cells with characters beyond it are left to the caller.
bool shownAsMarker(ushort unit)
{
    if (unit >= 0x20 && unit < 0x7f)
        return false;
    if (unit == '\t')
        return false;
    switch (QChar::category(uint(unit))) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

// Whether a Latin-1 byte is shown as a marker, looked up in a table made once.
bool latin1ShownAsMarker(uchar byte)
{
    static const std::array<bool, 256> table = [] {
        std::array<bool, 256> shown{};
        for (int i = 0; i < 256; ++i)
            shown[size_t(i)] = shownAsMarker(ushort(i));
        return shown;
    }();
    return table[byte];
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
}

PlainTextFinder::Result PlainTextFinder::find(QLatin1String cell) const
{
    return findIn(reinterpret_cast<const uchar *>(cell.data()), cell.size());
}

PlainTextFinder::Result PlainTextFinder::find(QStringView cell) const
{
    return findIn(reinterpret_cast<const ushort *>(cell.data()), int(cell.size()));
}

template<typename Char>
PlainTextFinder::Result PlainTextFinder::findIn(const Char *data, int size) const
{
    if (!usable)
        return Unsure;
    constexpr bool latin1 = std::is_same<Char, uchar>::value;
    const auto fold = [this](Char c) -> ushort {
        if (latin1)
            return latin1Folded[size_t(c)];
        return ignoreCase ? QChar(ushort(c)).toCaseFolded().unicode() : ushort(c);
    };
    const auto marker = [](Char c) {
        if (latin1)
            return latin1ShownAsMarker(uchar(c));
        return (ushort(c) < 0x20 || ushort(c) >= 0x7f) && shownAsMarker(ushort(c));
    };
    const auto *pattern = reinterpret_cast<const ushort *>(folded.constData());
    const int length = folded.size();
    const ushort first = pattern[0];
    // A match before the first marker is one in the shown text as well: the
    // text holds no character shown as a marker, and markers replace only
    // those.
    for (int i = 0; i < size; ++i) {
        if (marker(data[i]))
            return Unsure;
        if (i + length > size || fold(data[i]) != first)
            continue;
        int k = 1;
        while (k < length && fold(data[i + k]) == pattern[k])
            ++k;
        if (k == length)
            return Found;
    }
    return NotFound;
}
