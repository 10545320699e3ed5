// Writes the hostile workbooks of the shared test support into FOLDER as the
// fuzzer's seed corpus (committed under fuzz/corpus/).
#include <cstdio>
#include <exception>
#include <filesystem>

#include "hostile_workbooks.h"
#include "platform/file_replace.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    try {
        for (const auto& [name, bytes] : wormpair::testing::hostile::all(true)) {
            wormpair::replaceFile(std::filesystem::path(argv[1]) / (name + ".xls"), bytes);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
