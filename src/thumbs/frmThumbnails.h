#pragma once

#include <memory>
#include <vector>

#include "platform/Form.h"
#include "platform/Image.h"
#include "platform/PictureBox.h"
#include "platform/VScrollBar.h"

// Every picture of the show's current folder as a small square on a sheet that scrolls by
// rows; a click goes back to the show at that picture. The show pauses while it is open, and
// closing puts back its list position and timer.
class frmThumbnails : public platform::Form {
    Q_OBJECT

public:
    frmThumbnails();

    // Declared in stacking order: the sheet lies above the panel that holds the bar.
    platform::PictureBox piccontrol{this};
    platform::VScrollBar VScroll1{piccontrol.container(), [this] { VScroll1_Change(); }};
    platform::PictureBox picFrame{this};
    // Element 0 exists at design; the build adds one element per further picture.
    std::vector<std::unique_ptr<platform::Image>> Thumb1;

protected:
    void Form_Load() override;
    void Form_Resize() override;
    void Form_Unload() override;

private:
    void LoadThumbnails();
    void VScroll1_Change();
    void Thumb1_Click(int Index);
    platform::Image& loadThumb(int Index);
    bool unloaded() const;

    bool opened_ = false;
    bool SavedTimerEnabled = false;
    int SavedListIndex = -1;
    // The picture on the show when the sheet opened: a key on the show behind the sheet moves
    // it, and the show then goes on from there.
    QString savedImagePath_;
    int ThumbIndex = 0;
    int RowCount = 1;
    int LastScrollValue = 0;
};

// What a thumbnail shows for a picture that cannot be decoded: grey with a cross.
platform::Picture thumbPlaceholder(QSize size);
