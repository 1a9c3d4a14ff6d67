// Where a game's files are read from: the rule each platform's users expect,
// chosen by the host, and the lookup the loaders make through it.
#include <filesystem>
#include <string>
#include <system_error>

#include "host/common.h"
#include "quorl/host.h"

namespace fs = std::filesystem;

// The second folder relative names are looked up in; empty: none. Set once
// by the first thread before the game thread starts.
static std::string fallbackFolder;

void chooseDataFolder(const char* programFolder, int32_t rule)
{
    if (programFolder == nullptr || programFolder[0] == '\0') {
        return;
    }
    std::error_code error;
    if (rule == DATA_BESIDE_PROGRAM) {
        fallbackFolder = programFolder;
        return;
    }
    // An installed game runs as <prefix>/bin/<name> with its files in
    // <prefix>/<dataDirectory>; run from anywhere else (a build folder), it
    // reads the working folder it was given.
    if (gameInfo.dataDirectory == nullptr || gameInfo.dataDirectory[0] == '\0') {
        return;
    }
    fs::path program = fs::path(programFolder).lexically_normal();
    if (!program.has_filename()) {
        program = program.parent_path();  // a trailing separator
    }
    if (program.filename() != "bin") {
        return;
    }
    fs::path data = program.parent_path() / gameInfo.dataDirectory;
    if (fs::is_directory(data, error)) {
        fs::current_path(data, error);
    }
}

std::string dataFilePath(const char* name)
{
    std::error_code error;
    if (fallbackFolder.empty() || name == nullptr || name[0] == '\0' || fs::path(name).is_absolute() ||
        fs::exists(name, error)) {
        return name != nullptr ? name : "";
    }
    fs::path beside = fs::path(fallbackFolder) / name;
    return fs::exists(beside, error) ? beside.string() : std::string(name);
}
