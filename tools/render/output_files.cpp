#include "output_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

void checkCreatable(const std::string& path) {
    struct stat status;
    const bool existed = stat(path.c_str(), &status) == 0;
    if (existed && S_ISDIR(status.st_mode)) throw fileError("cannot create", path, EISDIR);
    // Appending neither truncates nor changes an existing file.
    FILE* file = std::fopen(path.c_str(), "a");
    if (!file) throw fileError("cannot create", path, errno);
    std::fclose(file);
    if (!existed) std::remove(path.c_str());
}

std::vector<std::string> makeDirectories(const std::string& dir) {
    std::filesystem::path target = std::filesystem::path(dir).lexically_normal();
    if (!target.has_filename() && target.has_parent_path()) target = target.parent_path();
    std::vector<std::string> missing;
    struct stat status;
    for (std::filesystem::path at = target; !at.empty() && stat(at.c_str(), &status) != 0; at = at.parent_path()) {
        missing.push_back(at.string());
        if (at == at.parent_path()) break;
    }
    std::vector<std::string> made;
    for (auto at = missing.rbegin(); at != missing.rend(); ++at) {
        if (mkdir(at->c_str(), 0777) != 0) {
            const int error = errno;
            removeEmptyDirectories(made);
            throw fileError("cannot create directory", *at, error);
        }
        made.insert(made.begin(), *at);
    }
    if (stat(target.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        throw fileError("cannot create directory", dir, EEXIST);
    if (access(target.c_str(), W_OK) != 0) throw fileError("cannot write into", dir, errno);
    return made;
}

void removeEmptyDirectories(const std::vector<std::string>& made) {
    // rmdir refuses a directory that is not empty.
    for (const std::string& dir : made) rmdir(dir.c_str());
}
