#include "bus/map_batch.h"

#include <bit>
#include <cmath>

namespace bb::bus {
namespace {

std::int32_t Whole(double v) {
    return v >= -2147483648.0 && v <= 2147483647.0 ? static_cast<std::int32_t>(v) : 0;
}

double Take(std::string_view numbers, std::size_t index) {
    std::uint64_t bits = 0;
    for (int b = 7; b >= 0; --b)
        bits = bits << 8 |
               static_cast<unsigned char>(numbers[index * 8 + static_cast<std::size_t>(b)]);
    return std::bit_cast<double>(bits);
}

}  // namespace

void MapBatchWriter::Put(double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    for (int b = 0; b < 8; ++b)
        numbers_.push_back(static_cast<char>(bits >> (8 * b) & 0xFF));
}

void MapBatchWriter::Circle(double x, double y, double radius, std::int32_t colour,
                            double startAngle, double endAngle, double aspect) {
    ops_.push_back(static_cast<char>(MapOp::Circle));
    for (const double v : {x, y, radius, double(colour), startAngle, endAngle, aspect})
        Put(v);
}

void MapBatchWriter::Line(double x1, double y1, double x2, double y2, std::int32_t colour,
                          std::int32_t flags) {
    ops_.push_back(static_cast<char>(MapOp::Line));
    for (const double v : {x1, y1, x2, y2, double(colour), double(flags)})
        Put(v);
}

void MapBatchWriter::Pen(MapOp op, std::int32_t value) {
    ops_.push_back(static_cast<char>(op));
    Put(value);
}

int ReadMapBatch(std::string_view ops, std::string_view numbers, MapDrawing& drawing) {
    const std::size_t count = numbers.size() / 8;
    std::size_t at = 0;
    double n[7];
    int figures = 0;
    for (const char code : ops) {
        const auto op = static_cast<MapOp>(static_cast<unsigned char>(code));
        if (op < MapOp::Circle || op > MapOp::DrawColour) break;
        const auto k = static_cast<std::size_t>(Arity(op));
        if (count - at < k) break;
        for (std::size_t i = 0; i < k; ++i)
            n[i] = Take(numbers, at + i);
        at += k;
        switch (op) {
            case MapOp::Circle:
                drawing.Circle(n[0], n[1], n[2], Whole(n[3]));
                ++figures;
                break;
            case MapOp::Line:
                drawing.Line(n[0], n[1], n[2], n[3], Whole(n[4]));
                ++figures;
                break;
            case MapOp::LineWidth:
                drawing.LineWidth(Whole(n[0]));
                break;
            case MapOp::DrawMode:
                drawing.DrawMode(Whole(n[0]));
                break;
            case MapOp::DrawColour:
                drawing.DrawColour(Whole(n[0]));
                break;
        }
    }
    return figures;
}

}  // namespace bb::bus
