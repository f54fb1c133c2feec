#include "platform/private_profile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <tuple>

#include "tests/fakes/fake_system.h"

namespace bb::platform {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempFolder;

class Profile : public ::testing::Test {
  protected:
    void Put(const std::string& text) { std::ofstream(file, std::ios::binary) << text; }
    std::string Get(std::string_view section, std::string_view key, std::size_t size = 500) {
        return profile.GetPrivateProfileStringA(section, key, "<none>", size, file);
    }
    bool Set(std::string_view section, std::string_view key, std::string_view value) {
        return profile.WritePrivateProfileStringA(section, key, value, file);
    }
    std::size_t FilesInFolder() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder.path()), {}));
    }

    TempFolder folder;
    fs::path file = folder.path() / "Beaconboard.INI";
    PrivateProfile profile;
};

TEST_F(Profile, ReadsHandEditedFilesAsWindowsDoes) {
    Put("; a comment=not a key\ntop=outside any section\n  [ emergency ]  \n  SCAN  =  yes  \n"
        "scan=second one loses\nQuoted=\"  in quotes \"\nSingle='x'\nMixed=\"x'\nInner=a \"b\" c\n"
        "Empty=\nNoEquals\n;Alarm=TRUE\n#Plot=TRUE\nEquals=a=b\n"
        "[Emergency]\nZoom=in a second section of the same name\n[Other]\r\nKey=crlf\r\n");
    for (const auto& [section, key, value] : {std::tuple{"Emergency", "scan", "yes"},
                                              {"EMERGENCY", "Quoted", "  in quotes "},
                                              {"Emergency", "Single", "x"},
                                              {"Emergency", "Mixed", "\"x'"},
                                              {"Emergency", "Inner", "a \"b\" c"},
                                              {"Emergency", "Empty", ""},
                                              {"Emergency", "Equals", "a=b"},
                                              {"Other", "key", "crlf"}})
        EXPECT_EQ(Get(section, key), value) << key;
    for (const char* key : {"NoEquals", "Alarm", "#Plot", "Zoom", "top"})
        EXPECT_EQ(Get("Emergency", key), "<none>") << key;
    EXPECT_EQ(Get("Missing", "key"), "<none>");
}

// A missing file gives the default; long values are cut by characters; Windows-1252 is read.
TEST_F(Profile, MissingFileGivesTheDefaultAndLongValuesAreCutByCharacters) {
    EXPECT_EQ(Get("A", "b"), "<none>");
    Put("[A]\nlong=" + std::string(600, 'x') +
        "\nwide=\xc3\xa9\xc3\xa9\xc3\xa9\nw1252=Fran\xe7"
        "ais\nutf8=Fran\xc3\xa7"
        "ais\n");
    EXPECT_EQ(Get("A", "w1252") + Get("A", "utf8"),
              "Fran\xc3\xa7"
              "aisFran\xc3\xa7"
              "ais");
    EXPECT_EQ(Get("A", "long"), std::string(499, 'x'));
    EXPECT_EQ(Get("A", "wide", 3), "\xc3\xa9\xc3\xa9");
    EXPECT_EQ(Get("A", "long", 0), "");
}

TEST_F(Profile, WritesKeepCommentsUnknownLinesAndTheUsersSpelling) {
    Put("; my settings\n[Emergency]\n scan = yes \nCustom=kept\ngarbage line\n\n"
        "; about the next section\n[Other]\nx=1\n");
    for (const auto& [section, key, value] : {std::tuple{"Emergency", "Scan", "TRUE"},
                                              {"Emergency", "Alarm", "FALSE"},
                                              {"Other", "y", "2"},
                                              {"SETUP", "LEFT", "0"}})
        ASSERT_TRUE(Set(section, key, value));
    EXPECT_EQ(ReadFile(file),
              "; my settings\r\n[Emergency]\r\nscan=TRUE\r\nCustom=kept\r\nAlarm=FALSE\r\n"
              "garbage line\r\n\r\n; about the next section\r\n[Other]\r\nx=1\r\ny=2\r\n\r\n"
              "[SETUP]\r\nLEFT=0\r\n");
}

TEST_F(Profile, AReplacedFileKeepsItsPermissionsAndALinkStaysALink) {
    Put("[A]\r\nb=1\r\n");
    ::chmod(file.c_str(), 0640);
    ASSERT_TRUE(Set("A", "b", "2"));
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    const fs::path link = folder.path() / "link.INI";
    fs::create_symlink("Beaconboard.INI", link);
    ASSERT_TRUE(profile.WritePrivateProfileStringA("A", "b", "3", link));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFile(file), "[A]\r\nb=3\r\n");
    EXPECT_EQ(FilesInFolder(), 2u);  // no temporary file left behind
}

TEST_F(Profile, FilesThatCannotBeWrittenStayAsTheyWereAndSayWhy) {
    const fs::path nowhere = folder.path() / "missing" / "x.INI";
    EXPECT_FALSE(profile.WritePrivateProfileStringA("A", "b", "1", nowhere));
    EXPECT_NE(profile.LastWriteError().find(std::strerror(ENOENT)), std::string::npos);

    fs::create_directory(file);
    EXPECT_FALSE(Set("A", "b", "1"));
    EXPECT_NE(profile.LastWriteError().find(std::strerror(EISDIR)), std::string::npos);
    EXPECT_TRUE(fs::is_directory(file));
    fs::remove(file);

    EXPECT_FALSE(Set("A", "b", "1\r\n[B]"));
    EXPECT_FALSE(fs::exists(file));

    if (::geteuid() != 0) {  // root writes to read-only folders
        Put("[A]\r\nb=1\r\n");
        ::chmod(folder.path().c_str(), 0500);
        EXPECT_FALSE(Set("A", "b", "2"));
        ::chmod(folder.path().c_str(), 0700);
        EXPECT_EQ(ReadFile(file), "[A]\r\nb=1\r\n");
    }
}

TEST_F(Profile, AFileSizeLimitHitMidWriteLeavesTheOldFileWhole) {
    const std::string old = "[A]\r\nb=1\r\n";
    Put(old);
    // A real short write from the kernel: no file may grow beyond 64 bytes.
    auto* previous = ::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = Set("A", "b", std::string(200, 'z'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, previous);
    EXPECT_FALSE(ok);
    EXPECT_EQ(ReadFile(file), old);
    EXPECT_EQ(FilesInFolder(), 1u);
}

}  // namespace
}  // namespace bb::platform
