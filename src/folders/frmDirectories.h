#pragma once

#include "platform/CommandButton.h"
#include "platform/Form.h"
#include "platform/ListBox.h"

// Lets the user mark the picture folders that take part in the show.
class frmDirectories : public platform::Form {
    Q_OBJECT

public:
    frmDirectories();

    platform::ListBox List1{this, true};
    platform::CommandButton cbOK{this, QStringLiteral("OK"), [this] { cbOK_Click(); }};
    platform::CommandButton cbSelect{this, QStringLiteral("Select All"),
                                     [this] { cbSelect_Click(); }};
    platform::CommandButton cdDeselect{this, QStringLiteral("Deselect All"),
                                       [this] { cdDeselect_Click(); }};
    platform::CommandButton cbAbort{this, QStringLiteral("Abort"), [this] { cbAbort_Click(); }};

protected:
    void Form_Load() override;
    void Form_Resize() override;
    void Form_QueryUnload(bool& cancel, UnloadMode mode) override;

private:
    void cbOK_Click();
    void cbSelect_Click();
    void cdDeselect_Click();
    void cbAbort_Click();
};
