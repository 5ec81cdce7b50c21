// Any bytes as an element list, in the numeric form (first byte even) or the
// formula form (odd): all elements or none, and what is read writes back and
// reads again to the same bytes.
#include <cstdint>
#include <cstdlib>

#include "records/pict.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    qz::PictForm form = data[0] % 2 ? qz::PictForm::kFormula : qz::PictForm::kNumeric;
    qz::PictList list;
    try {
        qz::CArchiveReader ar(data + 1, size - 1);
        qz::LoadPicts(ar, list, form);
    } catch (const qz::ArchiveError&) {
        if (!list.empty()) std::abort();
        return 0;
    }
    // What was read writes back and reads again; stable from the second
    // writing on (a value that reads as infinite writes as "inf", read as 0).
    auto save = [form](const qz::PictList& picts) {
        std::vector<std::uint8_t> bytes;
        qz::CArchiveWriter out(bytes);
        qz::StorePicts(out, picts, form);
        return bytes;
    };
    auto load = [form](const std::vector<std::uint8_t>& bytes) {
        qz::PictList picts;
        qz::CArchiveReader in(bytes.data(), bytes.size());
        qz::LoadPicts(in, picts, form);
        return picts;
    };
    qz::PictList again = load(save(list));
    std::vector<std::uint8_t> twice = save(again);
    qz::PictList third = load(twice);
    if (save(third) != twice || again.size() != list.size()) std::abort();
    return 0;
}
