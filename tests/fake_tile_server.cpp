// The test's tile server as a program of its own, for pictures of bb-host's
// map where there is no network: it prints its URL and serves until ended.
#include <QCoreApplication>
#include <cstdio>

#include "tests/fakes/tile_server.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // No mark: it lies far south of any map the pictures show.
    bb::testing::TileServer server(-84, 0);
    std::printf("%s\n", qPrintable(server.Url()));
    std::fflush(stdout);
    return app.exec();
}
