// The ODBC row reader on a driver made of bytes.  The first byte's low bit
// chooses a driver that keeps to ODBC's rules (texts ended with a NUL and
// cut to the buffer with 01004, SQL_NO_TOTAL only on a cut, blocks in
// chunks ending with SQL_NO_DATA, NULL as SQL_NULL_DATA, some calls failing)
// or one that answers anything: any return code and indicator, any bytes up
// to the buffer's size, no NUL.  Either way the columns are read in order,
// each as its C type, failures are CDBException and texts at most 255 units.
// From a driver that keeps the rules the row is the row it holds: texts up
// to a NUL and cut at 255 units, NULL as 0 or empty, the block whole; and it
// fails exactly when the driver said so.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "fuzz_check.h"
#include "templates/odbc/odbc_row.h"

namespace {

struct Input : qzfuzz::Bytes {
    std::uint64_t U64() { return std::uint64_t(U32()) << 32 | U32(); }
    std::optional<qz::Text> Text() {
        std::size_t length = U8();
        if (length == 0) return std::nullopt;  // NULL
        if (length >= 0xF0) length = 240 + (length - 0xF0) * 20;
        qz::Text t;
        for (std::size_t i = 1; i < length && n; ++i) {
            std::uint8_t b = U8();
            t += b < 0x80 ? char16_t(b) : char16_t(0x4E00 + b);  // a NUL too
        }
        return t;
    }
};

// What the driver holds for one row; a NULL is nullopt.
struct Row {
    std::optional<std::int32_t> id, mode;
    std::optional<float> values[3];
    std::optional<qz::Text> texts[5];  // columns 2 to 5 and 11
    std::optional<std::vector<std::uint8_t>> block;
};

std::optional<qz::Text>& TextOf(Row& row, SQLUSMALLINT column) {
    return row.texts[column == 11 ? 4 : column - 2];
}

SQLSMALLINT TypeOf(SQLUSMALLINT column) {
    switch (column) {
        case 1:
        case 6:
            return SQL_C_SLONG;
        case 7:
        case 8:
        case 9:
            return SQL_C_FLOAT;
        case 10:
            return SQL_C_BINARY;
        default:
            return SQL_C_WCHAR;
    }
}

class Driver final : public qz::OdbcColumns {
  public:
    Driver(Row& row, Input& in, bool lawful) : row_(row), in_(in), lawful_(lawful) {}

    SQLRETURN GetData(SQLUSMALLINT column, SQLSMALLINT type, SQLPOINTER buffer, SQLLEN size,
                      SQLLEN* indicator) override {
        // In order, each column once but the block, which is read in chunks.
        Check(column >= 1 && column <= 11 && column >= last_);
        Check(column != last_ || column == 10);
        Check(type == TypeOf(column) && buffer && indicator && size > 0);
        if (type == SQL_C_SLONG || type == SQL_C_FLOAT) Check(size == 4);
        last_ = column;
        ++calls;
        if (!in_.n) {
            // The input is spent: a driver that ran out of data.
            state_ = u"HY000";
            failed = true;
            return SQL_ERROR;
        }
        return lawful_ ? Lawful(column, type, buffer, size, indicator)
                       : Lawless(buffer, size, indicator);
    }

    qz::Text Diagnostic(qz::Text* state) override {
        if (state) *state = state_;
        return u"driver says " + state_;
    }

    int calls = 0;
    bool failed = false;  // the driver reported an error

  private:
    SQLRETURN Lawful(SQLUSMALLINT column, SQLSMALLINT type, SQLPOINTER buffer, SQLLEN size,
                     SQLLEN* indicator) {
        const std::uint8_t how = in_.U8();
        if ((how & 0x1F) == 0x1F) {
            state_ = u"HY000";
            failed = true;
            return SQL_ERROR;
        }
        if ((how & 0x1F) == 0x1E) {
            state_ = u"01S01";
            failed = true;
            return SQL_SUCCESS_WITH_INFO;
        }
        const bool noTotal = how & 0x20;
        state_.clear();
        if (type == SQL_C_WCHAR) {
            const auto& text = TextOf(row_, column);
            if (!text) return Null(indicator);
            const std::size_t room = std::size_t(size) / 2 - 1;
            const std::size_t n = std::min(text->size(), room);
            auto* out = static_cast<char16_t*>(buffer);
            std::copy_n(text->data(), n, out);
            out[n] = u'\0';
            return Cut(n < text->size(), noTotal, SQLLEN(text->size() * 2), indicator);
        }
        if (type == SQL_C_BINARY) {
            if (!row_.block) return Null(indicator);
            const std::size_t rest = row_.block->size() - offset_;
            if (rest == 0 && blockCalls_++ > 0) return SQL_NO_DATA;
            const std::size_t n = std::min(rest, std::size_t(size));
            if (n) std::memcpy(buffer, row_.block->data() + offset_, n);
            offset_ += n;
            return Cut(n < rest, noTotal, Length(rest), indicator);
        }
        std::optional<std::int32_t> whole = column == 1 ? row_.id : row_.mode;
        if (type == SQL_C_FLOAT) {
            const auto& v = row_.values[column - 7];
            if (!v) return Null(indicator);
            std::memcpy(buffer, &*v, 4);
        } else {
            if (!whole) return Null(indicator);
            std::memcpy(buffer, &*whole, 4);
        }
        *indicator = 4;
        return SQL_SUCCESS;
    }

