// A process's figures as /proc gives them: resident memory and CPU time.
#pragma once

#include <unistd.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace bb::bench {

// Resident memory (VmRSS) in MB; `pid` is a number or "self".
inline double ResidentMb(const std::string& pid = "self") {
    std::ifstream in("/proc/" + pid + "/status");
    for (std::string key; in >> key;) {
        if (key == "VmRSS:") {
            double kb = 0;
            in >> kb;
            return kb / 1024;
        }
        in.ignore(1 << 10, '\n');
    }
    return 0;
}

// Seconds of CPU the process has used, user and system.
inline double CpuSeconds(const std::string& pid = "self") {
    std::ifstream in("/proc/" + pid + "/stat");
    const std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = stat.rfind(')');
    if (close == std::string::npos) return 0;
    // The fields after the command's closing bracket start with the 3rd;
    // utime and stime are the 14th and 15th.
    std::istringstream rest(stat.substr(close + 2));
    std::string field;
    double utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14) utime = std::stod(field);
        if (i == 15) stime = std::stod(field);
    }
    return (utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

}  // namespace bb::bench
