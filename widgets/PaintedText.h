#pragma once

#include <QSize>
#include <QString>

// A widget that paints text of its own says what that text needs and what room it has, so
// that a cut-off text can be found without reading pixels.
class PaintedText
{
public:
    virtual ~PaintedText() = default;
    // The text as it is painted now, and the width and height it needs in the font used.
    virtual QString paintedText() const = 0;
    virtual QSize paintedTextNeeds() const = 0;
    virtual QSize paintedTextRoom() const = 0;
};
