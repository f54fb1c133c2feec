#include "bus/map_batch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace bb::bus {
namespace {

// Each call read, as a line of text.
struct Recorder final : MapDrawing {
    std::vector<std::string> calls;
    static std::string N(double v) { return std::to_string(v); }
    void Circle(double x, double y, double r, std::int32_t c) override {
        calls.push_back("circle " + N(x) + " " + N(y) + " " + N(r) + " " + std::to_string(c));
    }
    void Line(double x1, double y1, double x2, double y2, std::int32_t c) override {
        calls.push_back("line " + N(x1) + " " + N(y1) + " " + N(x2) + " " + N(y2) + " " +
                        std::to_string(c));
    }
    void LineWidth(std::int32_t w) override { calls.push_back("width " + std::to_string(w)); }
    void DrawMode(std::int32_t m) override { calls.push_back("mode " + std::to_string(m)); }
    void DrawColour(std::int32_t c) override { calls.push_back("colour " + std::to_string(c)); }
};

TEST(MapBatch, WhatTheBoardWritesTheHostReadsInOrder) {
    MapBatchWriter w;
    w.Pen(MapOp::LineWidth, 2);
    w.Pen(MapOp::DrawColour, 0x00FF00);
    w.Circle(4.5, -52.25, 0.125, 255, 0, 6.283, 1);
    w.Pen(MapOp::DrawMode, 13);
    w.Line(1, 2, 3, 4, -1, 0);
    EXPECT_EQ(w.Calls(), 5u);
    EXPECT_EQ(w.Numbers().size(), (1 + 1 + 7 + 1 + 6) * 8u);
    Recorder r;
    EXPECT_EQ(ReadMapBatch(w.Ops(), w.Numbers(), r), 2);
    EXPECT_EQ(r.calls, (std::vector<std::string>{
                           "width 2", "colour 65280", "circle 4.500000 -52.250000 0.125000 255",
                           "mode 13", "line 1.000000 2.000000 3.000000 4.000000 -1"}));
    w.Clear();
    EXPECT_TRUE(w.Empty() && w.Numbers().empty());
    // The bytes are the contract: opcode 1 for a circle, little-endian doubles.
    w.Pen(MapOp::LineWidth, 1);
    ASSERT_EQ(w.Ops(), std::string("\x03", 1));
    EXPECT_EQ(w.Numbers(), std::string("\0\0\0\0\0\0\xF0\x3F", 8));  // 1.0
    w.Circle(0, 0, 0, 0, 0, 0, -2);
    EXPECT_EQ(static_cast<int>(w.Ops()[1]), 1);
    EXPECT_EQ(w.Numbers().substr(w.Numbers().size() - 8), std::string("\0\0\0\0\0\0\0\xC0", 8));
}

TEST(MapBatch, AnUnknownCallOrMissingNumbersEndTheBatchThere) {
    MapBatchWriter w;
    w.Pen(MapOp::LineWidth, 3);
    w.Line(1, 1, 2, 2, 7, 0);
    // An opcode the host does not know between two it does; a line short of its
    // last number (a stray byte of a number does not count); nothing at all.
    const std::string ops = w.Ops(), numbers = w.Numbers();
    for (const auto& [o, n, read] :
         {std::tuple{ops.substr(0, 1) + '\x09' + ops.substr(1), numbers, "width 3"},
          {ops, numbers.substr(0, numbers.size() - 5), "width 3"},
          {std::string(), std::string(), ""},
          {std::string(1, '\0'), std::string(), ""}}) {
        Recorder r;
        EXPECT_EQ(ReadMapBatch(o, n, r), 0);
        EXPECT_EQ(r.calls, read[0] ? std::vector<std::string>{read} : std::vector<std::string>{});
    }
}

TEST(MapBatch, NumbersOutsideTheWholeRangeReadAsZero) {
    MapBatchWriter w;
    w.Circle(0, 0, 1, 0, 0, 0, 1);
    std::string numbers = w.Numbers();
    // The colour (fourth number) replaced by 1e300 and then by NaN.
    for (const std::string& bits : {std::string("\x3C\xE3\xAB\x98\x1F\x0D\x3E\x7E"),
                                    std::string("\0\0\0\0\0\0\xF8\x7F", 8)}) {
        numbers.replace(3 * 8, 8, bits);
        Recorder r;
        ASSERT_EQ(ReadMapBatch(w.Ops(), numbers, r), 1);
        EXPECT_EQ(r.calls[0], "circle 0.000000 0.000000 1.000000 0");
    }
}

}  // namespace
}  // namespace bb::bus
