#include "platform/CommandButton.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPushButton>

#include <algorithm>

namespace platform {

namespace {

// Buttons keep their designed size in twips, but the fonts standing in for the designed one
// are often wider: the caption's font shrinks (to 6 points at least) until the caption fits,
// rather than losing its last letters.
class CaptionFitter : public QObject {
public:
    explicit CaptionFitter(QPushButton* button) : QObject(button), button_(button) {
        button->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (watched == button_ && !fitting_ &&
            (type == QEvent::Resize || type == QEvent::Polish || type == QEvent::FontChange)) {
            fit();
        }
        return false;
    }

private:
    void fit() {
        fitting_ = true;
        if (designedPoints_ <= 0) {
            designedPoints_ = button_->font().pointSizeF();
        }
        constexpr qreal kSmallestPoints = 6.0;
        QFont font = button_->font();
        font.setPointSizeF(designedPoints_);
        while (font.pointSizeF() > kSmallestPoints && !fits(font)) {
            font.setPointSizeF(std::max(kSmallestPoints, font.pointSizeF() - 0.5));
        }
        if (font != button_->font()) {
            button_->setFont(font);
        }
        fitting_ = false;
    }

    bool fits(const QFont& font) const {
        // A few pixels each side for the frame; the style's own margins are wider than a
        // button of the designed size ever had.
        constexpr int kFramePixels = 6;
        const int text = QFontMetrics(font).size(Qt::TextShowMnemonic, button_->text()).width();
        return text + kFramePixels <= button_->width();
    }

    QPushButton* button_;
    qreal designedPoints_ = 0;
    bool fitting_ = false;
};

}  // namespace

CommandButton::CommandButton(QWidget* parent, const QString& caption, std::function<void()> onClick)
    : Control(new QPushButton(caption, parent)), button_(static_cast<QPushButton*>(widget())) {
    QObject::connect(button_, &QPushButton::clicked, button_,
                     [onClick = std::move(onClick)] { onClick(); });
    new CaptionFitter(button_);
}

QString CommandButton::Caption() const {
    return button_->text();
}

void CommandButton::setDefault(bool isDefault) {
    button_->setDefault(isDefault);
    button_->setAutoDefault(isDefault);
    button_->setProperty(kDefaultProperty, isDefault);
}

void CommandButton::setCancel(bool isCancel) {
    cancel_ = isCancel;
    // The window looks for it when Escape is typed (see Form).
    button_->setProperty(kCancelProperty, isCancel);
}

void CommandButton::click() {
    button_->click();
}

}  // namespace platform
