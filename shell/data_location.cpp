#include "shell/data_location.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>

namespace {

const char* const kSongInData = "data/music/peekstun.xm";
// Where the freedesktop rules look when XDG_DATA_DIRS is unset or empty.
const char* const kDefaultXdgDataDirs = "/usr/local/share:/usr/share";

bool holdsSong(const std::string& directory) { return access((directory + "/" + kSongInData).c_str(), R_OK) == 0; }

// Named as a user would look for it: the working directory in full, and
// "/usr/bin/../share" as "/usr/share".
std::string dataDirectoryOf(const std::string& directory) {
    std::filesystem::path path = directory == "." ? std::filesystem::current_path() : std::filesystem::path(directory);
    return (path / "data").lexically_normal().string();
}

std::vector<std::string> splitPathList(const std::string& list) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(':', start);
        if (end == std::string::npos) end = list.size();
        if (end > start) parts.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string executableDirectory() {
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return "";
    std::string executable(path, static_cast<size_t>(length));
    size_t slash = executable.rfind('/');
    return slash == std::string::npos ? "" : executable.substr(0, slash);
}

}  // namespace

DataSearch searchShowData(const std::string& programDirectory, const char* peekstunData, const char* xdgDataDirs) {
    std::vector<std::string> candidates = {"."};
    if (peekstunData && *peekstunData) candidates.push_back(peekstunData);
    if (!programDirectory.empty()) {
        const std::filesystem::path installed =
            std::filesystem::path(programDirectory) / PEEKSTUN_INSTALLED_DATA_FROM_BIN;
        candidates.push_back(installed.lexically_normal().string());
    }
    const char* xdg = xdgDataDirs && *xdgDataDirs ? xdgDataDirs : kDefaultXdgDataDirs;
    for (const std::string& directory : splitPathList(xdg)) candidates.push_back(directory + "/peekstun");

    DataSearch search;
    for (const std::string& candidate : candidates) {
        search.searched.push_back(dataDirectoryOf(candidate));
        if (holdsSong(candidate)) {
            search.found = candidate;
            break;
        }
    }
    return search;
}

DataSearch findShowData() {
    return searchShowData(executableDirectory(), std::getenv("PEEKSTUN_DATA"), std::getenv("XDG_DATA_DIRS"));
}

std::string describeSearchedPlaces(const DataSearch& search) {
    std::string line = std::string("no ") + kSongInData + " in";
    for (size_t i = 0; i < search.searched.size(); ++i) line += (i == 0 ? " " : ", ") + search.searched[i];
    return line;
}
