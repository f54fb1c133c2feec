#include "support/diagnostic_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>

#include "tests/fakes/fake_system.h"

namespace bb {
namespace {

using testing::FakeSystem;

class DiagnosticLog : public ::testing::Test {
  protected:
    void StartAt(int y, int mo, int d, int h, int mi, int s) {
        fs.clock.Set(y, mo, d, h, mi, s);
        Common::Initialize();
    }
    FakeSystem fs;
};

// A run without errors leaves the log as it was; after an error, the shutdown is logged.
TEST_F(DiagnosticLog, ShutdownLineOnlyAfterAnError) {
    std::ofstream(fs.LogFilePath(), std::ios::binary) << "old line\r\n";
    StartAt(2026, 12, 5, 7, 0, 0);
    Common::Terminate();
    EXPECT_EQ(testing::ReadFile(fs.LogFilePath()), "old line\r\n");
    Common::ResetForTesting();
    StartAt(2026, 5, 1, 0, 0, 0);
    LogError(5, "Form1.Form_Load");
    Common::Terminate();
    EXPECT_EQ(fs.LogLines().back(), "01-May-2026 00:00:00 > Beaconboard shutdown");
}

TEST_F(DiagnosticLog, TheFirstErrorWritesTheHeaderStampedWithTheStartTime) {
    fs.locale.items[sys::kLocaleSLanguage] = "Deutsch";
    fs.locale.items[sys::kLocaleSCountry] = "Deutschland";
    Common::SetConnectedServersSource([] { return " DXL,HRD "; });
    StartAt(2026, 12, 5, 6, 0, 1);
    fs.clock.Set(2026, 12, 5, 7, 17, 44);
    LogError(9, "Form1.add_beacon");
    Common::SetConnectedServersSource(nullptr);

    const std::string folder = fs.folder.path().string();
    const std::string at = "05-Dec-2026 06:00:01 > ";
    std::vector<std::string> expected = {
        "",
        at + "Beaconboard version 1.0.10",
        at + "App.Path        : " + folder,
        at + "App.exe         : Beaconboard",
        at + "Operating System: Vista build 7601",
        at + "Country         : Deutschland",
        at + "Language        : Deutsch",
        at + "DXLab Apps      : DXL,HRD",
        "05-Dec-2026 07:17:44 > program error 9 in module Form1.add_beacon: Subscript out of range",
    };
    fs.os.info = {};  // read at Initialize, not at the first line
    EXPECT_EQ(fs.LogLines(), expected);
    EXPECT_TRUE(fs.LogText().ends_with("\r\n"));
}

TEST_F(DiagnosticLog, ASecondErrorAddsOneLineAndANewRunAppendsANewHeader) {
    StartAt(2026, 1, 2, 3, 4, 5);
    LogError(6, "A.b");
    const auto first = fs.LogLines().size();
    LogError(13, "A.c");
    auto lines = fs.LogLines();
    ASSERT_EQ(lines.size(), first + 1);
    EXPECT_EQ(lines.back(), "02-Jan-2026 03:04:05 > program error 13 in module A.c: Type mismatch");

    Common::ResetForTesting();  // the next run of the program
    StartAt(2026, 1, 3, 0, 0, 0);
    LogError(6, "A.d");
    EXPECT_EQ(fs.LogLines().size(), first + 1 + 9);
}

TEST_F(DiagnosticLog, NoConnectedProgramLeavesTheLabelBareAndAnUnknownOsSaysSo) {
    fs.os.info = sys::OsVersionInfo{10, 0, 19045, sys::kPlatformWin32NT};
    fs.locale.lcid = 0;  // no user default locale
    StartAt(2026, 5, 1, 0, 0, 0);
    LogError(5, "X.y");
    std::string header;
    for (const auto& line : fs.LogLines())
        header += line.substr(std::min<std::size_t>(23, line.size())) + "|";
    EXPECT_NE(header.find("Operating System: unknown build 19045|Country         : |"
                          "Language        : |DXLab Apps      : |"),
              std::string::npos)
        << header;
}

TEST_F(DiagnosticLog, AFailedVersionQueryKeepsTheLastGoodAnswer) {
    fs.os.info = sys::OsVersionInfo{6, 0, 6002, sys::kPlatformWin32NT};
    Common::GetOSVersion();
    fs.os.ok = false;  // a failed query keeps the fields of the last good answer
    fs.os.info = sys::OsVersionInfo{5, 1, 2600, 2};
    Common::GetOSVersion();
    EXPECT_EQ(Common::GetOSName(), "Vista");
    EXPECT_EQ(Common::GetOSBuild(), 6002);
}

// A log that cannot be written loses its lines and the program goes on; the header counts as
// written, so once mended the next line comes without one. A missing folder is not made.
TEST_F(DiagnosticLog, AnUnwritableLogLosesItsLinesWithoutStopping) {
    namespace files = std::filesystem;
    const files::path log = fs.LogFilePath(), missing = fs.folder.path() / "missing";
    for (const auto& [what, spoil] : std::vector<std::pair<const char*, std::function<void()>>>{
             {"no folder", [&] { App().writableFolder = missing; }},
             {"a folder", [&] { files::create_directory(log); }},
             {"full disk", [&] { files::create_symlink("/dev/full", log); }},
             {"a pipe", [&] { ASSERT_EQ(::mkfifo(log.c_str(), 0644), 0); }}}) {
        SCOPED_TRACE(what);
        Common::ResetForTesting();
        spoil();
        StartAt(2026, 5, 1, 0, 0, 0);
        for (int i = 0; i < 3; ++i)
            LogError(61, "X.y");  // each returns at once (the time limit catches a stall)
        EXPECT_TRUE(Common::HeaderWritten());
        EXPECT_FALSE(files::exists(missing));
        files::remove(log);  // mended (the missing folder's log stays where it was)
        LogError(6, "X.z");
        EXPECT_EQ(fs.Errors(),
                  App().writableFolder == missing
                      ? std::vector<std::string>{}
                      : std::vector<std::string>{"program error 6 in module X.z: Overflow"});
        files::remove(log);
        App().writableFolder = fs.folder.path();
    }
}

TEST_F(DiagnosticLog, ALineBeforeInitializeIsLost) {
    WriteErrorLog("too early");
    EXPECT_FALSE(std::filesystem::exists(fs.LogFilePath()));
    StartAt(2026, 5, 1, 0, 0, 0);
    EXPECT_FALSE(Common::HeaderWritten());
}

TEST_F(DiagnosticLog, MonthNamesComeFromTheLocaleWhereItHasThem) {
    fs.locale.items[sys::kLocaleSAbbrevMonthName1 + 11] = "dec";
    std::string got = Common::FormatTimeStamp(DateSerial(2026, 12, 5, 7, 17, 44)) + "|" +
                      Common::FormatTimeStamp(DateSerial(2026, 3, 9, 23, 0, 9)) + "|";
    fs.locale.lcid = 0;
    got += Common::FormatTimeStamp(DateSerial(2026, 12, 5));
    EXPECT_EQ(got, "05-dec-2026 07:17:44|09-Mar-2026 23:00:09|05-Dec-2026 00:00:00");
}

}  // namespace
}  // namespace bb
