// Placeholder until the libvterm screen lands.
#include "TerminalScreen.h"

#include <QPainter>

struct TerminalScreen::Private
{
};

TerminalScreen::TerminalScreen(QWidget *parent) : QWidget(parent), d(new Private) {}
TerminalScreen::~TerminalScreen() { delete d; }
void TerminalScreen::feed(const QByteArray &) {}
int TerminalScreen::scrollbackLimit() const { return 10000; }
int TerminalScreen::scrollbackCount() const { return 0; }
QString TerminalScreen::selectedText() const { return {}; }
void TerminalScreen::selectAll() {}
void TerminalScreen::copySelection() {}
void TerminalScreen::clearScreen() {}
QString TerminalScreen::screenText() const { return {}; }
QString TerminalScreen::allText() const { return {}; }
int TerminalScreen::rows() const { return 24; }
int TerminalScreen::columns() const { return 80; }
void TerminalScreen::paintEvent(QPaintEvent *) {}
void TerminalScreen::resizeEvent(QResizeEvent *) {}
void TerminalScreen::keyPressEvent(QKeyEvent *) {}
void TerminalScreen::mousePressEvent(QMouseEvent *) {}
void TerminalScreen::mouseMoveEvent(QMouseEvent *) {}
void TerminalScreen::mouseReleaseEvent(QMouseEvent *) {}
void TerminalScreen::mouseDoubleClickEvent(QMouseEvent *) {}
void TerminalScreen::wheelEvent(QWheelEvent *) {}
bool TerminalScreen::focusNextPrevChild(bool) { return false; }
