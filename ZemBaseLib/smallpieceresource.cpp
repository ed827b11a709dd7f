#include "ZemBaseLib/smallpieceresource.h"

#include <algorithm>
#include <new>
#include <sanitizer/asan_interface.h>

namespace {

// Small owners stay small; a busy one takes blocks of up to the largest size.
constexpr size_t kFirstBlock = 1024;
constexpr size_t kBlockLimit = 64 * 1024;

bool IsPiece(size_t bytes, size_t alignment)
{
    return bytes <= SmallPieceResource::kLargestPiece && alignment <= SmallPieceResource::kStep;
}

size_t Steps(size_t bytes)
{
    return (std::max<size_t>(bytes, 1) + SmallPieceResource::kStep - 1) / SmallPieceResource::kStep;
}

}  // namespace

SmallPieceResource::~SmallPieceResource()
{
    for (const Block& block : blocks_) {
        ASAN_UNPOISON_MEMORY_REGION(block.bytes, block.size);
        ::operator delete(block.bytes);
    }
}

void* SmallPieceResource::do_allocate(size_t bytes, size_t alignment)
{
    if (!IsPiece(bytes, alignment))
        return std::pmr::new_delete_resource()->allocate(bytes, alignment);
    const size_t steps = Steps(bytes);
    if (FreePiece* piece = free_[steps]) {
        ASAN_UNPOISON_MEMORY_REGION(piece, steps * kStep);
        free_[steps] = piece->next;
        return piece;
    }
    if (left_ < steps * kStep)
        AddBlock();
    void* piece = next_;
    next_ += steps * kStep;
    left_ -= steps * kStep;
    return piece;
}

// A piece given back is poisoned until it is handed out again: a sanitizer build reports a
// list that still uses it.
void SmallPieceResource::do_deallocate(void* piece, size_t bytes, size_t alignment)
{
    if (!IsPiece(bytes, alignment)) {
        std::pmr::new_delete_resource()->deallocate(piece, bytes, alignment);
        return;
    }
    const size_t steps = Steps(bytes);
    free_[steps] = new (piece) FreePiece{free_[steps]};
    ASAN_POISON_MEMORY_REGION(piece, steps * kStep);
}

bool SmallPieceResource::do_is_equal(const std::pmr::memory_resource& other) const noexcept
{
    return this == &other;
}

// What is left of the last block stays unused: less than the largest piece.
void SmallPieceResource::AddBlock()
{
    const size_t size = blocks_.empty() ? kFirstBlock : std::min(2 * blocks_.back().size, kBlockLimit);
    blocks_.reserve(blocks_.size() + 1);
    next_ = static_cast<char*>(::operator new(size));
    blocks_.push_back({next_, size});
    left_ = size;
}
