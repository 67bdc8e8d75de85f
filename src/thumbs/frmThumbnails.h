#pragma once

#include <memory>
#include <vector>

#include "platform/Form.h"
#include "platform/Image.h"
#include "platform/PictureBox.h"
#include "platform/VScrollBar.h"
#include "thumbs/ThumbDecoder.h"
#include "thumbs/ThumbLayout.h"

// Every picture of the show's current folder as a small square on a sheet that scrolls by
// rows; a click goes back to the show at that picture. The show pauses while it is open.
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
    // Starts the build: the cells are made a batch at a time, then filled as their pictures
    // are decoded on workers; the window answers throughout.
    void LoadThumbnails();
    void VScroll1_Change();
    void Thumb1_Click(int Index);
    platform::Image& loadThumb(int Index);
    bool unloaded() const;
    // Makes the next batch of cells; the decoding starts once every cell is made.
    void makeCells();
    void thumbDecoded(int Index, const platform::Picture& picture, const QString& why);
    // Keeps the decoded pictures of the rows in view and those near them only: thousands of
    // thumbnails would otherwise fill the memory. Rows coming near are decoded again.
    void keepNearView();
    bool nearView(int Index) const;

    enum class Cell { Pending, Shown, Dropped, Failed };
    std::vector<Cell> cells_;
    QString folder_;
    QStringList paths_;
    QSize bound_;
    thumbs::Layout layout_;
    std::unique_ptr<thumbs::ThumbDecoder> decoder_;
    int done_ = 0;  // cells decoded at least once
    platform::Picture placeholder_;

    bool opened_ = false;
    bool SavedTimerEnabled = false;
    int ThumbIndex = 0;
    int RowCount = 1;
    int LastScrollValue = 0;
};

// What a thumbnail shows for a picture that cannot be decoded: grey with a cross.
platform::Picture thumbPlaceholder(QSize size);
