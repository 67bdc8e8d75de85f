#pragma once

#include "platform/CommandButton.h"
#include "platform/Form.h"
#include "platform/Image.h"

// A small floating window of picture buttons that steer the show, and command buttons that
// close it, ask for the thumbnail sheet or the About window, or end the program.
class ControlPanel : public platform::Form {
    Q_OBJECT

public:
    ControlPanel();

    platform::Image iPause{this, false, [this] { iPause_Click(); }};
    platform::Image iPlay{this, false, [this] { iPlay_Click(); }};
    platform::Image iSlower{this, false, [this] { iSlower_Click(); }};
    platform::Image iFirst{this, false, [this] { iFirst_Click(); }};
    platform::Image iPrev{this, false, [this] { iPrev_Click(); }};
    platform::Image iNext{this, false, [this] { iNext_Click(); }};
    platform::Image iLast{this, false, [this] { iLast_Click(); }};
    platform::Image iFaster{this, false, [this] { iFaster_Click(); }};
    platform::CommandButton cbClose{this, QStringLiteral("&Close"), [this] { cbClose_Click(); }};
    platform::CommandButton cbThumbs{this, QStringLiteral("&Thumbnail"),
                                     [this] { cbThumbs_Click(); }};
    platform::CommandButton cbAbout{this, QStringLiteral("&About"), [this] { cbAbout_Click(); }};
    platform::CommandButton cbExit{this, QStringLiteral("&Exit"), [this] { cbExit_Click(); }};

Q_SIGNALS:
    // The Thumbnail and About buttons: the panel closes once the window is open.
    void thumbnailsAsked();
    void aboutAsked();

protected:
    void Form_Activate() override;

private:
    void iPlay_Click() { TogglePlayPause(); }
    void iPause_Click() { TogglePlayPause(); }
    void iFirst_Click();
    void iPrev_Click();
    void iNext_Click();
    void iLast_Click();
    void iFaster_Click();
    void iSlower_Click();
    void cbClose_Click();
    void cbThumbs_Click();
    void cbAbout_Click();
    void cbExit_Click();
    void TogglePlayPause();
    void showPlayOrPause();
    // Bottom right of the screen, above the task bar's usual place.
    void placeInCorner();
};
