// The install step of the online upgrade as a process of its own, for the
// test that kills it at every flush and rename:
//   install_probe DIR            installs release V8.602 into DIR
//   install_probe --start DIR    what every program does first at its start
// Exit status 0 when the step ran, 1 when it failed, 3 when a journal was
// refused.

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "updater/install_journal.h"
#include "updater/release_install.h"
#include "updater/release_signature.h"

using namespace wormpair::updater;

int main(int argc, char* argv[]) {
    if (argc == 3 && std::strcmp(argv[1], "--start") == 0) {
        const Recovery recovery = recoverInterruptedInstall(argv[2]);
        if (recovery == Recovery::Refused) return 3;
        return recovery == Recovery::Failed || recovery == Recovery::Busy ? 1 : 0;
    }
    if (argc != 2) return 2;
    const std::filesystem::path programDir = argv[1];
    ReleaseManifest manifest;
    manifest.version = "V8.602";
    const std::pair<const char*, QByteArray> files[] = {
        {"wormpair", "new program"},
        {"1.xls", "new template"},
        {"canshu.pdf", "%PDF new manual"},
        {"tools/wormpair-cli", QByteArray(100000, 'x')},
    };
    std::vector<QByteArray> contents;
    for (const auto& [path, content] : files) {
        manifest.files.push_back({path, content.size(), sha256(content), true});
        contents.push_back(content);
    }
    try {
        const DirectoryLock lock(programDir);
        checkInstallable(programDir, manifest);
        installRelease(programDir, manifest, contents);
    } catch (const InstallError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
