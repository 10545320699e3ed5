#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>
#include <utility>

namespace wormpair::testing {

// A path or text as one word of a shell command line.
inline std::string shellQuoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Runs a shell command; its exit status (-1 when it did not end normally)
// and what it wrote to standard output and error.
inline std::pair<int, std::string> runProgram(const std::string& command) {
    std::string output;
    std::FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return {-1, "cannot start: " + command};
    std::array<char, 4096> buffer;
    while (const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) {
        output.append(buffer.data(), n);
    }
    const int status = ::pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

// A program CMake looked for (python3 with xlrd, soffice); empty when it
// found none.
inline std::string foundProgram(const char* found) {
    const std::string program = found;
    return program.find("NOTFOUND") == std::string::npos ? program : std::string();
}

}  // namespace wormpair::testing
