#include "rowcolours.h"

#include "entrypresentation.h"

#include <QHash>

#include <atomic>

namespace {

std::atomic<bool> darkInUse{false};

} // namespace

const RowColours &RowColours::light()
{
    static const RowColours colours{0x000000, 0xFFFFFF, 0xFF0000, 0xFFFF00, 0xC0FFC0,
                                    0xC0C0FF, 0xFFC0C0, 0xFC9000, 0x6EFF9600};
    return colours;
}

const RowColours &RowColours::dark()
{
    // Darker shades of the light set's hues, under light text.
    static const RowColours colours{0xE6E6E6, 0x1E1E1E, 0x8B1A1A, 0x665500, 0x1F4D1F,
                                    0x2B2B6E, 0x5E2A3A, 0x8A4A00, 0x6EC07000};
    return colours;
}

const RowColours &RowColours::current()
{
    return isDark() ? dark() : light();
}

bool RowColours::isDark()
{
    return darkInUse.load(std::memory_order_relaxed);
}

void RowColours::setDark(bool dark)
{
    darkInUse.store(dark, std::memory_order_relaxed);
}

quint32 RowColours::contextText(quint32 background) const
{
    if (background == EntryPresentation::noColour)
        background = base;
    // Cells have a handful of colours; each is worked out once per thread
    // and set.
    thread_local QHash<quint64, quint32> known;
    const quint64 key = (quint64(base) << 32) | background;
    const auto found = known.constFind(key);
    if (found != known.constEnd())
        return found.value();
    // From a grey between the text and the view's background towards the
    // text, the first that reads well is taken.
    const bool darkText = (text & 0xFF) < (base & 0xFF);
    quint32 chosen = text;
    for (int step = 0; step <= 0x96; ++step) {
        const int level = darkText ? 0x96 - step : 0x60 + step;
        const quint32 grey = quint32(level) * 0x010101u;
        if (EntryPresentation::contrast(grey, background) >= 4.5) {
            chosen = grey;
            break;
        }
    }
    known.insert(key, chosen);
    return chosen;
}
