// bb-host as a new user meets it: started with nothing to hear it says what
// to do and stays for the board; its help names a sample feed that is there;
// its version, and bb-rigbridge's, read as the board's.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "tests/fakes/host_process.h"
#include "tests/fakes/wait_for.h"

namespace bb {
namespace {

// A user's folders of its own, and no display.
QProcessEnvironment Fresh(const QTemporaryDir& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    for (const char* v : {"XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"})
        env.remove(v);
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}

QString Output(const char* program, const QStringList& args, const QTemporaryDir& home) {
    QProcess p;
    p.setProcessEnvironment(Fresh(home));
    p.start(QString::fromUtf8(program), args);
    if (!p.waitForFinished(10000)) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

TEST(FirstStart, WithNothingToHearItSaysWhatToDoAndStaysForTheBoard) {
    QTemporaryDir home;
    QProcess host;
    host.setProcessEnvironment(Fresh(home));
    host.setStandardInputFile(QProcess::nullDevice());  // as a menu entry starts it
    host.start(QStringLiteral(BB_HOST_EXE), {});
    QString said;
    ASSERT_TRUE(testing::WaitFor([&] {
        said += QString::fromUtf8(host.readAllStandardError());
        return said.contains("--write-config");
    })) << said.toStdString();
    for (const char* option : {"--aprs-is", "--kiss", "--feed"})
        EXPECT_TRUE(said.contains(option)) << option;
    // The sample feed it names is there to try.
    const QRegularExpressionMatch sample =
        QRegularExpression(QStringLiteral("such as\\s+(\\S+)")).match(said);
    ASSERT_TRUE(sample.hasMatch()) << said.toStdString();
    EXPECT_TRUE(QFileInfo(sample.captured(1)).isFile()) << sample.captured(1).toStdString();
    EXPECT_FALSE(testing::WaitFor([&] { return host.state() == QProcess::NotRunning; }, 300));
    EXPECT_TRUE(testing::HostOnBus());
    host.terminate();
    EXPECT_TRUE(host.waitForFinished(5000));
}

TEST(FirstStart, HelpNamesTheSampleFeedAndEachProgramsVersionReadsAsTheBoards) {
    QTemporaryDir home;
    const QRegularExpressionMatch example =
        QRegularExpression(QStringLiteral("bb-host --feed (\\S+)"))
            .match(Output(BB_HOST_EXE, {"--help"}, home));
    ASSERT_TRUE(example.hasMatch());
    EXPECT_TRUE(QFileInfo(example.captured(1)).isFile()) << example.captured(1).toStdString();

    const QString board = Output(BB_BOARD_EXE, {"--version"}, home).section('\n', 0, 0);
    ASSERT_TRUE(board.startsWith("Beaconboard ")) << board.toStdString();
    EXPECT_EQ(Output(BB_HOST_EXE, {"--version"}, home).section('\n', 0, 0), board);
    EXPECT_EQ(Output(BB_RIGBRIDGE_EXE, {"--version"}, home).section('\n', 0, 0), board);
}

}  // namespace
}  // namespace bb
