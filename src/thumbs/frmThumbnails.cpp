#include "thumbs/frmThumbnails.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QTimer>

#include <cmath>

#include <algorithm>

#include "platform/App.h"
#include "platform/Picture.h"
#include "platform/Screen.h"
#include "platform/TextDecoding.h"
#include "platform/Twips.h"
#include "show/Slideshow.h"

using platform::Forms;

namespace {

const QString kFinalCaption =
    QStringLiteral(" thumbnails. Click on an image to return to the slideshow at that point.");
// The longest the making of cells holds the window at a time.
constexpr qint64 kBatchMs = 15;
// Decoded pictures are kept for the rows in view and this many screens above and below.
constexpr int kKeptScreens = 2;

// A cell whose picture is not decoded (yet, or no longer) shows grey.
void showsGrey(platform::Image& cell) {
    QPalette grey = cell.widget()->palette();
    grey.setColor(QPalette::Window, QColor(192, 192, 192));
    cell.widget()->setPalette(grey);
    cell.widget()->setAutoFillBackground(true);
}

}  // namespace

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
    showsGrey(*first);
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
    SavedTimerEnabled = show::Slideshow::current()->pauseShow();

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
    showsGrey(*element);
    return *element;
}

void frmThumbnails::LoadThumbnails() {
    // The names are taken now: the show may move on behind the sheet.
    const platform::FileListBox& list = show::Slideshow::current()->pictures();
    folder_ = list.Path();
    Show();
    picFrame.setMousePointer(platform::PictureBox::Hourglass);
    // Decoded at the size it is drawn, in device pixels; never kept at full size.
    const qreal ratio = devicePixelRatioF();
    const int side = qRound(platform::toPixels(thumbs::kThumbSize) * ratio);
    bound_ = QSize(side, side);
    placeholder_ = thumbPlaceholder(bound_);

    const int count = list.ListCount();
    for (int i = 0; i < count; ++i) {
        paths_.append(list.FullPath(i));
    }
    layout_ = thumbs::thumbPositions(count, picFrame.Width());
    RowCount = layout_.rowCount;
    cells_.assign(size_t(count), Cell::Pending);
    ThumbIndex = 0;
    if (count == 0) {
        setCaption(QStringLiteral("0") + kFinalCaption);
        picFrame.setMousePointer(platform::PictureBox::Default);
        return;
    }
    setCaption(QStringLiteral("Loading 1 of %1 thumbnails").arg(count));
    Refresh();
    if (!unloaded()) {
        makeCells();
    }
}

void frmThumbnails::makeCells() {
    // A batch at a time, so that the window answers between them even for tens of thousands.
    if (unloaded()) {
        return;
    }
    QElapsedTimer batch;
    batch.start();
    const int count = int(paths_.size());
    for (int i = int(Thumb1.size()); i < count && batch.elapsed() < kBatchMs; ++i) {
        platform::Image& element = loadThumb(i);
        element.setTop(layout_.places[size_t(i)].y());
        element.setLeft(layout_.places[size_t(i)].x());
        element.setVisible(true);
    }
    if (int(Thumb1.size()) < count) {
        QTimer::singleShot(0, this, [this] { makeCells(); });
        return;
    }
    decoder_ = std::make_unique<thumbs::ThumbDecoder>(paths_, bound_);
    connect(decoder_.get(), &thumbs::ThumbDecoder::decoded, this, &frmThumbnails::thumbDecoded);
}

void frmThumbnails::thumbDecoded(int Index, const platform::Picture& picture, const QString& why) {
    if (unloaded()) {
        return;  // the program ended, its windows not yet gone
    }
    platform::Image& element = *Thumb1.at(size_t(Index));
    const Cell was = cells_.at(size_t(Index));
    if (picture.isNull()) {
        if (was == Cell::Pending) {
            // The cell still stands for the picture, so numbering and places stay.
            platform::reportCannotShow(paths_.at(Index), why, true);
        }
        cells_[size_t(Index)] = Cell::Failed;
        element.setPicture(placeholder_);
    } else if (nearView(Index)) {
        cells_[size_t(Index)] = Cell::Shown;
        element.setPicture(picture);
    } else {
        cells_[size_t(Index)] = Cell::Dropped;
    }
    if (was != Cell::Pending) {
        return;  // decoded again for the view
    }
    ThumbIndex = Index;
    const QString name = paths_.at(Index).section(QLatin1Char('/'), -1);
    // The descriptions the show holds are its current folder's.
    const show::Slideshow* show = show::Slideshow::current();
    const QString description = platform::singleLine(
        show->pictures().Path() == folder_ ? show->GetImageDesc(name) : QString());
    const QString shownName = platform::singleLine(name);
    element.setToolTipText(description.isEmpty() ? shownName
                                                 : shownName + QStringLiteral(" - ") + description);
    ++done_;
    const int count = int(paths_.size());
    if (done_ < count) {
        setCaption(QStringLiteral("Loading %1 of %2 thumbnails").arg(done_ + 1).arg(count));
        return;
    }
    setCaption(QString::number(count) + kFinalCaption);
    if (unloaded()) {
        return;
    }
    picFrame.setMousePointer(platform::PictureBox::Default);
}

bool frmThumbnails::nearView(int Index) const {
    const int rowHeight = thumbs::kThumbSize + thumbs::kRowGap;
    const int row = (layout_.places[size_t(Index)].y() - thumbs::kFirstTop) / rowHeight;
    const int shown = int(std::ceil(thumbs::visibleRows(VScroll1.Height())));
    const int top = VScroll1.Value();
    return row >= top - kKeptScreens * shown && row < top + (kKeptScreens + 1) * shown;
}

void frmThumbnails::keepNearView() {
    for (int i = 0; i < int(cells_.size()) && i < int(Thumb1.size()); ++i) {
        const bool near = nearView(i);
        if (cells_[size_t(i)] == Cell::Shown && !near) {
            cells_[size_t(i)] = Cell::Dropped;
            Thumb1[size_t(i)]->setPicture({});
        } else if (cells_[size_t(i)] == Cell::Dropped && near && decoder_) {
            decoder_->request(i);
        }
    }
}

void frmThumbnails::VScroll1_Change() {
    const int delta = VScroll1.Value() - LastScrollValue;
    LastScrollValue = VScroll1.Value();
    // The sheet moves, not its thumbnails; its bottom edge stays where it is.
    const float step =
        static_cast<float>(delta) * static_cast<float>(thumbs::kThumbSize + thumbs::kRowGap);
    picFrame.setHeight(picFrame.Height() + step);
    picFrame.setTop(picFrame.Top() - step);
    keepNearView();
}

void frmThumbnails::Thumb1_Click(int Index) {
    // Ignores an index the current list no longer holds (its folder may have changed): the
    // show goes on from the picture it shows, whichever that is.
    show::Slideshow::current()->JumpTo(Index);
    Forms::Unload(*this);
}

void frmThumbnails::Form_Unload() {
    decoder_.reset();  // decodes under way are left to end by themselves
    if (show::Slideshow* show = show::Slideshow::current()) {
        show->resumeShow(SavedTimerEnabled);
    }
}
