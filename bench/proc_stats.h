// A process's figures as /proc gives them: resident memory and CPU time.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
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

// A process's CPU time to the nanosecond, for the figures a run reports: the
// scheduler's own count of each thread's time on a CPU. CpuSeconds' ticks of
// 10 ms are a tenth of what half a minute measures at half a per cent of a
// core. A thread that has ended keeps the time last read for it (the
// toolkit lets a pooled thread go after half a minute idle), so the count
// never runs backwards; where the scheduler keeps no counts, the ticks.
class CpuMeter {
  public:
    explicit CpuMeter(std::string pid) : pid_(std::move(pid)) {}

    double Seconds() {
        std::error_code ec;
        for (const auto& task :
             std::filesystem::directory_iterator("/proc/" + pid_ + "/task", ec)) {
            std::ifstream in(task.path() / "schedstat");
            double onCpuNs = 0;
            if (in >> onCpuNs) lastNs_[task.path().filename().string()] = onCpuNs;
        }
        if (lastNs_.empty()) return CpuSeconds(pid_);
        double ns = 0;
        for (const auto& [task, onCpuNs] : lastNs_)
            ns += onCpuNs;
        return ns / 1e9;
    }

  private:
    std::string pid_;
    std::map<std::string, double> lastNs_;
};

}  // namespace bb::bench
