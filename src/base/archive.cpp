#include "base/archive.h"

#include <cstdio>
#include <cstring>

#include "base/helpers.h"

namespace qz {

ArchiveError::ArchiveError(std::size_t offset, const std::string& what)
    : std::runtime_error(what + " at byte " + std::to_string(offset)), offset(offset) {}

void CArchiveReader::Fail(const std::string& what) const {
    throw ArchiveError(pos_, what);
}

void CArchiveReader::CheckCount(std::int32_t count, std::size_t minBytes) const {
    if (count > 0 && std::size_t(count) > Remaining() / minBytes)
        Fail("count " + std::to_string(count) + " cannot fit in the " +
             std::to_string(Remaining()) + " bytes left");
}

void CArchiveReader::FailShort(std::size_t n) const {
    Fail("unexpected end of data: " + std::to_string(n) + " bytes needed, " +
         std::to_string(Remaining()) + " left");
}

static std::uint64_t Little(const std::uint8_t* p, int n) {
    std::uint64_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = v << 8 | p[i];
    return v;
}

static void PutLittle(std::vector<std::uint8_t>& out, std::uint64_t v, int n) {
    for (int i = 0; i < n; ++i) out.push_back(std::uint8_t(v >> (8 * i)));
}

void CArchiveWriter::WriteInt32(std::int32_t value) {
    PutLittle(out_, std::uint32_t(value), 4);
}

void CArchiveWriter::WriteFloat(const float& value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    PutLittle(out_, bits, 4);
}

std::int32_t CArchiveReader::ReadInt32() {
    return std::int32_t(std::uint32_t(Little(Take(4), 4)));
}

void CArchiveReader::ReadFloat(float& value) {
    std::uint32_t bits = std::uint32_t(Little(Take(4), 4));
    std::memcpy(&value, &bits, 4);
}

// Appends `n` bytes to the output and returns where they start.
std::uint8_t* CArchiveWriter::Grow(std::size_t n) {
    std::size_t at = out_.size();
    out_.resize(at + n);
    return out_.data() + at;
}

// The marker, then the shortest length form; then room for the `n` units.
std::uint8_t* CArchiveWriter::WriteLength(std::uint64_t n) {
    if (n <= 254) {
        std::uint8_t* p = Grow(4 + 2 * std::size_t(n));
        p[0] = 0xFF, p[1] = 0xFE, p[2] = 0xFF, p[3] = std::uint8_t(n);
        return p + 4;
    }
    out_.push_back(0xFF);
    PutLittle(out_, 0xFFFE, 2);
    out_.push_back(0xFF);
    if (n <= 0xFFFD) {
        PutLittle(out_, n, 2);
    } else if (n < 0xFFFFFFFF) {
        PutLittle(out_, 0xFFFF, 2);
        PutLittle(out_, n, 4);
    } else {
        PutLittle(out_, 0xFFFF, 2);
        PutLittle(out_, 0xFFFFFFFF, 4);
        PutLittle(out_, n, 8);
    }
    return Grow(2 * std::size_t(n));
}

void CArchiveWriter::WriteString(TextView text) {
    std::uint8_t* p = WriteLength(text.size());
    for (char16_t c : text) *p++ = std::uint8_t(c), *p++ = std::uint8_t(c >> 8);
}

void CArchiveWriter::WriteAsciiString(std::string_view text) {
    std::uint8_t* p = WriteLength(text.size());
    for (char c : text) *p++ = std::uint8_t(c), *p++ = 0;
}

std::uint64_t CArchiveReader::ReadLength(bool& wide) {
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

const std::uint8_t* CArchiveReader::ReadStringBytes(bool& wide, std::size_t& length) {
    // Nearly every string: marked, with a one-byte length, wholly present.
    const std::uint8_t* p = data_ + pos_;
    if (Remaining() >= 4 && p[0] == 0xFF && p[1] == 0xFE && p[2] == 0xFF && p[3] < 0xFF &&
        2 * std::size_t(p[3]) <= Remaining() - 4) {
        wide = true;
        length = p[3];
        pos_ += 4 + 2 * length;
        return p + 4;
    }
    std::size_t start = pos_;
    std::uint64_t n = ReadLength(wide);
    std::uint64_t unit = wide ? 2 : 1;
    if (n > Remaining() / unit)
        throw ArchiveError(start, "string of " + std::to_string(n) +
                                      (wide ? " UTF-16 units" : " bytes") + " longer than the " +
                                      std::to_string(Remaining()) + " bytes left");
    length = std::size_t(n);
    return Take(length * unit);
}

static Text Decode(const std::uint8_t* p, std::size_t n, bool wide) {
    if (!wide) return FromAnsi(std::string_view(reinterpret_cast<const char*>(p), n));
    Text text(n, u'\0');
    for (std::size_t i = 0; i < n; ++i) text[i] = char16_t(p[2 * i] | p[2 * i + 1] << 8);
    return text;
}

Text CArchiveReader::ReadString() {
    bool wide;
    std::size_t n;
    const std::uint8_t* p = ReadStringBytes(wide, n);
    return Decode(p, n, wide);
}

float CArchiveReader::ReadNumber() {
    bool wide;
    std::size_t n;
    const std::uint8_t* p = ReadStringBytes(wide, n);
    // Numbers are short ASCII runs: read them in place, without a string.
    if (wide)
        return ReadDecimal(n,
                           [p](std::size_t k) { return unsigned(p[2 * k] | p[2 * k + 1] << 8); });
    return ReadDecimal(n, [p](std::size_t k) { return unsigned(p[k]); });
}

void StoreInt(CArchiveWriter& ar, std::int32_t value) {
    ar.WriteAsciiString(std::to_string(value));
}

void StoreReal(CArchiveWriter& ar, float value) {
    char buf[64];
    ar.WriteAsciiString(std::string_view(buf, FormatFixed6(value, buf)));
}

std::int32_t LoadInt(CArchiveReader& ar) {
    return TruncToInt32(ar.ReadNumber());
}

float LoadReal(CArchiveReader& ar) {
    return ar.ReadNumber();
}

Text LoadVersion(CArchiveReader& ar, const char* record, TextView version, TextView older) {
    std::size_t at = ar.Offset();
    Text read = ar.ReadString();
    if (read != version && (older.empty() || read != older))
        throw ArchiveError(
            at, std::string("unknown ") + record + " record version \"" + ToUtf8Lossy(read) + "\"");
    return read;
}

}  // namespace qz
