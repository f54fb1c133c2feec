// The host's decoder against Direwolf's decode_aprs on every packet of the sample feed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "host/aprs_decoder.h"
#include "host/feed.h"

namespace bb::hostapp::aprs {
namespace {

struct Oracle {
    bool position = false;
    double lat = 0, lon = 0;
    int mph = -1, course = -1;
    bool emergency = false;
    bool invalid = false;  // decode_aprs complains, yet may print a position
};

std::string Shell(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buf[65536];
    for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;)
        out.append(buf, n);
    pclose(p);
    return out;
}

TEST(DirewolfOracle, SampleFeedDecodesAsDecodeAprsReadsIt) {
    if (Shell("command -v decode_aprs").empty())
        GTEST_SKIP() << "decode_aprs (Debian direwolf) not installed";
    std::vector<std::string> packets;
    {
        std::ifstream in(BB_SOURCE_DATA "/sample-feed.tnc2");
        ASSERT_TRUE(in);
        const std::string input = ::testing::TempDir() + "/oracle-input.txt";
        std::ofstream outFile(input);
        for (std::string line; std::getline(in, line);) {
            std::string_view v(line);
            hostapp::SplitFeedTime(v);
            packets.emplace_back(v);
            outFile << v << '\n';
        }
    }
    const std::string text =
        Shell("decode_aprs < '" + ::testing::TempDir() +
              "/oracle-input.txt' 2>/dev/null | sed 's/\\x1b\\[[0-9;]*[mJ]//g'");
    ASSERT_FALSE(text.empty());

    // Blocks start at the echo of each packet.
    std::map<std::size_t, Oracle> oracle;
    const std::regex pos(
        R"(^([NS]) (\d+) ([\d.]+), ([EW]) (\d+) ([\d.]+)(, (\d+) MPH)?(, course (\d+))?)");
    std::size_t next = 0, current = SIZE_MAX;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (next < packets.size() && line == packets[next]) {
            current = next++;
            oracle[current] = {};
            continue;
        }
        if (current == SIZE_MAX) continue;
        Oracle& o = oracle[current];
        std::smatch m;
        if (!o.position && std::regex_search(line, m, pos)) {
            o.position = true;
            o.lat = (std::stod(m[2]) + std::stod(m[3]) / 60) * (m[1] == "S" ? -1 : 1);
            o.lon = (std::stod(m[5]) + std::stod(m[6]) / 60) * (m[4] == "W" ? -1 : 1);
            if (m[8].matched) o.mph = std::stoi(m[8]);
            if (m[10].matched) o.course = std::stoi(m[10]);
        }
        if (line.find("Invalid") != std::string::npos) o.invalid = true;
        if (line.rfind("MIC-E", 0) == 0 && line.find("Emergency") != std::string::npos)
            o.emergency = true;
    }
    ASSERT_EQ(next, packets.size()) << "decode_aprs did not echo every packet";

    int positions = 0, emergencies = 0;
    for (std::size_t i = 0; i < packets.size(); ++i) {
        SCOPED_TRACE(packets[i]);
        Tnc2Packet p;
        Report r;
        std::string why;
        const bool ours =
            ParseTnc2(packets[i], p, why) && Decode(p, r, why) == Outcome::Decoded && r.hasPosition;
        const Oracle& o = oracle[i];
        const bool theirs = o.position && !o.invalid;
        EXPECT_EQ(ours, theirs);
        if (!ours || !theirs) continue;
        ++positions;
        EXPECT_NEAR(r.latitude, o.lat, 2e-6);
        EXPECT_NEAR(r.longitude, o.lon, 2e-6);
        EXPECT_EQ(o.course < 0 ? -1 : r.course, o.course);  // -1: decode_aprs gives none
        EXPECT_NEAR(o.mph < 0 ? -1 : r.speedKnots * 1.15078, o.mph, 0.51);
        EXPECT_EQ(o.emergency ? r.status : "Emergency", "Emergency");
        emergencies += o.emergency;
    }
    EXPECT_GT(positions, 2000);
    EXPECT_GT(emergencies, 0);
}

}  // namespace
}  // namespace bb::hostapp::aprs
