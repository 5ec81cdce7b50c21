#include "comtrade/record.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "base/platform.h"
#include "base/quote.h"

namespace qz::comtrade {

namespace {

constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
    throw RecordError(where + ": " + what);
}

std::string At(const std::string& name, long long line) {
    return name + ":" + std::to_string(line);
}

std::string AtByte(const std::string& name, std::size_t byte) {
    return name + ": byte " + std::to_string(byte);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// A field as messages quote it: on one line, not too long.
std::string Quote(std::string_view s) {
    const std::string text = QuoteForMessage(FromUtf8Lossy(s.substr(0, 40)));
    return "\"" + text + (s.size() > 40 ? "…\"" : "\"");
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (std::size_t k = 0; k < prefix.size(); ++k)
        if ((s[k] | 0x20) != (prefix[k] | 0x20)) return false;
    return true;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && StartsWithNoCase(a, b);
}

// A trimmed field as a number; "+" is allowed as recorders write it.
bool ToDouble(std::string_view s, double& value) {
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && end == s.data() + s.size();
}

bool ToInteger(std::string_view s, std::int64_t& value) {
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && end == s.data() + s.size() && !s.empty();
}

// Channel, station and device names: UTF-8, or GB18030 where that fails.
Text ToText(std::string_view s) {
    try {
        return FromUtf8(s);
    } catch (const TextError&) {
        return FromGb18030(s);
    }
}

void Split(std::string_view line, std::vector<std::string_view>& fields) {
    fields.clear();
    for (;;) {
        std::size_t comma = line.find(',');
        fields.push_back(Trim(line.substr(0, comma)));
        if (comma == std::string_view::npos) return;
        line.remove_prefix(comma + 1);
    }
}

std::string_view StripBom(std::string_view s) {
    if (s.substr(0, 3) == "\xEF\xBB\xBF") s.remove_prefix(3);
    return s;
}

// The configuration's lines, numbered as the file numbers them.
class Lines {
  public:
    Lines(std::string_view text, const std::string& name, int before)
        : text_(text), name_(&name), number_(before) {}

    bool AtEnd() const { return pos_ >= text_.size(); }
    // The next line; at the end, an error naming what was expected there.
    std::string_view Need(const std::string& what) {
        if (AtEnd()) Fail(At(*name_, number_ + 1), "the file ends where " + what + " is expected");
        return Take();
    }
    // The next line when one with anything on it follows.
    bool Optional(std::string_view& line) {
        std::size_t pos = pos_;
        int number = number_;
        while (!AtEnd()) {
            line = Take();
            if (!Trim(line).empty()) return true;
        }
        pos_ = pos;
        number_ = number;
        return false;
    }
    [[noreturn]] void Error(const std::string& what) const { Fail(At(*name_, number_), what); }
    int Number() const { return number_; }
    // Lines left, an upper bound on the channels the counts may promise.
    std::size_t Left() const { return text_.size() - pos_; }

  private:
    std::string_view Take() {
        std::size_t end = text_.find('\n', pos_);
        if (end == std::string_view::npos) end = text_.size();
        std::string_view line = text_.substr(pos_, end - pos_);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        pos_ = end < text_.size() ? end + 1 : end;
        ++number_;
        return line;
    }

    std::string_view text_;
    const std::string* name_;
    std::size_t pos_ = 0;
    int number_;
};

double NeedNumber(Lines& lines, std::string_view field, const std::string& what) {
    double value;
    if (!ToDouble(field, value)) lines.Error(what + " " + Quote(field) + " is not a number");
    if (!std::isfinite(value)) lines.Error(what + " " + Quote(field) + " is not finite");
    return value;
}

std::int64_t NeedCount(Lines& lines, std::string_view field, const std::string& what) {
    std::int64_t value;
    if (!ToInteger(field, value) || value < 0)
        lines.Error(what + " " + Quote(field) + " is not a count");
    return value;
}

// "6A" or "2D", the letter in either case.
std::int64_t ChannelCount(Lines& lines, std::string_view field, char kind, const char* what) {
    if (field.empty() || (field.back() | 0x20) != kind)
        lines.Error("the " + std::string(what) + " channel count " + Quote(field) +
                    " does not end in " + char(kind - 0x20));
    return NeedCount(lines, Trim(field.substr(0, field.size() - 1)),
                     "the " + std::string(what) + " channel count");
}

void ParseAnalog(Lines& lines, std::string_view line, std::vector<std::string_view>& f,
                 AnalogChannel& ch, int index) {
    Split(line, f);
    std::string which = "analog channel " + std::to_string(index);
    if (f.size() != 10 && f.size() != 13)
        lines.Error(which + ": " + std::to_string(f.size()) +
                    " fields where 10 or 13 are expected");
    std::int64_t number;
    if (!ToInteger(f[0], number) || number < 1 || number > std::numeric_limits<int>::max())
        lines.Error(which + ": the channel number " + Quote(f[0]) + " is not a number from 1");
    ch.number = int(number);
    ch.id = ToText(f[1]);
    ch.phase = ToText(f[2]);
    ch.circuit = ToText(f[3]);
    ch.unit = std::string(f[4]);
    ch.a = NeedNumber(lines, f[5], which + ": the multiplier");
    ch.b = NeedNumber(lines, f[6], which + ": the offset");
    ch.skew = f[7].empty() ? 0 : NeedNumber(lines, f[7], which + ": the skew");
    // The range limits f[8] and f[9] say what the recorder could store; the
    // samples speak for themselves.
    if (f.size() == 13) {
        ch.hasRatio = true;
        ch.primary = NeedNumber(lines, f[10], which + ": the primary factor");
        ch.secondary = NeedNumber(lines, f[11], which + ": the secondary factor");
        if (f[12].size() != 1 || ((f[12][0] | 0x20) != 'p' && (f[12][0] | 0x20) != 's'))
            lines.Error(which + ": " + Quote(f[12]) + " is neither P nor S");
        ch.ps = char(f[12][0] & ~0x20);
    }
}

// Reads the configuration into `r` (all but the samples) and returns the
// number of samples the data holds.
std::int64_t ParseCfg(std::string_view cfg, const std::string& name, int linesBefore, Record& r) {
    Lines lines(StripBom(cfg), name, linesBefore);
    std::vector<std::string_view> f;

    Split(lines.Need("the station line"), f);
    if (f.size() < 2 || f.size() > 3)
        lines.Error("the station line has " + std::to_string(f.size()) +
                    " fields where 2 or 3 are expected");
    r.station = ToText(f[0]);
    r.device = ToText(f[1]);
    r.revision = 1991;
    if (f.size() == 3 && !f[2].empty()) {
        if (f[2] == "1991" || f[2] == "1999" || f[2] == "2013")
            r.revision = f[2] == "1991" ? 1991 : f[2] == "1999" ? 1999 : 2013;
        else
            lines.Error("the revision year " + Quote(f[2]) + " is none of 1991, 1999, 2013");
    }

    Split(lines.Need("the channel counts"), f);
    if (f.size() != 3)
        lines.Error("the channel counts have " + std::to_string(f.size()) +
                    " fields where 3 are expected");
    std::int64_t total = NeedCount(lines, f[0], "the channel total");
    std::int64_t analogs = ChannelCount(lines, f[1], 'a', "analog");
    std::int64_t digitals = ChannelCount(lines, f[2], 'd', "digital");
    if (total != analogs + digitals)
        lines.Error("the channel total " + std::to_string(total) + " is not " +
                    std::to_string(analogs) + " analog + " + std::to_string(digitals) + " digital");
    // Each channel takes a line: counts the file cannot hold are refused
    // before anything is allocated for them.
    if (std::uint64_t(total) > lines.Left() || total > std::numeric_limits<int>::max())
        lines.Error("the file is too short for " + std::to_string(total) + " channels");
    r.analogs.assign(std::size_t(analogs), AnalogChannel{});
    r.digitalCount = int(digitals);
    for (std::int64_t c = 0; c < analogs; ++c)
        ParseAnalog(lines, lines.Need("analog channel " + std::to_string(c + 1)), f,
                    r.analogs[std::size_t(c)], int(c + 1));
    for (std::int64_t c = 0; c < digitals; ++c) {
        Split(lines.Need("digital channel " + std::to_string(c + 1)), f);
        if (f.size() != 3 && f.size() != 5)
            lines.Error("digital channel " + std::to_string(c + 1) + ": " +
                        std::to_string(f.size()) + " fields where 3 or 5 are expected");
    }

    Split(lines.Need("the line frequency"), f);
    r.lineFrequency = NeedNumber(lines, f[0], "the line frequency");
    if (f.size() != 1 || r.lineFrequency < 0)
        lines.Error("the line frequency " + Quote(f[0]) + " is not a frequency");

    Split(lines.Need("the number of sampling rates"), f);
    std::int64_t nrates = NeedCount(lines, f[0], "the number of sampling rates");
    if (f.size() != 1) lines.Error("the number of sampling rates is followed by more fields");
    if (std::uint64_t(nrates) > lines.Left())
        lines.Error("the file is too short for " + std::to_string(nrates) + " sampling rates");
    r.rates.clear();
    std::int64_t samples = 0;
    bool zero = false;
    for (std::int64_t k = 0; k < std::max<std::int64_t>(nrates, 1); ++k) {
        std::string which = "sampling rate " + std::to_string(k + 1);
        Split(lines.Need(which), f);
        if (f.size() != 2)
            lines.Error(which + ": " + std::to_string(f.size()) + " fields where 2 are expected");
        double rate = NeedNumber(lines, f[0], which + ": the rate");
        if (rate < 0) lines.Error(which + ": the rate " + Quote(f[0]) + " is negative");
        std::int64_t end = NeedCount(lines, f[1], which + ": the last sample");
        if (end <= samples && !(end == 0 && k == 0))
            lines.Error(which + ": the last sample " + std::to_string(end) + " does not follow " +
                        std::to_string(samples));
        if (nrates == 0 && rate != 0)
            lines.Error("no sampling rates, but a rate of " + Quote(f[0]));
        if (rate == 0) {
            if (nrates > 1) lines.Error("a rate of 0 among other rates");
            zero = true;
        }
        samples = end;
        r.rates.push_back({rate, end});
    }
    if (zero) r.rates.clear();

    lines.Need("the start date and time");
    lines.Need("the trigger date and time");

    Split(lines.Need("the file type"), f);
    if (f.size() != 1) lines.Error("the file type line has more than one field");
    if (EqualsNoCase(f[0], "ascii"))
        r.format = DataFormat::kAscii;
    else if (EqualsNoCase(f[0], "binary"))
        r.format = DataFormat::kBinary;
    else if (EqualsNoCase(f[0], "binary32"))
        r.format = DataFormat::kBinary32;
    else if (EqualsNoCase(f[0], "float32"))
        r.format = DataFormat::kFloat32;
    else
        lines.Error("the file type " + Quote(f[0]) +
                    " is none of ASCII, BINARY, BINARY32, FLOAT32");

    // The time multiplier came with 1999; a 1991 file, or a sloppy later
    // one, that ends here means 1.  The 2013 time code and time quality
    // lines say nothing the samples need.
    r.timeMultiplier = 1;
    std::string_view line;
    if (lines.Optional(line)) {
        Split(line, f);
        if (f.size() == 1 || r.revision >= 1999) {
            double m = NeedNumber(lines, f[0], "the time multiplier");
            if (f.size() != 1 || m <= 0)
                lines.Error("the time multiplier " + Quote(f[0]) + " is not above 0");
            r.timeMultiplier = m;
        }
    }
    return samples;
}

std::uint32_t ReadU32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

// A stored value as each binary format holds it, little-endian.
template <DataFormat F>
struct Stored;
template <>
struct Stored<DataFormat::kBinary> {
    static constexpr std::size_t kSize = 2;
    static double Read(const unsigned char* p, bool& missing) {
        auto v = std::int16_t(std::uint16_t(p[0] | p[1] << 8));
        missing = v == std::numeric_limits<std::int16_t>::min();
        return v;
    }
};
template <>
struct Stored<DataFormat::kBinary32> {
    static constexpr std::size_t kSize = 4;
    static double Read(const unsigned char* p, bool& missing) {
        auto v = std::int32_t(ReadU32(p));
        missing = v == std::numeric_limits<std::int32_t>::min();
        return v;
    }
};
template <>
struct Stored<DataFormat::kFloat32> {
    static constexpr std::size_t kSize = 4;
    static double Read(const unsigned char* p, bool& missing) {
        std::uint32_t bits = ReadU32(p);
        float v;
        std::memcpy(&v, &bits, sizeof v);
        missing = std::isnan(v);
        return v;
    }
};

std::string Sample(std::size_t n) {
    return "sample " + std::to_string(n + 1);
}

template <DataFormat F>
void DecodeBinary(std::string_view dat, const std::string& name, std::size_t before,
                  const std::string& whole, Record& r, std::uint64_t total) {
    using S = Stored<F>;
    const std::size_t analogs = r.analogs.size();
    const std::uint64_t recordSize =
        8 + std::uint64_t(analogs) * S::kSize + (std::uint64_t(r.digitalCount) + 15) / 16 * 2;
    // Checked before anything is allocated for the samples.
    if (dat.size() / recordSize < total) {
        std::uint64_t done = dat.size() / recordSize;
        if (dat.size() % recordSize == 0)
            Fail(AtByte(name, before + dat.size()), whole + " ends after sample " +
                                                        std::to_string(done) + " of " +
                                                        std::to_string(total));
        Fail(AtByte(name, before + dat.size()), whole + " ends inside sample " +
                                                    std::to_string(done + 1) + " of " +
                                                    std::to_string(total));
    }
    const auto count = std::size_t(total), size = std::size_t(recordSize);
    if (dat.size() > count * size)
        Fail(AtByte(name, before + count * size), std::to_string(dat.size() - count * size) +
                                                      " bytes after the last sample (" +
                                                      std::to_string(count) + ")");
    const auto* bytes = reinterpret_cast<const unsigned char*>(dat.data());
    r.timestamps.resize(count);
    const double multiplier = r.timeMultiplier;
    // No timestamp, below 2^32, can then leave the double range.
    if (!std::isfinite(multiplier * 4294967295.0))
        Fail(AtByte(name, before), "the time multiplier takes the timestamps out of range");
    r.samples.assign(analogs, std::vector<double>(count));
    struct Channel {
        double a, b;
        double* out;
    };
    std::vector<Channel> channels(analogs);
    // Where no stored integer can scale past the double range, the loop need
    // not look.
    bool safe = F != DataFormat::kFloat32;
    for (std::size_t c = 0; c < analogs; ++c) {
        channels[c] = {r.analogs[c].a, r.analogs[c].b, r.samples[c].data()};
        safe =
            safe && std::isfinite(std::abs(channels[c].a) * 2147483648.0 + std::abs(channels[c].b));
    }
    for (std::size_t n = 0; n < count; ++n) {
        std::uint32_t t = ReadU32(bytes + n * size + 4);
        r.timestamps[n] = t == 0xFFFFFFFFu ? kMissing : t * multiplier;
        const unsigned char* p = bytes + n * size + 8;
        for (std::size_t c = 0; c < analogs; ++c, p += S::kSize) {
            bool missing;
            double v = S::Read(p, missing);
            double value = channels[c].a * v + channels[c].b;
            if (missing)
                value = kMissing;
            else if (!safe && !std::isfinite(value))
                Fail(AtByte(name, before + std::size_t(p - bytes)),
                     Sample(n) + ": analog channel " + std::to_string(c + 1) +
                         (std::isfinite(v) ? ": the scaled value is out of range"
                                           : ": an infinite value"));
            channels[c].out[n] = value;
        }
    }
}

void DecodeAscii(std::string_view dat, const std::string& name, int linesBefore,
                 const std::string& whole, Record& r, std::uint64_t total) {
    // Blank lines and a DOS end-of-file mark after the last sample are no
    // samples.
    while (!dat.empty() &&
           (IsBlank(dat.back()) || dat.back() == '\n' || dat.back() == '\r' || dat.back() == 0x1A))
        dat.remove_suffix(1);
    std::size_t lineCount =
        dat.empty() ? 0 : std::size_t(std::count(dat.begin(), dat.end(), '\n')) + 1;
    if (lineCount < total)
        Fail(At(name, linesBefore + std::int64_t(lineCount) + 1),
             whole + " ends after sample " + std::to_string(lineCount) + " of " +
                 std::to_string(total));
    const auto count = std::size_t(total);
    if (lineCount > count)
        Fail(At(name, linesBefore + std::int64_t(count) + 1),
             "more samples than the " + std::to_string(count) + " the configuration gives");
    const std::size_t analogs = r.analogs.size();
    const std::size_t fields = 2 + analogs + std::size_t(r.digitalCount);
    r.timestamps.resize(count);
    r.samples.assign(analogs, std::vector<double>(count));
    std::size_t pos = 0;
    for (std::size_t n = 0; n < count; ++n) {
        std::size_t end = dat.find('\n', pos);
        if (end == std::string_view::npos) end = dat.size();
        std::string_view line = dat.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        auto where = [&] { return At(name, linesBefore + std::int64_t(n) + 1); };
        // Walks the fields in place: no list per line.
        std::size_t k = 0;
        auto next = [&](std::string_view& field) {
            if (line.data() == nullptr) return false;
            std::size_t comma = line.find(',');
            field = Trim(line.substr(0, comma));
            if (comma == std::string_view::npos)
                line = std::string_view();
            else
                line.remove_prefix(comma + 1);
            ++k;
            return true;
        };
        std::string_view field;
        next(field);  // the sample number: recorders wrap it, so it proves nothing
        if (!next(field)) Fail(where(), Sample(n) + ": no timestamp");
        double t;
        if (field.empty() || field == "4294967295")
            t = kMissing;
        else if (!ToDouble(field, t) || !std::isfinite(t) || t < 0)
            Fail(where(), Sample(n) + ": the timestamp " + Quote(field) + " is not a time");
        r.timestamps[n] = t * r.timeMultiplier;
        if (!std::isnan(t) && !std::isfinite(r.timestamps[n]))
            Fail(where(), Sample(n) + ": the timestamp " + Quote(field) + " is out of range");
        for (std::size_t c = 0; c < analogs; ++c) {
            if (!next(field))
                Fail(where(), Sample(n) + ": " + std::to_string(k) + " fields where " +
                                  std::to_string(fields) + " are expected");
            double v;
            const AnalogChannel& ch = r.analogs[c];
            if (field.empty() || field == "99999") {
                v = kMissing;
            } else {
                if (!ToDouble(field, v) || !std::isfinite(v))
                    Fail(where(), Sample(n) + ": analog channel " + std::to_string(c + 1) + ": " +
                                      Quote(field) + " is not a number");
                v = ch.a * v + ch.b;
                if (!std::isfinite(v))
                    Fail(where(), Sample(n) + ": analog channel " + std::to_string(c + 1) +
                                      ": the scaled value is out of range");
            }
            r.samples[c][n] = v;
        }
        // The digital channels are read past; a trailing comma is forgiven.
        while (next(field)) {
            if (k > fields && !(k == fields + 1 && field.empty() && line.data() == nullptr))
                Fail(where(),
                     Sample(n) + ": more than the " + std::to_string(fields) + " fields expected");
        }
        if (k < fields)
            Fail(where(), Sample(n) + ": " + std::to_string(k) + " fields where " +
                              std::to_string(fields) + " are expected");
    }
}

void DecodeDat(std::string_view dat, const std::string& name, std::size_t bytesBefore,
               int linesBefore, Record& r, std::int64_t count) {
    auto n = std::uint64_t(count);
    const std::string whole = bytesBefore || linesBefore ? "the data section" : "the file";
    switch (r.format) {
        case DataFormat::kAscii:
            return DecodeAscii(dat, name, linesBefore, whole, r, n);
        case DataFormat::kBinary:
            return DecodeBinary<DataFormat::kBinary>(dat, name, bytesBefore, whole, r, n);
        case DataFormat::kBinary32:
            return DecodeBinary<DataFormat::kBinary32>(dat, name, bytesBefore, whole, r, n);
        case DataFormat::kFloat32:
            return DecodeBinary<DataFormat::kFloat32>(dat, name, bytesBefore, whole, r, n);
    }
}

}  // namespace

Record ParseRecord(std::string_view cfg, std::string_view dat, const std::string& cfgName,
                   const std::string& datName) {
    Record r;
    r.cfgName = cfgName;
    r.datName = datName;
    std::int64_t count = ParseCfg(cfg, cfgName, 0, r);
    DecodeDat(dat, datName, 0, 0, r, count);
    return r;
}

namespace {

// "--- file type: DAT BINARY: 4096 ---" and its kin, blanks and case as
// they come.  False for a line that is no section header.
bool SectionHeader(std::string_view line, Lines& lines, std::string& kind, std::int64_t& bytes) {
    line = Trim(line);
    if (line.size() < 6 || line.substr(0, 3) != "---" || line.substr(line.size() - 3) != "---")
        return false;
    std::string_view s = Trim(line.substr(3, line.size() - 6));
    if (!StartsWithNoCase(s, "file")) return false;
    s = Trim(s.substr(4));
    if (!StartsWithNoCase(s, "type")) return false;
    s = Trim(s.substr(4));
    if (s.empty() || s.front() != ':')
        lines.Error("a section header without a colon after \"file type\"");
    s = Trim(s.substr(1));
    bytes = -1;
    if (EqualsNoCase(s, "cfg") || EqualsNoCase(s, "inf") || EqualsNoCase(s, "hdr")) {
        kind = std::string(s);
        for (char& c : kind) c = char(c & ~0x20);
        return true;
    }
    if (StartsWithNoCase(s, "dat")) {
        std::string_view rest = Trim(s.substr(3));
        if (EqualsNoCase(rest, "ascii")) {
            kind = "DAT";
            return true;
        }
        if (StartsWithNoCase(rest, "binary")) {
            rest = Trim(rest.substr(6));
            if (rest.empty() || rest.front() != ':')
                lines.Error("a binary data section without its byte count");
            kind = "DAT";
            bytes = NeedCount(lines, Trim(rest.substr(1)), "the byte count");
            return true;
        }
    }
    lines.Error("the section type " + Quote(s) +
                " is none of CFG, INF, HDR, DAT ASCII, DAT BINARY");
}

struct Section {
    std::size_t begin = 0, end = 0;
    int linesBefore = 0;      // the header's line
    std::int64_t bytes = -1;  // a binary section's byte count
    bool found = false;
};

bool ReadFile(const std::string& path, std::vector<std::uint8_t>& out) {
    try {
        return CurrentVfs().read(FromUtf8(path), out, kWholeFile);
    } catch (const TextError&) {
        return false;  // a path that is no text names no file
    }
}

bool FileExists(const std::string& path) {
    try {
        return CurrentVfs().exists(FromUtf8(path));
    } catch (const TextError&) {
        return false;
    }
}

std::string_view View(const std::vector<std::uint8_t>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace

Record ParseCombined(std::string_view cff, const std::string& name) {
    Record r;
    r.cfgName = r.datName = name;
    Lines walk(StripBom(cff), name, 0);
    Section cfg, dat, other;
    Section* open = nullptr;
    std::string kind;
    std::int64_t afterBinary = -1;
    while (!walk.AtEnd()) {
        std::size_t at = cff.size() - walk.Left();
        std::string_view line = walk.Need("a line");
        std::int64_t bytes;
        if (!SectionHeader(line, walk, kind, bytes)) {
            if (!open && !Trim(line).empty())
                walk.Error(afterBinary < 0 ? "text before the first section"
                                           : "more data than the " + std::to_string(afterBinary) +
                                                 " bytes the binary section's header gives");
            continue;
        }
        if (open) open->end = at;
        open = kind == "CFG" ? &cfg : kind == "DAT" ? &dat : &other;
        if (open != &other && open->found) walk.Error("a second " + kind + " section");
        open->found = true;
        open->linesBefore = walk.Number();
        open->bytes = bytes;
        open->begin = cff.size() - walk.Left();
        if (bytes >= 0) {
            // The binary data follows its header byte for byte.
            std::size_t left = walk.Left();
            if (std::uint64_t(bytes) > left)
                walk.Error("the binary data of " + std::to_string(bytes) +
                           " bytes runs past the end of the file (" + std::to_string(left) +
                           " left)");
            open->end = open->begin + std::size_t(bytes);
            std::string_view after = cff.substr(open->end);
            std::size_t skip = after.substr(0, 2) == "\r\n" ? 2
                               : after.substr(0, 1) == "\n" ? 1
                                                            : 0;
            walk = Lines(after.substr(skip), name, walk.Number());
            open = nullptr;
            afterBinary = bytes;
        }
    }
    if (open) open->end = cff.size();
    if (!cfg.found) Fail(name, "no CFG section");
    if (!dat.found) Fail(name, "no DAT section");
    std::int64_t count =
        ParseCfg(cff.substr(cfg.begin, cfg.end - cfg.begin), name, cfg.linesBefore, r);
    if ((dat.bytes < 0) != (r.format == DataFormat::kAscii))
        Fail(At(name, dat.linesBefore), dat.bytes < 0 ? "an ASCII data section for binary samples"
                                                      : "a binary data section for ASCII samples");
    DecodeDat(cff.substr(dat.begin, dat.end - dat.begin), name, dat.begin, dat.linesBefore, r,
              count);
    return r;
}

Record ReadRecord(const std::string& path) {
    std::size_t dot = path.find_last_of("./\\");
    std::string_view ext =
        dot != std::string::npos && path[dot] == '.' ? std::string_view(path).substr(dot) : "";
    std::vector<std::uint8_t> cfg, dat;
    if (EqualsNoCase(ext, ".cff")) {
        if (!ReadFile(path, cfg)) Fail(path, "cannot be read");
        return ParseCombined(View(cfg), path);
    }
    if (!EqualsNoCase(ext, ".cfg")) Fail(path, "is neither a .cfg nor a .cff file");
    if (!ReadFile(path, cfg)) Fail(path, "cannot be read");
    // The data file's extension in the configuration's case first.
    std::string stem = path.substr(0, dot);
    std::string first = stem + (ext == ".CFG" ? ".DAT" : ".dat");
    std::string second = stem + (ext == ".CFG" ? ".dat" : ".DAT");
    std::string datPath = FileExists(first) || !FileExists(second) ? first : second;
    if (!FileExists(datPath)) Fail(first, "the data file of " + path + " is missing");
    if (!ReadFile(datPath, dat)) Fail(datPath, "cannot be read");
    return ParseRecord(View(cfg), View(dat), path, datPath);
}

// "V" and "A" as they are, "kV" and "kA" in thousands; recorders are
// careless with the letters' case.
bool SiFactor(const AnalogChannel& channel, double& factor) {
    std::string_view u = channel.unit;
    if (u.size() == 2 && (u[0] | 0x20) == 'k') {
        factor = 1000;
        u.remove_prefix(1);
    } else {
        factor = 1;
    }
    return u.size() == 1 && ((u[0] | 0x20) == 'v' || (u[0] | 0x20) == 'a');
}

}  // namespace qz::comtrade
