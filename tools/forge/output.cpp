#include "output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::filesystem::path target(path);
    if (target.has_parent_path()) {
        std::error_code error;
        std::filesystem::create_directories(target.parent_path(), error);
        if (error) {
            throw std::runtime_error("cannot create directory " + target.parent_path().string() + ": " +
                                     error.message());
        }
    }
    FILE* opened = std::fopen(path.c_str(), "wb");
    if (!opened) throw fileError("cannot create", path, errno);
    std::unique_ptr<FILE, int (*)(FILE*)> file(opened, &std::fclose);
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size())
        throw fileError("cannot write", path, errno);
    // The last bytes reach the file only when it is closed.
    if (std::fclose(file.release()) != 0) throw fileError("cannot write", path, errno);
}

void reportFile(const std::string& path, size_t size, const std::string& what) {
    std::fprintf(stderr, "  %-28s %8zu bytes  %s\n", path.c_str(), size, what.c_str());
}
