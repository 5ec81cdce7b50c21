#include "frame/archive.h"

#include <cstdio>
#include <cstring>

#include "frame/helpers.h"

namespace qz {

ArchiveError::ArchiveError(std::size_t offset, const std::string& what)
    : std::runtime_error(what + " at byte " + std::to_string(offset)), offset(offset) {}

void CArchive::Fail(const std::string& what) const {
    throw ArchiveError(pos_, what);
}

void CArchive::CheckCount(std::int32_t count, std::size_t minBytes) const {
    if (count > 0 && std::size_t(count) > Remaining() / minBytes)
        Fail("count " + std::to_string(count) + " cannot fit in the " +
             std::to_string(Remaining()) + " bytes left");
}

const std::uint8_t* CArchive::Take(std::size_t n) {
    if (n > Remaining())
        Fail("unexpected end of data: " + std::to_string(n) + " bytes needed, " +
             std::to_string(Remaining()) + " left");
    const std::uint8_t* p = data_ + pos_;
    pos_ += n;
    return p;
}

static std::uint64_t Little(const std::uint8_t* p, int n) {
    std::uint64_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = v << 8 | p[i];
    return v;
}

static void PutLittle(std::vector<std::uint8_t>& out, std::uint64_t v, int n) {
    for (int i = 0; i < n; ++i) out.push_back(std::uint8_t(v >> (8 * i)));
}

void CArchive::WriteInt32(std::int32_t value) {
    PutLittle(*out_, std::uint32_t(value), 4);
}

void CArchive::WriteFloat(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    PutLittle(*out_, bits, 4);
}

std::int32_t CArchive::ReadInt32() {
    return std::int32_t(std::uint32_t(Little(Take(4), 4)));
}

float CArchive::ReadFloat() {
    std::uint32_t bits = std::uint32_t(Little(Take(4), 4));
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

void CArchive::WriteLength(std::uint64_t n) {
    std::vector<std::uint8_t>& out = *out_;
    out.push_back(0xFF);
    PutLittle(out, 0xFFFE, 2);
    if (n <= 254) {
        out.push_back(std::uint8_t(n));
    } else if (n <= 0xFFFD) {
        out.push_back(0xFF);
        PutLittle(out, n, 2);
    } else if (n < 0xFFFFFFFF) {
        out.push_back(0xFF);
        PutLittle(out, 0xFFFF, 2);
        PutLittle(out, n, 4);
    } else {
        out.push_back(0xFF);
        PutLittle(out, 0xFFFF, 2);
        PutLittle(out, 0xFFFFFFFF, 4);
        PutLittle(out, n, 8);
    }
}

void CArchive::WriteString(TextView text) {
    WriteLength(text.size());
    for (char16_t c : text) PutLittle(*out_, c, 2);
}

void CArchive::WriteAsciiString(std::string_view text) {
    WriteLength(text.size());
    for (char c : text) {
        out_->push_back(std::uint8_t(c));
        out_->push_back(0);
    }
}

std::uint64_t CArchive::ReadLength(bool& wide) {
    wide = false;
    std::uint64_t n = *Take(1);
    if (n < 0xFF) return n;
    n = Little(Take(2), 2);
    if (n == 0xFFFE) {
        wide = true;
        n = *Take(1);
        if (n < 0xFF) return n;
        n = Little(Take(2), 2);
    }
    if (n < 0xFFFF) return n;
    n = Little(Take(4), 4);
    if (n < 0xFFFFFFFF) return n;
    return Little(Take(8), 8);
}

Text CArchive::ReadString() {
    std::size_t start = pos_;
    bool wide;
    std::uint64_t n = ReadLength(wide);
    std::uint64_t unit = wide ? 2 : 1;
    if (n > Remaining() / unit)
        throw ArchiveError(start, "string of " + std::to_string(n) +
                                      (wide ? " UTF-16 units" : " bytes") + " longer than the " +
                                      std::to_string(Remaining()) + " bytes left");
    const std::uint8_t* p = Take(std::size_t(n * unit));
    if (!wide) return FromAnsi(std::string_view(reinterpret_cast<const char*>(p), std::size_t(n)));
    Text text(std::size_t(n), u'\0');
    for (std::size_t i = 0; i < n; ++i) text[i] = char16_t(p[2 * i] | p[2 * i + 1] << 8);
    return text;
}

void StoreInt(CArchive& ar, std::int32_t value) {
    ar.WriteAsciiString(std::to_string(value));
}

void StoreReal(CArchive& ar, float value) {
    char buf[64];
    int n = std::snprintf(buf, sizeof buf, "%f", double(value));
    ar.WriteAsciiString(std::string_view(buf, std::size_t(n)));
}

std::int32_t LoadInt(CArchive& ar) {
    return TruncToInt32(TextToNumber(ar.ReadString()));
}

float LoadReal(CArchive& ar) {
    return TextToNumber(ar.ReadString());
}

}  // namespace qz
