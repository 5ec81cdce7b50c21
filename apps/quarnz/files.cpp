#include "apps/quarnz/files.h"

#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "apps/quarnz/commands.h"
#include "base/platform.h"
#include "base/quote.h"

namespace quarnz {

void Fail(const std::string& subject, const std::string& what) {
    std::fprintf(stderr, "quarnz: %s: %s\n", qz::QuoteForMessage(subject).c_str(),
                 qz::QuoteForMessage(what).c_str());
    throw Failure{};
}

void CheckReadableSize(const std::string& path) {
    constexpr std::uintmax_t kMaxBytes = std::uintmax_t(1) << 30;
    std::error_code error;
    // Only a regular file has a size; the others fail as they are read.
    std::uintmax_t size = std::filesystem::file_size(qz::FromUtf8(path), error);
    if (!error && size > kMaxBytes)
        Fail(path, std::to_string(size) + " bytes, more than the 1 GiB read into memory");
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
    qz::Text native;
    try {
        native = qz::FromUtf8(path);
    } catch (const qz::TextError& e) {
        Fail(path, e.what());
    }
    std::vector<std::uint8_t> bytes;
    if (!qz::CurrentVfs().exists(native)) Fail(path, "no such file");
    CheckReadableSize(path);
    if (!qz::CurrentVfs().read(native, bytes, qz::kWholeFile))
        Fail(path, "cannot be opened as a regular file");
    return bytes;
}

nlohmann::json ReadJsonFile(const std::string& path) {
    // Deeper nesting than any document needs; bounds the parser's work and stack.
    constexpr int kMaxDepth = 64;
    using nlohmann::json;
    try {
        return json::parse(ReadFileBytes(path), [](int depth, json::parse_event_t, json&) {
            if (depth > kMaxDepth)
                throw std::length_error("nested deeper than " + std::to_string(kMaxDepth) +
                                        " levels");
            return true;
        });
    } catch (const json::exception& e) {
        Fail(path, e.what());
    } catch (const std::length_error& e) {
        Fail(path, e.what());
    }
}

namespace {

// The whole of `bytes` as an element list.
void ReadPicts(const std::vector<std::uint8_t>& bytes, qz::PictList& picts, bool formula) {
    qz::CArchiveReader ar(bytes.data(), bytes.size());
    qz::LoadPicts(ar, picts, formula ? qz::PictForm::kFormula : qz::PictForm::kNumeric);
    if (ar.Remaining()) ar.Fail(std::to_string(ar.Remaining()) + " bytes after the last element");
}

}  // namespace

qz::CZoneLists ReadZoneFile(const std::string& path) {
    std::vector<std::uint8_t> bytes = ReadFileBytes(path);
    qz::CZoneLists lists;
    try {
        lists.AppendZoneFileBytes(bytes.data(), bytes.size());
    } catch (const qz::ArchiveError& e) {
        Fail(path, std::string("broken zone parameter file: ") + e.what());
    }
    return lists;
}

StoredFile ReadStoredFile(const std::string& path, bool formula) {
    std::vector<std::uint8_t> bytes = ReadFileBytes(path);
    StoredFile f;
    if (formula) {
        try {
            ReadPicts(bytes, f.lists.arrPicts, true);
        } catch (const qz::ArchiveError& e) {
            Fail(path, std::string("broken element list (formula form): ") + e.what());
        }
        return f;
    }
    // Neither file has a magic number: a zone parameter file is one whose
    // whole content reads as one; otherwise try an element list.
    try {
        f.reading = f.lists.AppendZoneFileBytes(bytes.data(), bytes.size());
        f.isZoneFile = true;
        return f;
    } catch (const qz::ArchiveError& zoneError) {
        try {
            ReadPicts(bytes, f.lists.arrPicts, false);
            return f;
        } catch (const qz::ArchiveError&) {
            Fail(path, std::string("broken zone parameter file: ") + zoneError.what());
        }
    }
}

}  // namespace quarnz
