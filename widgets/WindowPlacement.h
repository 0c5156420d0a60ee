#pragma once

#include <QRect>
#include <QSize>

class QWidget;

// Pop-up windows place themselves over their owner, then are pushed back onto the screen.
namespace placement {

// A negative left or top becomes 0; an edge beyond the screen moves the window back by the
// overhang.
QRect pushInside(const QRect &window, const QRect &screen);

// Moves `window` (its frame) to `topLeft` and then inside the screen that holds it.
void moveInside(QWidget *window, const QPoint &topLeft);

// Sizes the window so that its frame, title bar included, is `outer`.
void setOuterSize(QWidget *window, const QSize &outer);

// Centres `window` over `owner`, inside the screen.
void centreOver(QWidget *window, const QWidget *owner);

// Shows a window modally without a nested event loop; a showing window is shown again
// without modality, as the notice boxes expect.
void showModal(QWidget *window);

} // namespace placement
