#include "zones/zone_list.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <new>

#include "base/msgbox.h"
#include "base/platform.h"
#include "base/quote.h"

namespace qz {

void CZoneLists::ClearZones() {
    arrZones.clear();
    arrPicts.clear();
}

void CZoneLists::DeleteZone(std::size_t index) {
    Text tag = arrZones[index]->strTag.str();
    arrZones.erase(arrZones.begin() + std::ptrdiff_t(index));
    DeletePicts(tag);
}

void CZoneLists::DeletePicts(TextView tag) {
    std::erase_if(arrPicts, [&](const auto& p) { return p->strZoneTag == tag; });
}

void CZoneLists::RetagPicts(TextView from, TextView to) {
    for (auto& p : arrPicts)
        if (p->strZoneTag == from) p->strZoneTag = to;
}

std::vector<std::uint8_t> CZoneLists::ZoneFileBytes() const {
    std::vector<std::uint8_t> bytes;
    // Room for typical records at once: growing by copies would cost more than writing.
    bytes.reserve(12 + 256 * arrZones.size() + 320 * arrPicts.size());
    CArchiveWriter ar(bytes);
    ar.WriteFloat(fAllowedError);
    ar.WriteInt32(std::int32_t(arrZones.size()));
    for (const auto& zone : arrZones) zone->Store(ar);
    StorePicts(ar, arrPicts, PictForm::kNumeric);
    return bytes;
}

ZoneFileReading CZoneLists::AppendZoneFileBytes(const std::uint8_t* data, std::size_t size) {
    CArchiveReader ar(data, size);
    ZoneFileReading reading;
    reading.size = size;
    float allowed;
    ar.ReadFloat(allowed);
    reading.zoneCountAt = ar.Offset();
    reading.zoneCount = ar.ReadInt32();
    // The shortest zone record is nine one-byte strings.
    ar.CheckCount(reading.zoneCount, 9);
    ZoneList zones;
    for (std::int32_t i = 0; i < reading.zoneCount; ++i) {
        auto zone = std::make_unique<CZone>();
        zone->Load(ar);
        zones.push_back(std::move(zone));
    }
    PictList picts;
    reading.elementCountAt = ar.Offset();
    reading.elementCount = LoadPicts(ar, picts, PictForm::kNumeric);
    reading.end = ar.Offset();
    // Everything read: only now does the file change the lists.
    std::memcpy(&fAllowedError, &allowed, sizeof allowed);  // a NaN keeps its bits
    for (auto& z : zones) arrZones.push_back(std::move(z));
    for (auto& p : picts) arrPicts.push_back(std::move(p));
    return reading;
}

std::string ZoneFileReading::Remarks() const {
    std::string out;
    auto add = [&out](const std::string& remark) { out += (out.empty() ? "" : "; ") + remark; };
    if (zoneCount < 0)
        add(FormatUtf8("zone count %d at byte %zu read as none", int(zoneCount), zoneCountAt));
    if (elementCount < 0)
        add(FormatUtf8("element count %d at byte %zu read as none", int(elementCount),
                       elementCountAt));
    if (size > end)
        add(FormatUtf8("%zu bytes after the last element at byte %zu ignored", size - end, end));
    return out;
}

namespace {

void ShowBroken(const Text& path, const char* why) {
    ShowMessageBox(Format("文件 %s 已损坏, 无法读取 (%s) !", QuoteForMessage(path).c_str(), why),
                   kModuleName, kMbOk | kMbIconError);
}

// Reads the whole file and hands its bytes to `parse`; false when it is not
// there, does not open, or `parse` raises ArchiveError.  With kShown a file
// the user named: what keeps it from being read is said in a message box.
bool ReadStoredFile(const Text& path, FileFaults faults,
                    const std::function<void(const std::vector<std::uint8_t>&)>& parse) {
    const Vfs& fs = CurrentVfs();
    const bool shown = faults == FileFaults::kShown;
    std::vector<std::uint8_t> bytes;
    try {
        if (!fs.exists(path)) {
            if (shown)
                ShowMessageBox(Format("没有找到文件 %s !", QuoteForMessage(path).c_str()),
                               kModuleName, kMbOk | kMbIconError);
            return false;
        }
        if (!fs.read(path, bytes, kWholeFile)) {
            if (shown)
                ShowMessageBox(Format("文件 %s 打开失败 !", QuoteForMessage(path).c_str()),
                               kModuleName, kMbOk | kMbIconError);
            return false;
        }
        parse(bytes);
    } catch (const ArchiveError& e) {
        if (shown) ShowBroken(path, e.what());
        return false;
    } catch (const std::bad_alloc&) {
        if (!shown) throw;
        // A file too large for this process is one it cannot read; what was
        // read goes first, so that the message has room.
        std::vector<std::uint8_t>().swap(bytes);
        ShowBroken(path, "not enough memory to read it");
        return false;
    }
    return true;
}

}  // namespace

bool CZoneLists::LoadZoneFile(const Text& path) {
    return ReadStoredFile(path, FileFaults::kShown, [&](const std::vector<std::uint8_t>& bytes) {
        AppendZoneFileBytes(bytes.data(), bytes.size());
    });
}

bool CZoneLists::SaveZoneFile(const Text& path) const {
    return SaveFileReplacing(path, ZoneFileBytes());
}

bool CZoneLists::AppendPictsFromFile(const Text& path, TextView tag) {
    PictList read;
    if (path.empty() || !LoadPictFile(path, read, PictForm::kNumeric)) return false;
    AppendPicts(std::move(read), tag);
    return true;
}

void CZoneLists::AppendPicts(PictList picts, TextView tag) {
    for (auto& p : picts) {
        p->strZoneTag = tag;
        arrPicts.push_back(std::move(p));
    }
}

PictList CZoneLists::PictsOfZone(TextView tag) const {
    PictList picts;
    for (const auto& p : arrPicts)
        if (p->strZoneTag == tag) picts.push_back(p->Clone());
    return picts;
}

bool CZoneLists::SavePictsOfZone(const Text& path, TextView tag) const {
    std::vector<const CPict*> picts;
    for (const auto& p : arrPicts)
        if (p->strZoneTag == tag) picts.push_back(p.get());
    std::vector<std::uint8_t> bytes;
    CArchiveWriter ar(bytes);
    StorePicts(ar, picts, PictForm::kNumeric);
    return SaveFileReplacing(path, bytes);
}

Text CZoneLists::MakeUniqueTag(TextView tag, int skip) const {
    // Decided on the tag as stored: two tags that differ only past the
    // field's end would be one tag, and the zones would share their elements.
    constexpr std::size_t kMax = TextField<100>::kMaxLength;
    Text stored = FitText(tag, kMax);
    auto used = [&](TextView t) {
        for (std::size_t i = 0; i < arrZones.size(); ++i)
            if (int(i) != skip && arrZones[i]->strTag == t) return true;
        return false;
    };
    std::size_t count = 0;
    for (std::size_t i = 0; i < arrZones.size(); ++i)
        if (int(i) != skip && arrZones[i]->strTag == stored) ++count;
    if (count == 0) return stored;
    // Count up from c + 1 until the suffixed tag is free.
    for (std::size_t n = count + 1;; ++n) {
        // Cut the stem, never the suffix.
        Text suffix = Format("_%zu", n);
        Text candidate = FitText(stored, kMax - suffix.size()) + suffix;
        if (!used(candidate)) return candidate;
    }
}

bool LoadPictFile(const Text& path, PictList& list, PictForm form, FileFaults faults) {
    if (path.empty() && faults == FileFaults::kSilent) return false;
    return ReadStoredFile(path, faults, [&](const std::vector<std::uint8_t>& bytes) {
        CArchiveReader ar(bytes.data(), bytes.size());
        LoadPicts(ar, list, form);
    });
}

bool SavePictFile(const Text& path, const PictList& list, PictForm form) {
    std::vector<std::uint8_t> bytes;
    CArchiveWriter ar(bytes);
    StorePicts(ar, list, form);
    return SaveFileReplacing(path, bytes);
}

}  // namespace qz
