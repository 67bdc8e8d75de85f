#pragma once

#include <QColor>
#include <QFont>

#include "platform/Control.h"

class QLabel;

namespace platform {

// A line of text. With AutoSize on, setting the caption gives the label the size of its text.
class Label : public Control {
public:
    explicit Label(QWidget* parent);

    QString Caption() const { return caption_; }
    void setCaption(const QString& caption);
    bool AutoSize() const { return autoSize_; }
    void setAutoSize(bool autoSize);
    void setColors(const QColor& fore, const QColor& back);
    void setFont(const QFont& font);
    // Long text breaks into lines within the label's width.
    void setWordWrap(bool wrap);
    // Makes the font smaller, down to a legible minimum, until the wrapped caption fits the
    // label: fonts differ between systems, and a fixed box must still show all of its text.
    void shrinkFontToFit();

    // No wider than `width` twips: a longer caption keeps its start and ends in an ellipsis at
    // that width. Undone by the next caption.
    void fitWithin(float width);

    // What the label shows: a caption longer than any screen is cut, so that measuring and
    // drawing stay cheap whatever a description file holds.
    QString shownText() const;
    static constexpr int kMaxShownChars = 1000;

private:
    void fitToText();

    QLabel* label_;
    QString caption_;
    bool autoSize_ = false;
};

// The font asked for by name and point size; the system's sans-serif at the same size stands in
// where that family is missing.
QFont formFont(const QString& family, qreal pointSize);

}  // namespace platform
