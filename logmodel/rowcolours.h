#pragma once

#include <QtGlobal>

// The colours rows are drawn in, as 0xRRGGBB, in a light set (dark text on
// a white view) and a dark set (light text on a dark view). Every pair of a
// set's text and one of its cell colours reads at a contrast of at least
// 4.5 to 1. The set in use is the program's, chosen on the GUI thread.
struct RowColours final
{
    quint32 text;
    quint32 base;
    quint32 error;
    quint32 warning;
    quint32 start;
    quint32 complete;
    quint32 cancel;
    quint32 partner;
    // The translucent mark of a find match over a cell, as 0xAARRGGBB.
    quint32 findMark;

    static const RowColours &light();
    static const RowColours &dark();
    static const RowColours &current();
    static bool isDark();
    static void setDark(bool dark);

    // The text of rows shown only as context of the rows a filter keeps:
    // the grey nearest the view's background that still reads at 4.5 to 1
    // on `background` (the view's own for EntryPresentation::noColour).
    quint32 contextText(quint32 background) const;
};
