#pragma once

#include <QRect>
#include <QSize>
#include <Qt>

class QWidget;

// Pop-up windows place themselves over their owner, then are pushed back onto the screen.
namespace placement {

// A negative left or top becomes 0; an edge beyond the screen moves the window back by the
// overhang.
QRect pushInside(const QRect &window, const QRect &screen);

// Moves `window` (its frame) to `topLeft` and then inside the screen that holds it.
void moveInside(QWidget *window, const QPoint &topLeft);

// Sizes the window so that its frame, title bar included, is `outer`, also when the frame
// is known only after the window is first shown. The window keeps that size; it grows beyond
// it only where its contents need `minimumInner` (large fonts, a tall title bar).
void setOuterSize(QWidget *window, const QSize &outer, const QSize &minimumInner = QSize());

// The same for a window the operator may resize afterwards.
void resizeOuter(QWidget *window, const QSize &outer);

// The window's size with its frame (as set by setOuterSize, or as it stands).
QSize outerSize(QWidget *window);

// A box of fixed size whose title bar offers only the close button.
Qt::WindowFlags fixedBoxFlags();

// The window's frame on the screen, as the window manager has it.
QRect frameOf(const QWidget *window);

// Where a box that sits at `offset` on an owner of its first `ownerSize` goes now: it keeps
// its place in the middle as the owner grows.
QPoint offsetOver(const QRect &ownerFrame, const QPoint &offset, const QSize &ownerSize);

// Centres `window` over `owner`, inside the screen.
void centreOver(QWidget *window, const QWidget *owner);

// Shows a window modally without a nested event loop; a showing window is shown again
// without modality, as the notice boxes expect.
void showModal(QWidget *window);

} // namespace placement
