// Any bytes as an element list, in the numeric form (first byte even) or the
// formula form (odd): all elements or none, and what is read writes back and
// reads again to the same bytes.
#include <cstdint>
#include <cstdlib>

#include "elements/pict.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    qz::PictForm form = data[0] % 2 ? qz::PictForm::kFormula : qz::PictForm::kNumeric;
    qz::PictList list;
    try {
        qz::CArchive ar(data + 1, size - 1);
        qz::SerializePictList(ar, list, form);
    } catch (const qz::ArchiveError&) {
        if (!list.empty()) std::abort();
        return 0;
    }
    std::vector<std::uint8_t> once, twice;
    qz::CArchive out(once);
    qz::SerializePictList(out, list, form);
    qz::PictList back;
    qz::CArchive in(once.data(), once.size());
    qz::SerializePictList(in, back, form);
    qz::CArchive out2(twice);
    qz::SerializePictList(out2, back, form);
    if (once != twice || back.size() != list.size()) std::abort();
    return 0;
}
