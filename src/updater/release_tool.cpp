// wormpair-sign: the publisher's tool. Makes a key pair, and makes a signed
// release from a build, laid out as the update server serves it.
//
//   wormpair-sign keygen SECRET_KEY_FILE
//   wormpair-sign public-key SECRET_KEY_FILE
//   wormpair-sign release --build DIR --version TEXT --notes FILE --key FILE
//                         --out DIR [--expect-key HEX] FILE...

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QString>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/file_replace.h"
#include "updater/release_manifest.h"
#include "updater/release_signature.h"

namespace {

namespace fs = std::filesystem;
using namespace wormpair;
using namespace wormpair::updater;

int fail(const std::string& message) {
    std::fprintf(stderr, "wormpair-sign: %s\n", message.c_str());
    return 1;
}

int usage() {
    std::fputs(
        "usage: wormpair-sign keygen SECRET_KEY_FILE\n"
        "       wormpair-sign public-key SECRET_KEY_FILE\n"
        "       wormpair-sign release --build DIR --version TEXT --notes FILE --key FILE\n"
        "                             --out DIR [--expect-key HEX] FILE...\n",
        stderr);
    return 2;
}

QByteArray readBytes(const fs::path& path, std::size_t limit) {
    const std::vector<std::uint8_t> bytes = readWholeFile(path, limit);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

void writeBytes(const fs::path& path, const QByteArray& bytes) {
    replaceFile(path, {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                       static_cast<std::size_t>(bytes.size())});
}

QByteArray readSecretKey(const fs::path& path) {
    const QByteArray key = keyFromHex(QString::fromLatin1(readBytes(path, 4096)), kSecretKeyBytes);
    if (key.isEmpty() || publicKeyOf(key).isEmpty()) {
        throw std::runtime_error("not a secret key file: " + path.string());
    }
    return key;
}

int keygen(const fs::path& path) {
    std::error_code error;
    if (fs::symlink_status(path, error).type() != fs::file_type::not_found) {
        return fail("will not overwrite " + path.string());
    }
    const KeyPair pair = generateKeyPair();
    ::umask(077);  // the secret key is for its owner's eyes only
    writeBytes(path, pair.secretKey.toHex() + '\n');
    std::printf("%s\n", pair.publicKey.toHex().constData());
    return 0;
}

int release(const std::map<std::string, std::string>& options,
            const std::vector<std::string>& names) {
    for (const char* required : {"--build", "--version", "--notes", "--key", "--out"}) {
        if (!options.count(required)) return usage();
    }
    if (names.empty()) return fail("no files named");
    const fs::path build = options.at("--build");
    const fs::path out = options.at("--out");
    const QByteArray secretKey = readSecretKey(options.at("--key"));
    const QByteArray publicKey = publicKeyOf(secretKey);
    if (options.count("--expect-key") &&
        keyFromHex(QString::fromStdString(options.at("--expect-key")), kPublicKeyBytes) !=
            publicKey) {
        return fail("the key does not match the public key built into the updater");
    }

    ReleaseManifest manifest;
    manifest.version = QString::fromStdString(options.at("--version"));
    if (!parseVersion(manifest.version)) {
        return fail("the version must read V<major>.<minor>, as V8.602");
    }
    manifest.notes = QString::fromUtf8(readBytes(options.at("--notes"), 20000)).trimmed();
    const fs::path files = out / fs::path(kFilesPath).relative_path();
    fs::create_directories(files);
    for (const std::string& name : names) {
        const fs::path source = build / name;
        struct stat status {};
        if (::stat(source.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
            return fail("no file " + source.string());
        }
        ReleaseFile file;
        file.path = QString::fromStdString(name);
        const QByteArray bytes = readBytes(source, std::size_t(kFileLimit));
        file.size = bytes.size();
        file.sha256 = sha256(bytes);
        file.executable = (status.st_mode & S_IXUSR) != 0;
        manifest.files.push_back(file);
        writeBytes(files / file.sha256.toHex().toStdString(), bytes);
    }
    const QByteArray manifestBytes = writeManifest(manifest);
    // the updater must accept what we publish
    parseManifest(manifestBytes);
    const QByteArray signature = signMessage(manifestBytes, secretKey);
    if (!verifySignature(manifestBytes, signature, publicKey)) return fail("signing failed");
    writeBytes(out / fs::path(kManifestPath).relative_path(), manifestBytes);
    writeBytes(out / fs::path(kSignaturePath).relative_path(), signature);
    // the version the main program compares with its v.txt at start-up
    writeBytes(out / "uploads" / "v.txt", manifest.version.toUtf8() + "\n");
    std::printf("%zu files, version %s, public key %s\n", manifest.files.size(),
                options.at("--version").c_str(), publicKey.toHex().constData());
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.size() == 2 && args[0] == "keygen") return keygen(args[1]);
        if (args.size() == 2 && args[0] == "public-key") {
            std::printf("%s\n", publicKeyOf(readSecretKey(args[1])).toHex().constData());
            return 0;
        }
        if (!args.empty() && args[0] == "release") {
            std::map<std::string, std::string> options;
            std::vector<std::string> names;
            for (std::size_t i = 1; i < args.size(); ++i) {
                if (args[i].starts_with("--")) {
                    if (i + 1 == args.size()) return usage();
                    options[args[i]] = args[i + 1];
                    ++i;
                } else {
                    names.push_back(args[i]);
                }
            }
            return release(options, names);
        }
    } catch (const ManifestError& bad) {
        return fail(bad.message().toStdString());
    } catch (const std::exception& error) {
        return fail(error.what());
    }
    return usage();
}
