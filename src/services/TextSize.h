#pragma once

#include <QWidget>

namespace tovelo {

// One text size for every text area of the program. Ctrl++ (or Ctrl+=), Ctrl+- and Ctrl+0
// anywhere in the program, and Ctrl+wheel over a text area, make all of them larger, smaller or
// as they were, from 8 to 40 points. The size lives in the user's settings, so it is kept from
// one start to the next.
void followTextSize(QWidget* textArea);

// +1 a step larger, -1 a step smaller, 0 back to each area's own size.
void changeTextSize(int steps);

// The size chosen, in points; 0 while each area keeps its own.
qreal chosenTextSize();

} // namespace tovelo
