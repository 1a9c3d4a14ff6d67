// What a test can ask of its own process on either system: how many files
// (handles) it holds open and its peak memory, and fresh temporary folders.
#pragma once

#include <filesystem>
#include <random>
#include <string>

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>  // Required for: GetProcessMemoryInfo
#else
#include <sys/resource.h>
#endif

// Open files of the process: descriptors on Linux, kernel handles on
// Windows. Only differences between two readings mean anything.
inline size_t openFileCount()
{
#ifdef _WIN32
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    return handles;
#else
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        count++;
    }
    return count;
#endif
}

// The most memory the process has held at once so far, in KiB.
inline long peakResidentKiB()
{
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters = {};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return static_cast<long>(counters.PeakWorkingSetSize / 1024);
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
#endif
}

// Creates a new, empty folder named <prefix>-<random> in the system's
// temporary folder and returns its path; empty when none could be made.
inline std::string makeTempDirectory(const char* prefix)
{
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path path =
            std::filesystem::temp_directory_path() / (std::string(prefix) + "-" + std::to_string(random()));
        std::error_code error;
        if (std::filesystem::create_directory(path, error)) {
            return path.string();
        }
    }
    return "";
}
