#include "thumbs/frmThumbnails.h"

#include <QPainter>

#include <algorithm>

#include "platform/App.h"
#include "platform/Picture.h"
#include "platform/Screen.h"
#include "platform/TextDecoding.h"
#include "platform/Twips.h"
#include "show/MainForm.h"
#include "thumbs/ThumbDecoder.h"
#include "thumbs/ThumbLayout.h"

using platform::Forms;

frmThumbnails::frmThumbnails() {
    // A sizable frame with a close box only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(platform::App::Icon());
    setCaption(QStringLiteral("Thumbnails"));

    // The sheet and the panel sit at 0, 0; the opening sizes them to the window.
    VScroll1.setWidth(300);

    auto& first = Thumb1.emplace_back(
        std::make_unique<platform::Image>(picFrame.container(), true, [this] { Thumb1_Click(0); }));
    first->Move(thumbs::kElementZero.x(), thumbs::kElementZero.y(), thumbs::kThumbSize,
                thumbs::kThumbSize);
    first->setMouseIcon(platform::remotePointer());
}

void frmThumbnails::Form_Load() {
    setWindowState(Maximized);
}

void frmThumbnails::Form_Resize() {
    // Built once per opening: a later size change keeps the sheet as it is.
    if (opened_) {
        return;
    }
    opened_ = true;
    MainForm& show = Forms::get<MainForm>();
    SavedTimerEnabled = show.pauseShow();
    SavedListIndex = show.flbImageList.ListIndex();
    savedImagePath_ = show.currentImagePath();

    piccontrol.setHeight(Height() - 420);
    piccontrol.setWidth(Width() - 150);
    picFrame.setHeight(Height() - 420);
    picFrame.setWidth(Width() - 150 - VScroll1.Width() + 25);
    VScroll1.setLeft(piccontrol.Width() - VScroll1.Width());
    VScroll1.setHeight(platform::Screen::Height() - 350);
    VScroll1.setMin(0);
    VScroll1.setMax(0);
    VScroll1.setSmallChange(1);
    VScroll1.setLargeChange(1);

    LoadThumbnails();

    const float VisibleRows = thumbs::visibleRows(VScroll1.Height());
    VScroll1.setMax(thumbs::scrollMax(RowCount, VisibleRows));
    VScroll1.setSmallChange(1);
    VScroll1.setLargeChange(thumbs::largeChange(VisibleRows));
    LastScrollValue = 0;
}

platform::Picture thumbPlaceholder(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(192, 192, 192));
    QPainter painter(&image);
    painter.setPen(QPen(QColor(96, 96, 96), std::max(1, size.width() / 25)));
    painter.drawLine(0, 0, size.width() - 1, size.height() - 1);
    painter.drawLine(size.width() - 1, 0, 0, size.height() - 1);
    painter.end();
    return {image, size};
}

bool frmThumbnails::unloaded() const {
    // Closed, or the program ended, from an event let through while the sheet was building.
    return Forms::find<frmThumbnails>() != this;
}

platform::Image& frmThumbnails::loadThumb(int Index) {
    const platform::Image& first = *Thumb1.front();
    auto& element = Thumb1.emplace_back(std::make_unique<platform::Image>(
        picFrame.container(), first.Stretch(), [this, Index] { Thumb1_Click(Index); }));
    element->setVisible(false);
    element->Move(first.Left(), first.Top(), first.Width(), first.Height());
    element->setMouseIcon(platform::remotePointer());
    return *element;
}

void frmThumbnails::LoadThumbnails() {
    MainForm& show = Forms::get<MainForm>();
    const platform::FileListBox& list = show.flbImageList;
    Show();
    picFrame.setMousePointer(platform::PictureBox::Hourglass);
    // Decoded at the size it is drawn, in device pixels; never kept at full size.
    const qreal ratio = devicePixelRatioF();
    const int side = qRound(platform::toPixels(thumbs::kThumbSize) * ratio);
    const QSize bound(side, side);

    const int count = list.ListCount();
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        paths.append(list.FullPath(i));
    }
    const thumbs::Layout layout = thumbs::thumbPositions(count, picFrame.Width());
    RowCount = layout.rowCount;
    // Decoded on worker threads a few pictures ahead, handed back in list order.
    thumbs::ThumbDecoder decoder(paths, bound);
    for (ThumbIndex = 0; ThumbIndex < count; ++ThumbIndex) {
        setCaption(QStringLiteral("Loading %1 of %2 thumbnails")
                       .arg(ThumbIndex + 1)
                       .arg(list.ListCount()));
        if (unloaded()) {
            return;
        }
        platform::Image* element = Thumb1.front().get();
        if (ThumbIndex > 0) {
            element = &loadThumb(ThumbIndex);
            element->setTop(layout.places[ThumbIndex].y());
            element->setLeft(layout.places[ThumbIndex].x());
            element->setVisible(true);
        }
        show.setListPosition(ThumbIndex);
        const QString name = list.FileName();
        thumbs::ThumbDecoder::Result decoded = decoder.next();
        if (decoded.picture.isNull()) {
            // The cell still stands for the picture, so numbering and places stay.
            platform::reportCannotShow(paths.at(ThumbIndex), decoded.why, true);
            decoded.picture = thumbPlaceholder(bound);
        }
        element->setPicture(decoded.picture);
        const QString description = platform::singleLine(show.GetImageDesc(name));
        const QString shownName = platform::singleLine(name);
        element->setToolTipText(
            description.isEmpty() ? shownName : shownName + QStringLiteral(" - ") + description);
        Refresh();
        if (unloaded()) {
            return;
        }
    }
    setCaption(
        QString::number(list.ListCount()) +
        QStringLiteral(" thumbnails. Click on an image to return to the slideshow at that point."));
    picFrame.setMousePointer(platform::PictureBox::Default);
}

void frmThumbnails::VScroll1_Change() {
    const int delta = VScroll1.Value() - LastScrollValue;
    LastScrollValue = VScroll1.Value();
    // The sheet moves, not its thumbnails; its bottom edge stays where it is.
    const float step =
        static_cast<float>(delta) * static_cast<float>(thumbs::kThumbSize + thumbs::kRowGap);
    picFrame.setHeight(picFrame.Height() + step);
    picFrame.setTop(picFrame.Top() - step);
}

void frmThumbnails::Thumb1_Click(int Index) {
    MainForm& show = Forms::get<MainForm>();
    // Ignores an index the current list no longer holds (its folder may have changed): the
    // show goes on from the picture it shows, whichever that is.
    show.JumpTo(Index);
    SavedListIndex = show.flbImageList.ListIndex();
    savedImagePath_ = show.currentImagePath();
    show.resumeShow(SavedTimerEnabled);
    Forms::Unload(*this);
}

void frmThumbnails::Form_Unload() {
    MainForm* show = Forms::find<MainForm>();
    if (!show) {
        return;
    }
    // The build walked the list: back to where the show was, unless the show moved meanwhile
    // (its own keys), in which case it is where it should be. A folder changed under the
    // sheet may hold fewer pictures: stay inside its list.
    if (show->currentImagePath() == savedImagePath_) {
        const int last = show->flbImageList.ListCount() - 1;
        show->setListPosition(std::clamp(SavedListIndex, -1, last));
    }
    show->resumeShow(SavedTimerEnabled);
}
