#include "platform/Label.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>

#include "platform/Twips.h"

namespace platform {

Label::Label(QWidget* parent)
    : Control(new QLabel(parent)), label_(static_cast<QLabel*>(widget())) {
    label_->setTextFormat(Qt::PlainText);
    label_->setWordWrap(false);
}

void Label::setCaption(const QString& caption) {
    caption_ = caption;
    label_->setText(shownText());
    if (autoSize_) {
        fitToText();
    }
}

QString Label::shownText() const {
    QString shown = caption_.size() <= kMaxShownChars
                        ? caption_
                        : caption_.left(kMaxShownChars - 1) + QChar(0x2026);
    // Lines of a caption may end with CR LF; the widget breaks lines at LF alone.
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

void Label::setAutoSize(bool autoSize) {
    autoSize_ = autoSize;
    if (autoSize_) {
        fitToText();
    }
}

void Label::setColors(const QColor& fore, const QColor& back) {
    QPalette palette = label_->palette();
    palette.setColor(QPalette::WindowText, fore);
    palette.setColor(QPalette::Window, back);
    label_->setPalette(palette);
    label_->setAutoFillBackground(true);
}

void Label::setWordWrap(bool wrap) {
    label_->setWordWrap(wrap);
    label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void Label::setFont(const QFont& font) {
    label_->setFont(font);
    if (autoSize_) {
        fitToText();
    }
}

void Label::shrinkFontToFit() {
    constexpr qreal kSmallestPoints = 6.0;
    QFont font = label_->font();
    const QRect box(0, 0, label_->width(), 1 << 20);
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
    while (font.pointSizeF() > kSmallestPoints &&
           QFontMetrics(font).boundingRect(box, flags, label_->text()).height() >
               label_->height()) {
        font.setPointSizeF(std::max(kSmallestPoints, font.pointSizeF() - 0.5));
    }
    label_->setFont(font);
}

void Label::fitWithin(float width) {
    if (Width() <= width) {
        return;
    }
    const int margins = 2 * label_->margin() + 2;
    label_->setText(QFontMetrics(label_->font())
                        .elidedText(shownText(), Qt::ElideRight, toPixels(width) - margins));
    setWidth(width);
}

void Label::fitToText() {
    const QFontMetrics metrics(label_->font());
    const int margins = 2 * label_->margin() + 2;
    setWidth(toTwips(metrics.horizontalAdvance(label_->text()) + margins));
    setHeight(toTwips(metrics.height()));
}

QFont formFont(const QString& family, qreal pointSize) {
    QFont font;
    if (QFontDatabase::hasFamily(family)) {
        font.setFamily(family);
    } else {
        font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        font.setStyleHint(QFont::SansSerif);
    }
    font.setPointSizeF(pointSize);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    return font;
}

}  // namespace platform