    static SQLLEN Length(std::size_t n) { return SQLLEN(n); }

    SQLRETURN Cut(bool cut, bool noTotal, SQLLEN length, SQLLEN* indicator) {
        *indicator = cut && noTotal ? SQL_NO_TOTAL : length;
        if (!cut) return SQL_SUCCESS;
        state_ = u"01004";
        return SQL_SUCCESS_WITH_INFO;
    }

    static SQLRETURN Null(SQLLEN* indicator) {
        *indicator = SQL_NULL_DATA;
        return SQL_SUCCESS;
    }

    SQLRETURN Lawless(SQLPOINTER buffer, SQLLEN size, SQLLEN* indicator) {
        static const SQLRETURN kCodes[] = {SQL_SUCCESS,        SQL_SUCCESS_WITH_INFO, SQL_NO_DATA,
                                           SQL_ERROR,          SQL_INVALID_HANDLE,    SQL_NEED_DATA,
                                           SQL_STILL_EXECUTING};
        const std::uint8_t code = in_.U8();
        const SQLRETURN rc = code < 7 * 32 ? kCodes[code % 7] : SQLRETURN(in_.U32());
        static const SQLLEN kIndicators[] = {SQL_NULL_DATA, SQL_NO_TOTAL, 0,    1,   4,
                                             510,           512,          4096, 4097};
        const std::uint8_t pick = in_.U8();
        *indicator = pick < 9 * 16 ? kIndicators[pick % 9] : SQLLEN(in_.U64());
        // Any bytes, as many as the buffer holds at most.
        const std::size_t n = std::min<std::size_t>(in_.U32() % 8192, std::size_t(size));
        std::memset(buffer, in_.U8() | 1, n);
        static const char16_t* kStates[] = {u"01004", u"01S01", u"HY000", u"08S01", u""};
        state_ = kStates[in_.U8() % 5];
        // Anything but success is a failure, but a block's end; so is a
        // length below 0 that means nothing.
        if ((rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) ||
            (*indicator < 0 && *indicator != SQL_NULL_DATA && *indicator != SQL_NO_TOTAL) ||
            (rc == SQL_SUCCESS_WITH_INFO && state_ == u"01S01"))
            failed = true;
        return rc;
    }

    Row& row_;
    Input& in_;
    bool lawful_;
    qz::Text state_;
    SQLUSMALLINT last_ = 0;
    std::size_t offset_ = 0;
    int blockCalls_ = 0;
};

qz::Text Expected(const std::optional<qz::Text>& text) {
    if (!text) return {};
    qz::Text t = text->substr(0, std::min(text->find(u'\0'), qz::kTemplateTextLength));
    return t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const bool lawful = !(data[0] & 1);
    Input in{{data + 1, size - 1}};
    Row row;
    auto maybe = [&](auto value) { return in.U8() & 1 ? std::optional(value) : std::nullopt; };
    row.id = maybe(std::int32_t(in.U32()));
    for (int i = 0; i < 4; ++i) row.texts[i] = in.Text();
    row.mode = maybe(std::int32_t(in.U32()));
    for (auto& v : row.values) {
        std::uint32_t bits = in.U32();
        float f;
        std::memcpy(&f, &bits, 4);
        v = maybe(f);
    }
    if (std::uint8_t length = in.U8()) {
        // Up to about 12 KiB, across the reader's 4 KiB chunks.
        std::vector<std::uint8_t> block(std::size_t(length - 1) * (1 + in.U8() % 48));
        std::uint8_t seed = in.U8();
        for (auto& b : block) b = seed = std::uint8_t(seed * 33 + 7);
        row.block = std::move(block);
    }
    row.texts[4] = in.Text();

    Driver driver(row, in, lawful);
    qz::CRecordset_Distance read;
    try {
        read = qz::ReadOdbcRow(driver);
    } catch (const qz::CDBException&) {
        Check(driver.failed);
        return 0;
    }
    for (const qz::Text* t : {&read.strManufacturer, &read.strProtSort, &read.strProtModel,
                              &read.strZoneName, &read.strMemo})
        Check(t->size() <= qz::kTemplateTextLength);
    // At most one chunk per call of the driver.
    Check(read.ProtSettings.size() <= std::size_t(driver.calls) * 4096);
    if (!lawful) return 0;

    Check(!driver.failed);
    Check(read.nID == row.id.value_or(0));
    Check(read.setting.Zzd_Mode == row.mode.value_or(0));
    const float* values[] = {&read.setting.Zzd_1, &read.setting.Zzd_2, &read.setting.Zzd_3};
    for (int i = 0; i < 3; ++i) {
        const float want = row.values[i].value_or(0.0f);
        Check(std::memcmp(values[i], &want, 4) == 0);  // a NaN as it came
    }
    Check(read.strManufacturer == Expected(row.texts[0]));
    Check(read.strProtSort == Expected(row.texts[1]));
    Check(read.strProtModel == Expected(row.texts[2]));
    Check(read.strZoneName == Expected(row.texts[3]));
    Check(read.strMemo == Expected(row.texts[4]));
    Check(read.ProtSettings == row.block.value_or(std::vector<std::uint8_t>{}));
    return 0;
}
