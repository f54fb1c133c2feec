// What the grid benchmarks run with: a window and a clipboard that do
// nothing, and a benchmark main with the Qt event loop the board needs.
#pragma once

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include "grid/station_grid.h"
#include "support/picture.h"

namespace bb {

class NoWindow final : public GridWindow {
  public:
    void SetCaption(const std::string&) override {}
    void OpenPopup(int) override {}
    bool Minimized() const override { return false; }
    int OuterLeft() const override { return 0; }
    int OuterTop() const override { return 0; }
    int OuterWidth() const override { return 15000; }
    int OuterHeight() const override { return 9000; }
    void PlaceGrid(int, int, int, int) override {}
    int GridWidth() const override { return 14850; }
    int CellTop() const override { return 0; }
    int CellHeight() const override { return 240; }
    double TwipsPerPixelX() const override { return 15; }
    double TwipsPerPixelY() const override { return 15; }
    void SetCursorPos(int, int) override {}
};

class NoClipboard final : public Clipboard {
  public:
    std::optional<Picture> GetBitmap() override { return std::nullopt; }
};

// `App`: QApplication for benchmarks that paint widgets.
template <typename App = QCoreApplication>
int RunQtBenchmarks(int argc, char** argv) {
    App app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace bb
