#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace wormpair::testing {

// Everything below root: each entry's kind, permission bits and content.
inline std::map<std::string, std::string> snapshot(const std::filesystem::path& root) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        const std::filesystem::path path = entry.path();
        struct stat status {};
        ::lstat(path.c_str(), &status);
        std::string what = std::to_string(status.st_mode) + ' ';
        if (S_ISLNK(status.st_mode)) {
            what += std::filesystem::read_symlink(path).string();
        } else if (S_ISREG(status.st_mode)) {
            std::ifstream in(path, std::ios::binary);
            what.append(std::istreambuf_iterator<char>(in), {});
        }
        entries[std::filesystem::relative(path, root).string()] = what;
    }
    struct stat status {};
    ::stat(root.c_str(), &status);
    entries["."] = std::to_string(status.st_mode);
    return entries;
}

}  // namespace wormpair::testing
