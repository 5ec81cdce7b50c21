// Small helpers shared by the tests.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "base/archive.h"
#include "base/text.h"

namespace qztest {

// Bytes of a storing archive filled by `fill`.
template <class Fill>
std::vector<std::uint8_t> Store(Fill fill) {
    std::vector<std::uint8_t> bytes;
    qz::CArchive ar(bytes);
    fill(ar);
    return bytes;
}

// Every archive string of a stream that holds nothing else.
inline std::vector<qz::Text> Strings(const std::vector<std::uint8_t>& bytes) {
    qz::CArchive ar(bytes.data(), bytes.size());
    std::vector<qz::Text> out;
    while (ar.Remaining()) out.push_back(ar.ReadString());
    return out;
}

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

}  // namespace qztest
