// Small helpers shared by the tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "base/archive.h"
#include "base/text.h"
#include "records/pict.h"

namespace qztest {

// Bytes of an archive writer filled by `fill`.
template <class Fill>
std::vector<std::uint8_t> Store(Fill fill) {
    std::vector<std::uint8_t> bytes;
    qz::CArchiveWriter ar(bytes);
    fill(ar);
    return bytes;
}

// Every archive string of a stream that holds nothing else.
inline std::vector<qz::Text> Strings(const std::vector<std::uint8_t>& bytes) {
    qz::CArchiveReader ar(bytes.data(), bytes.size());
    std::vector<qz::Text> out;
    while (ar.Remaining()) out.push_back(ar.ReadString());
    return out;
}

// An element of no class the library knows: what the base class does.
struct ForeignPict : qz::CPict {
    qz::PictKind Kind() const override { return qz::PictKind(7); }
    std::unique_ptr<qz::CPict> Clone() const override {
        return std::make_unique<ForeignPict>(*this);
    }
};

// A fresh folder under the system's temporary folder, removed at scope end.
class TempDir {
  public:
    TempDir() {
#ifdef _WIN32
        // No mkdtemp: fresh names until one is created.
        std::random_device random;
        do {
            path_ = std::filesystem::temp_directory_path() / ("qztest-" + std::to_string(random()));
        } while (!std::filesystem::create_directory(path_));
#else
        std::string tmpl = (std::filesystem::temp_directory_path() / "qztest-XXXXXX").string();
        path_ = mkdtemp(tmpl.data());
#endif
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const {
        return path_;
    }
    qz::Text text(const std::string& name = {}) const {
        return qz::FromUtf8((name.empty() ? path_ : path_ / name).string());
    }

  private:
    std::filesystem::path path_;
};

// A file's whole content.
inline std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

#ifndef _WIN32
// One run of a tool: exit status (-1 when it did not exit), standard output
// and standard error.
struct ToolRun {
    int status = -1;
    std::string out, err;
};

// A shell command's standard output and status.
inline ToolRun RunCommand(const std::string& command) {
    ToolRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buf[4096];
    while (std::size_t n = fread(buf, 1, sizeof buf, pipe)) run.out.append(buf, n);
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}
#endif

#ifdef QZ_QUARNZ_PATH
// quarnz with `args`, ended should it still run after 20 s.
inline ToolRun Quarnz(const std::string& args, const TempDir& dir) {
    std::filesystem::path out = dir.path() / "quarnz.out", err = dir.path() / "quarnz.err";
    std::string command = "timeout 20 " + std::string(QZ_QUARNZ_PATH) + " " + args + " >'" +
                          out.string() + "' 2>'" + err.string() + "'";
    int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(out), ReadText(err)};
}
#endif

}  // namespace qztest
