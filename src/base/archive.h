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

// Writing: appends the stored form to a byte vector.
class CArchiveWriter {
  public:
    explicit CArchiveWriter(std::vector<std::uint8_t>& out) : out_(out) {}

    void WriteInt32(std::int32_t value);
    // Floats go by reference and memory alone: a copy through the x87 unit of
    // 32-bit x86 would quiet a signalling NaN and change its bits.
    void WriteFloat(const float& value);
    // A marked UTF-16 string with the shortest length form.
    void WriteString(TextView text);
    // The same for text known to be ASCII (formatted numbers), without widening first.
    void WriteAsciiString(std::string_view text);

  private:
    std::uint8_t* WriteLength(std::uint64_t n);
    std::uint8_t* Grow(std::size_t n);

    std::vector<std::uint8_t>& out_;
};

// Reading: takes the stored form from bytes that must outlive the reader.
class CArchiveReader {
  public:
    CArchiveReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::int32_t ReadInt32();
    void ReadFloat(float& value);
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

    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t pos_ = 0;
};

// Records keep their numbers as archive strings: integers "%d", reals "%f".
void StoreInt(CArchiveWriter& ar, std::int32_t value);
void StoreReal(CArchiveWriter& ar, float value);
// Read back with TextToNumber; integers truncated toward zero.
std::int32_t LoadInt(CArchiveReader& ar);
float LoadReal(CArchiveReader& ar);

// Reads a record's version string, which must be `version` or, when given,
// `older`.  Any other raises ArchiveError naming the `record` kind: the bytes
// after an unknown version cannot be told apart.
Text LoadVersion(CArchiveReader& ar, const char* record, TextView version, TextView older = {});

}  // namespace qz
