#pragma once

#include <QVariant>

#include "platform/Form.h"
#include "platform/Image.h"
#include "platform/Label.h"
#include "show/Slideshow.h"

// The show window: draws the picture and caption the show tells it, hands it the keys, and
// starts it. The show itself, its folders, position and timer, is `show()`.
class MainForm : public platform::Form {
    Q_OBJECT

public:
    MainForm();

    show::Slideshow& show() { return show_; }
    const show::Slideshow& show() const { return show_; }

    int DirectoryImageCount(const QString& thisDirectory) {
        return show_.DirectoryImageCount(thisDirectory);
    }
    void display_directory(const QString& thisDirectory) { show_.display_directory(thisDirectory); }
    QString GetImageDesc(const QString& ThisFileName) const {
        return show_.GetImageDesc(ThisFileName);
    }
    void JumpTo(const QVariant& Where) { show_.JumpTo(Where); }
    void showSpeed(const QString& ChangeSpeed) { show_.showSpeed(ChangeSpeed); }
    void ShowStartStop() { show_.ShowStartStop(); }

    // Controls.
    platform::Image image1{this, true};
    platform::Image Image2{this, false};
    platform::Label lblInfo{this};
    platform::Label lblInfo2{this};

protected:
    void Form_Load() override;
    void Form_KeyPress(int& KeyAscii) override;
    void Form_QueryUnload(bool& cancel, UnloadMode mode) override;

private:
    // Fits and centres a picture in the window; the caption line at the bottom, centred.
    void placePicture(const platform::Picture& picture);
    void placeCaption(const QString& caption);
    // The screen changed size: the window covers it again and the picture is fitted anew.
    void followScreen();
    void placeKeyHint();
    // The other windows are opened from here only.
    void OpenControlPanel();
    void OpenFolderSelection(const QStringList& folders);
    void endWithMessage(const QString& message);
    // The size pictures are decoded at: the window's, in device pixels.
    QSize pictureBound() const;

    show::Slideshow show_;
};
