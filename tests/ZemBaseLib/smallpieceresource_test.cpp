#include "ZemBaseLib/smallpieceresource.h"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <memory_resource>
#include <vector>

namespace {

bool AlignedTo(const void* p, size_t alignment)
{
    return reinterpret_cast<uintptr_t>(p) % alignment == 0;
}

}  // namespace

// Pieces of every size across many blocks: each is aligned, none overlaps another in use.
TEST(SmallPieceResource, PiecesInUseAreAlignedAndApart)
{
    SmallPieceResource room;
    struct Piece {
        char* bytes;
        size_t size;
    };
    std::vector<Piece> pieces;
    for (size_t i = 0; i < 3000; ++i) {
        const size_t size = 1 + (i * 37) % SmallPieceResource::kLargestPiece;
        auto* bytes = static_cast<char*>(room.allocate(size));
        ASSERT_TRUE(AlignedTo(bytes, SmallPieceResource::kStep)) << size;
        std::memset(bytes, static_cast<int>(i % 251), size);
        pieces.push_back({bytes, size});
    }
    for (size_t i = 0; i < pieces.size(); ++i) {
        for (size_t b = 0; b < pieces[i].size; ++b)
            ASSERT_EQ(pieces[i].bytes[b], static_cast<char>(i % 251)) << "piece " << i;
    }
    for (const Piece& piece : pieces)
        room.deallocate(piece.bytes, piece.size);
}

TEST(SmallPieceResource, AGivenBackPieceServesTheNextRequestOfItsSize)
{
    constexpr size_t kStep = SmallPieceResource::kStep;
    SmallPieceResource room;
    void* small = room.allocate(kStep + 1);
    void* other = room.allocate(6 * kStep);
    room.deallocate(small, kStep + 1);
    EXPECT_NE(room.allocate(6 * kStep), small) << "another size takes a piece of its own";
    EXPECT_EQ(room.allocate(2 * kStep), small) << "sizes within one step share their pieces";
    room.deallocate(other, 6 * kStep);
    EXPECT_EQ(room.allocate(5 * kStep + 1), other);
}

TEST(SmallPieceResource, LargeOrStrictlyAlignedRequestsComeFromTheHeap)
{
    SmallPieceResource room;
    const struct {
        size_t bytes;
        size_t alignment;
    } cases[] = {{SmallPieceResource::kLargestPiece + 1, 8}, {64 * 1024, 16}, {32, 64}, {8, 256}};
    for (const auto& c : cases) {
        auto* bytes = static_cast<char*>(room.allocate(c.bytes, c.alignment));
        EXPECT_TRUE(AlignedTo(bytes, c.alignment)) << c.bytes << " at " << c.alignment;
        std::memset(bytes, 1, c.bytes);
        room.deallocate(bytes, c.bytes, c.alignment);
    }
    std::pmr::vector<int> growing(&room);
    for (int i = 0; i < 10000; ++i)
        growing.push_back(i);
    EXPECT_EQ(growing[9999], 9999) << "a list grows from pieces into the heap";
}
