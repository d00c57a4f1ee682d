#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <cstdio>
#include <fstream>
#include <string>

namespace bench {

// Peak resident set size of this process so far, in KiB (VmHWM).
inline long peakRssKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

// Current resident set size in KiB (VmRSS).
inline long rssKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

inline void report(const char* name, double value, const char* unit)
{
    std::printf("%-50s %14.1f %s\n", name, value, unit);
    std::fflush(stdout);
}

} // namespace bench
