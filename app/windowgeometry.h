#pragma once

class QWidget;

// Where the window goes on the screen.
namespace windowgeometry {

// About three quarters of the primary screen, centred: the size hint alone
// hides the Message column.
void placeOnFirstStart(QWidget *window);
// Keeps a restored geometry only when its frame lies mostly on a screen,
// with the frame cut to that screen's available area and moved inside it;
// false when it must be placed anew. A geometry saved on a larger screen,
// or damaged, could make a window far larger than any screen (and a backing
// store of gigabytes), or one out of reach.
bool fitRestored(QWidget *window);

} // namespace windowgeometry
