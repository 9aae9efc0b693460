#include "output.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::filesystem::path target(path);
    if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path());
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

void reportFile(const std::string& path, size_t size, const std::string& what) {
    std::fprintf(stderr, "  %-28s %8zu bytes  %s\n", path.c_str(), size, what.c_str());
}
