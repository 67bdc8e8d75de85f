#pragma once

#include "platform/CommandButton.h"
#include "platform/Form.h"
#include "platform/Label.h"
#include "platform/Line.h"
#include "platform/PictureBox.h"

// The program's title, version and description, and a help text on the keys. The show pauses
// while it is open; OK puts back the state it had when the window opened.
class frmAbout : public platform::Form {
    Q_OBJECT

public:
    frmAbout();

    platform::PictureBox picIcon{this};
    platform::Label lblTitle{this};
    platform::Label lblVersion{this};
    platform::Label lblDescription{this};
    platform::Line Line1_1{this, 225, 5657, 1560, QColor(128, 128, 128), 1};
    platform::Line Line1_0{this, 240, 5657, 1560, Qt::white, 2};
    platform::Label lblInfo{this};
    platform::CommandButton cmdOK{this, QStringLiteral("&OK"), [this] { cmdOK_Click(); }};
    platform::CommandButton cbExit{this, QStringLiteral("&Exit"), [this] { cbExit_Click(); }};

    // The keypad help text: ten lines joined by CR LF.
    static QString keypadHelp();

protected:
    void Form_Load() override;

private:
    void cmdOK_Click();
    void cbExit_Click();

    bool SavedTimerEnabled = false;
};
