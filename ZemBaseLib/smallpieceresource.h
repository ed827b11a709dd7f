// SmallPieceResource: memory for many small, short-lived lists. Blocks are cut into pieces of
// a few sizes, and a piece given back is kept for the next request of its size; everything
// goes back to the heap with the resource. Requests beyond the largest piece go to the heap.
// Not thread-safe: one owner uses it, as one tree uses its lists.
#pragma once

#include <cstddef>
#include <memory_resource>
#include <vector>

class SmallPieceResource final : public std::pmr::memory_resource {
public:
    static constexpr size_t kStep = alignof(std::max_align_t);  // pieces are multiples of this
    static constexpr size_t kLargestPiece = 512;

    SmallPieceResource() = default;
    SmallPieceResource(const SmallPieceResource&) = delete;
    SmallPieceResource& operator=(const SmallPieceResource&) = delete;
    ~SmallPieceResource() override;

private:
    struct FreePiece {
        FreePiece* next;
    };
    struct Block {
        char* bytes;
        size_t size;
    };

    void* do_allocate(size_t bytes, size_t alignment) override;
    void do_deallocate(void* piece, size_t bytes, size_t alignment) override;
    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override;
    void AddBlock();

    FreePiece* free_[kLargestPiece / kStep + 1] = {};  // by size in steps
    std::vector<Block> blocks_;
    char* next_ = nullptr;  // the unused rest of the last block
    size_t left_ = 0;
};
