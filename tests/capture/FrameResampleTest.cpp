#include "capture/FrameResample.h"

#include <gtest/gtest.h>
#include <string>

#include <climits>
#include <cstring>
#include <map>
#include <vector>

namespace {

// A frame whose rows can be told apart: the first two bytes of each row hold its number, the
// rest (padding included) a byte that depends on row and column.
std::vector<unsigned char> NumberedFrame(int stride, int height) {
    std::vector<unsigned char> frame(size_t(stride) * height);
    for (int r = 0; r < height; ++r) {
        unsigned char* row = frame.data() + size_t(r) * stride;
        for (int k = 0; k < stride; ++k) {
            row[k] = static_cast<unsigned char>(r * 7 + k);
        }
        row[0] = static_cast<unsigned char>(r & 0xFF);
        row[1] = static_cast<unsigned char>(r >> 8);
    }
    return frame;
}

int RowNumber(const unsigned char* row) {
    return row[0] | (row[1] << 8);
}

struct StrideCase {
    int width;
    int bitCount;
    int stride;
};

class FrameStrideTest : public ::testing::TestWithParam<StrideCase> {};

TEST_P(FrameStrideTest, RoundsRowsUpToFourBytes) {
    const StrideCase c = GetParam();
    EXPECT_EQ(FrameStride(c.width, c.bitCount), c.stride);
}

INSTANTIATE_TEST_SUITE_P(Widths, FrameStrideTest,
                         ::testing::Values(StrideCase{640, 24, 1920}, StrideCase{642, 24, 1928},
                                           StrideCase{1, 24, 4}, StrideCase{3, 24, 12},
                                           StrideCase{5, 24, 16}, StrideCase{0, 24, 0},
                                           StrideCase{3, 32, 12}, StrideCase{3, 8, 4},
                                           StrideCase{INT_MAX, 24, -1}, StrideCase{-1, 24, -1}),
                         [](const auto& info) { return std::to_string(info.index); });

struct ResampleCase {
    int width;
    int height;
    int outHeight;
    int stride;
    std::vector<std::pair<int, int>> outputToSource; // output row -> source row, spot checks
};

class ResampleTo43Test : public ::testing::TestWithParam<ResampleCase> {};

TEST_P(ResampleTo43Test, PicksSourceRowsDownwards) {
    const ResampleCase c = GetParam();
    const std::vector<unsigned char> frame = NumberedFrame(c.stride, c.height);
    const auto picture = ResampleTo43(frame.data(), frame.size(), {c.width, c.height, 24, 0});
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width, c.width);
    EXPECT_EQ(picture->height, c.outHeight);
    ASSERT_EQ(picture->pixels.size(), size_t(c.stride) * c.outHeight);
    for (const auto& [out, source] : c.outputToSource) {
        const unsigned char* row = picture->pixels.data() + size_t(out) * c.stride;
        EXPECT_EQ(RowNumber(row), source) << "output row " << out;
        EXPECT_EQ(std::memcmp(row, frame.data() + size_t(source) * c.stride, c.stride), 0)
            << "output row " << out;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Frames, ResampleTo43Test,
    ::testing::Values(
        ResampleCase{640, 480, 480, 1920, {{0, 0}, {1, 1}, {240, 240}, {479, 479}}},
        ResampleCase{
            1280, 720, 960, 3840, {{0, 0}, {1, 0}, {2, 1}, {3, 2}, {4, 3}, {5, 3}, {959, 719}}},
        ResampleCase{642, 480, 481, 1928, {{0, 0}, {480, 479}}},
        // Taller than 4:3: rows are skipped.
        ResampleCase{640, 960, 480, 1920, {{0, 0}, {1, 2}, {479, 958}}}),
    [](const auto& info) { return std::to_string(info.index); });

TEST(ResampleTo43, Frame640x480IsCopiedUnchanged) {
    const std::vector<unsigned char> frame = NumberedFrame(1920, 480);
    const auto picture = ResampleTo43(frame.data(), frame.size(), {640, 480, 24, 0});
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->pixels, frame);
}

TEST(ResampleTo43, Frame1280x720UsesEveryThirdRowTwice) {
    const std::vector<unsigned char> frame = NumberedFrame(3840, 720);
    const auto picture = ResampleTo43(frame.data(), frame.size(), {1280, 720, 24, 0});
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture->height, 960);
    std::map<int, int> uses;
    int previous = -1;
    for (int j = 0; j < picture->height; ++j) {
        const int source = RowNumber(picture->pixels.data() + size_t(j) * 3840);
        EXPECT_GE(source, previous) << "output row " << j;
        previous = source;
        ++uses[source];
    }
    ASSERT_EQ(uses.size(), 720u);
    for (const auto& [source, count] : uses) {
        EXPECT_EQ(count, source % 3 == 0 ? 2 : 1) << "source row " << source;
    }
}

struct UnusableCase {
    const char* name;
    FrameFormat format;
    long lengthDelta; // added to stride * height of a sane frame
};

class ResampleUnusableTest : public ::testing::TestWithParam<UnusableCase> {};

TEST_P(ResampleUnusableTest, GivesNothing) {
    const UnusableCase c = GetParam();
    // The buffer is the size of a 640x480 frame; lengthDelta shortens what the caller claims.
    std::vector<unsigned char> frame(size_t(1920) * 480);
    const size_t length = size_t(long(frame.size()) + c.lengthDelta);
    EXPECT_FALSE(ResampleTo43(frame.data(), length, c.format)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Formats, ResampleUnusableTest,
    ::testing::Values(UnusableCase{"one byte short", {640, 480, 24, 0}, -1},
                      UnusableCase{"no bytes", {640, 480, 24, 0}, -long(1920) * 480},
                      UnusableCase{"zero width", {0, 480, 24, 0}, 0},
                      UnusableCase{"zero height", {640, 0, 24, 0}, 0},
                      UnusableCase{"negative width", {-640, 480, 24, 0}, 0},
                      UnusableCase{"negative height", {640, -480, 24, 0}, 0},
                      UnusableCase{"32 bits", {640, 480, 32, 0}, 0},
                      UnusableCase{"16 bits", {640, 480, 16, 0}, 0},
                      UnusableCase{"width 1 gives no rows", {1, 480, 24, 0}, 0},
                      UnusableCase{"stride overflows", {INT_MAX, 1, 24, 0}, 0},
                      UnusableCase{"larger than the buffer", {1 << 20, 1 << 20, 24, 0}, 0}),
    [](const auto& info) { return std::to_string(info.index); });

TEST(ResampleTo43, NullFrameGivesNothing) {
    EXPECT_FALSE(ResampleTo43(nullptr, size_t(1920) * 480, {640, 480, 24, 0}));
}

} // namespace
