// The stored form of every record and file: a little-endian byte stream of
// 32-bit integers, IEEE single floats and archive strings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/text.h"

namespace qz {

// A truncated or malformed stream.  The message names the byte offset.
struct ArchiveError : std::runtime_error {
    ArchiveError(std::size_t offset, const std::string& what);
    std::size_t offset;
};

class CArchive {
  public:
    // A storing archive appends to `out`.
    explicit CArchive(std::vector<std::uint8_t>& out) : out_(&out) {}
    // A loading archive reads the bytes, which must outlive it.
    CArchive(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool IsStoring() const { return out_ != nullptr; }
    bool IsLoading() const { return out_ == nullptr; }

    void WriteInt32(std::int32_t value);
    void WriteFloat(float value);
    // A marked UTF-16 string with the shortest length form.
    void WriteString(TextView text);
    // The same for text known to be ASCII (formatted numbers), without widening first.
    void WriteAsciiString(std::string_view text);

    std::int32_t ReadInt32();
    float ReadFloat();
    // Marked UTF-16 strings with every length form, and unmarked 8-bit
    // strings in the ANSI code page.
    Text ReadString();
    // An archive string read as TextToNumber reads its text.
    float ReadNumber();

    std::size_t Offset() const { return pos_; }
    std::size_t Remaining() const { return size_ - pos_; }
    // Raises ArchiveError at the current offset.
    [[noreturn]] void Fail(const std::string& what) const;
    // A count of records each at least `minBytes` long must fit in what is left.
    void CheckCount(std::int32_t count, std::size_t minBytes) const;

  private:
    const std::uint8_t* Take(std::size_t n) {
        if (n > Remaining()) FailShort(n);
        const std::uint8_t* p = data_ + pos_;
        pos_ += n;
        return p;
    }
    [[noreturn]] void FailShort(std::size_t n) const;
    std::uint64_t ReadLength(bool& wide);
    const std::uint8_t* ReadStringBytes(bool& wide, std::size_t& length);
    std::uint8_t* WriteLength(std::uint64_t n);
    std::uint8_t* Grow(std::size_t n);

    std::vector<std::uint8_t>* out_ = nullptr;
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t pos_ = 0;
};

// Records keep their numbers as archive strings: integers "%d", reals "%f".
void StoreInt(CArchive& ar, std::int32_t value);
void StoreReal(CArchive& ar, float value);
// Read back with TextToNumber; integers truncated toward zero.
std::int32_t LoadInt(CArchive& ar);
float LoadReal(CArchive& ar);

// Stores or loads one numeric field, by the archive's direction.
inline void SerializeInt(CArchive& ar, std::int32_t& value) {
    if (ar.IsStoring())
        StoreInt(ar, value);
    else
        value = LoadInt(ar);
}
inline void SerializeReal(CArchive& ar, float& value) {
    if (ar.IsStoring())
        StoreReal(ar, value);
    else
        value = LoadReal(ar);
}
template <class Field>
void SerializeText(CArchive& ar, Field& field) {
    if (ar.IsStoring())
        ar.WriteString(field);
    else
        field = ar.ReadString();
}

}  // namespace qz
