#pragma once

#include <cstdint>
#include <fstream>
#include <string>

namespace korvalest::plugins::bench {

// Resident-set figures of this process from /proc, in bytes.
inline uint64_t procStatusBytes(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(in, line))
        if (line.compare(0, prefix.size(), prefix) == 0) return std::stoull(line.substr(prefix.size())) * 1024;
    return 0;
}

// Resets the peak resident size to the current one (Linux "clear_refs" 5).
inline bool resetPeakMemory() {
    std::ofstream out("/proc/self/clear_refs");
    out << "5";
    out.flush();
    return static_cast<bool>(out);
}

} // namespace korvalest::plugins::bench
