#include "platform/RecycledBlock.h"

#include <QScopeGuard>

#include <cstdlib>

namespace platform {

namespace {

// Sizes are rounded up to a whole megabyte, so that photos of nearly the same size (one camera's
// landscape and portrait, two cameras) share blocks.
constexpr qsizetype kGrain = 1024 * 1024;

}  // namespace

BlockPool::~BlockPool() {
    for (const Block& block : kept_) {
        std::free(block.data);
    }
}

BlockPool& BlockPool::shared() {
    static BlockPool* const pool = new BlockPool;
    return *pool;
}

BlockPool::Block BlockPool::take(qsizetype bytes) {
    if (bytes <= 0) {
        return {};
    }
    if (bytes < kSmallest) {
        return {static_cast<char*>(std::malloc(size_t(bytes))), bytes};
    }
    std::vector<Block> unkept;
    const auto freeUnkept = qScopeGuard([&] {
        for (const Block& block : unkept) {
            std::free(block.data);
        }
    });
    {
        const std::lock_guard lock(mutex_);
        if (bytes > kKeptBytes) {
            // A picture too large to keep a block for: the memory kept goes to it.
            unkept.swap(kept_);
            keptBytes_ = 0;
        }
        // The smallest that fits, and no more than twice the size: a large block is kept for
        // a large picture.
        auto best = kept_.end();
        for (auto it = kept_.begin(); it != kept_.end(); ++it) {
            if (it->capacity >= bytes && it->capacity / 2 <= bytes &&
                (best == kept_.end() || it->capacity < best->capacity)) {
                best = it;
            }
        }
        if (best != kept_.end()) {
            const Block block = *best;
            kept_.erase(best);
            keptBytes_ -= block.capacity;
            return block;
        }
    }
    const qsizetype capacity = (bytes + kGrain - 1) / kGrain * kGrain;
    return {static_cast<char*>(std::malloc(size_t(capacity))), capacity};
}

void BlockPool::handBack(Block block) {
    if (!block.data) {
        return;
    }
    if (block.capacity < kSmallest || block.capacity > kKeptBytes) {
        std::free(block.data);
        return;
    }
    std::vector<char*> unkept;
    {
        const std::lock_guard lock(mutex_);
        kept_.push_back(block);
        keptBytes_ += block.capacity;
        // The oldest go first: the newest is the likeliest to fit the next picture.
        while (kept_.size() > size_t(kKeptBlocks) || keptBytes_ > kKeptBytes) {
            unkept.push_back(kept_.front().data);
            keptBytes_ -= kept_.front().capacity;
            kept_.erase(kept_.begin());
        }
    }
    for (char* data : unkept) {
        std::free(data);
    }
}

QImage BlockPool::image(QSize size, QImage::Format format) {
    const int bits = QImage::toPixelFormat(format).bitsPerPixel();
    if (size.isEmpty() || bits == 0) {
        return {};
    }
    // Each line starts on four bytes, as the image's own would.
    const qsizetype bytesPerLine = (qsizetype(size.width()) * bits + 31) / 32 * 4;
    struct Lent {
        BlockPool* pool;
        Block block;
    };
    auto* lent = new Lent{this, take(bytesPerLine * size.height())};
    if (!lent->block.data) {
        delete lent;
        return {};
    }
    return QImage(
        reinterpret_cast<uchar*>(lent->block.data), size.width(), size.height(), bytesPerLine,
        format,
        [](void* info) {
            auto* back = static_cast<Lent*>(info);
            back->pool->handBack(back->block);
            delete back;
        },
        lent);
}

qsizetype BlockPool::keptBytes() const {
    const std::lock_guard lock(mutex_);
    return keptBytes_;
}

RecycledBlock::RecycledBlock(qsizetype bytes, BlockPool& pool)
    : pool_(pool), block_(pool.take(bytes)) {}

RecycledBlock::~RecycledBlock() {
    pool_.handBack(block_);
}

}  // namespace platform
