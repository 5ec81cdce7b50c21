#include "comtrade/writer.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>

namespace qz::comtrade {

namespace {

[[noreturn]] void Fail(const std::string& path, const std::string& what) {
    throw RecordError(path + ": " + what);
}

// A field of the configuration: no comma or line break may reach the file.
std::string Field(const Text& text) {
    std::string s = ToUtf8Lossy(text);
    for (char& c : s) {
        if (c == ',' || c == '\r' || c == '\n') c = ' ';
    }
    return s;
}

std::string Number(double value) {
    return FormatUtf8("%.17g", value);
}

const char* FormatName(DataFormat format) {
    switch (format) {
        case DataFormat::kAscii:
            return "ASCII";
        case DataFormat::kBinary:
            return "BINARY";
        case DataFormat::kBinary32:
            return "BINARY32";
        case DataFormat::kFloat32:
            return "FLOAT32";
    }
    return "";
}

// How one channel's values are stored: value = a x stored + b.
struct Coding {
    double a = 1, b = 0;
    double low = 0, high = 0;  // stored, for the min and max fields
};

// The largest stored magnitude of an integer format; the most negative
// value of the binary ones is their missing-value code, and 99999 that of
// ASCII in the older revisions.
double IntegerLimit(DataFormat format) {
    switch (format) {
        case DataFormat::kAscii:
            return 99998;
        case DataFormat::kBinary:
            return 32767;
        case DataFormat::kBinary32:
            return 2147483647;
        case DataFormat::kFloat32:
            return 0;
    }
    return 0;
}

Coding CodingOf(const std::vector<double>& values, DataFormat format) {
    double lo = INFINITY, hi = -INFINITY;
    for (double v : values) {
        if (std::isfinite(v)) lo = std::min(lo, v), hi = std::max(hi, v);
    }
    Coding c;
    if (lo > hi) return c;
    const double limit = IntegerLimit(format);
    if (limit == 0) {
        c.low = lo, c.high = hi;
        return c;
    }
    // Centred, so that the stored values span the integers both ways.
    c.b = lo / 2 + hi / 2;
    c.a = (hi / 2 - lo / 2) / limit;
    if (!(c.a > 0)) c.a = (c.b != 0 ? std::abs(c.b) : 1) / limit;
    c.low = std::round((lo - c.b) / c.a), c.high = std::round((hi - c.b) / c.a);
    return c;
}

template <class T>
void Put(std::string& out, T value) {
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    out.append(bytes, sizeof(T));
}

void PutInteger(std::string& out, long long value) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, r.ptr);
}

std::string Configuration(const Record& record, const WriteOptions& o,
                          const std::vector<Coding>& codings) {
    const int rev = o.revision;
    const bool integer = o.format != DataFormat::kFloat32;
    std::string cfg = Field(record.station) + "," + Field(record.device);
    if (rev != 1991) (cfg += ',') += std::to_string(rev);
    cfg += "\r\n";
    const std::size_t na = record.analogs.size();
    const int nd = record.digitalCount;
    cfg += std::to_string(na + std::size_t(nd)) + "," + std::to_string(na) + "A," +
           std::to_string(nd) + "D\r\n";
    for (std::size_t c = 0; c < na; ++c) {
        const AnalogChannel& ch = record.analogs[c];
        const Coding& k = codings[c];
        cfg += std::to_string(c + 1) + "," + Field(ch.id) + "," + Field(ch.phase) + "," +
               Field(ch.circuit) + "," + ch.unit + "," + Number(k.a) + "," + Number(k.b) + "," +
               Number(ch.skew) + ",";
        cfg += integer ? FormatUtf8("%.0f,%.0f", k.low, k.high)
                       : FormatUtf8("%.9g,%.9g", k.low, k.high);
        if (rev != 1991) {
            const bool ratio = ch.hasRatio;
            ((cfg += ',') += Number(ratio ? ch.primary : 1)) += ',';
            ((cfg += Number(ratio ? ch.secondary : 1)) += ',') +=
                ratio && (ch.ps == 'S' || ch.ps == 's') ? 'S' : 'P';
        }
        cfg += "\r\n";
    }
    for (int d = 0; d < nd; ++d) {
        const std::string n = std::to_string(d + 1);
        cfg += rev == 1991 ? n + ",D" + n + ",0\r\n" : n + ",D" + n + ",,,0\r\n";
    }
    cfg += Number(record.lineFrequency) + "\r\n";
    cfg += std::to_string(record.rates.size()) + "\r\n";
    for (const SampleRate& r : record.rates) {
        cfg += Number(r.rate) + "," + std::to_string(r.endSample) + "\r\n";
    }
    // The record keeps no start time; a fixed one serves both lines.
    cfg += "01/01/2026,00:00:00.000000\r\n01/01/2026,00:00:00.000000\r\n";
    cfg += std::string(FormatName(o.format)) + "\r\n";
    if (rev != 1991) cfg += Number(record.timeMultiplier) + "\r\n";
    if (rev == 2013) cfg += "0,0\r\n0,0\r\n";
    return cfg;
}

std::string Data(const Record& record, const WriteOptions& o, const std::vector<Coding>& codings) {
    const std::size_t n = record.SampleCount(), na = record.analogs.size();
    const int nd = record.digitalCount;
    const double unit = record.timeMultiplier > 0 ? record.timeMultiplier : 1;
    std::string dat;
    if (o.format == DataFormat::kAscii) {
        // 99999 marks a missing value in the older revisions; 2013 leaves the
        // field empty.
        const char* missing = o.revision == 2013 ? "" : "99999";
        dat.reserve(n * (16 + 8 * na + 2 * std::size_t(nd)));
        for (std::size_t s = 0; s < n; ++s) {
            PutInteger(dat, (long long)(s + 1));
            dat += ',';
            const double ts = record.timestamps[s];
            if (std::isfinite(ts)) PutInteger(dat, std::llround(ts / unit));
            for (std::size_t c = 0; c < na; ++c) {
                dat += ',';
                const double v = record.samples[c][s];
                if (std::isfinite(v)) {
                    PutInteger(dat, std::llround((v - codings[c].b) / codings[c].a));
                } else {
                    dat += missing;
                }
            }
            for (int d = 0; d < nd; ++d) dat += ",0";
            dat += "\r\n";
        }
        return dat;
    }
    const std::size_t width = o.format == DataFormat::kBinary ? 2 : 4;
    const std::size_t words = (std::size_t(nd) + 15) / 16;
    dat.reserve(n * (8 + width * na + 2 * words));
    for (std::size_t s = 0; s < n; ++s) {
        Put(dat, std::uint32_t(s + 1));
        const double ts = record.timestamps[s];
        Put(dat, std::isfinite(ts) ? std::uint32_t(std::llround(ts / unit)) : 0xFFFFFFFFu);
        for (std::size_t c = 0; c < na; ++c) {
            const double v = record.samples[c][s];
            const bool ok = std::isfinite(v);
            switch (o.format) {
                case DataFormat::kBinary:
                    Put(dat, ok ? std::int16_t(std::lround((v - codings[c].b) / codings[c].a))
                                : std::int16_t(-32768));
                    break;
                case DataFormat::kBinary32:
                    Put(dat, ok ? std::int32_t(std::llround((v - codings[c].b) / codings[c].a))
                                : std::int32_t(INT32_MIN));
                    break;
                default:
                    // All ones: a NaN to a reader that takes it as a float too.
                    if (ok) {
                        Put(dat, float(v));
                    } else {
                        Put(dat, std::uint32_t(0xFFFFFFFFu));
                    }
                    break;
            }
        }
        for (std::size_t w = 0; w < words; ++w) Put(dat, std::uint16_t(0));
    }
    return dat;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), std::streamsize(bytes.size()));
    f.close();
    if (!f) Fail(path, "cannot be written");
}

}  // namespace

std::string WriteRecord(const Record& record, const std::string& pathWithoutExtension,
                        const WriteOptions& options) {
    const std::string& base = pathWithoutExtension;
    const int rev = options.revision;
    if (rev != 1991 && rev != 1999 && rev != 2013) {
        Fail(base, "no COMTRADE revision " + std::to_string(rev));
    }
    if (rev != 2013 && (options.format == DataFormat::kBinary32 ||
                        options.format == DataFormat::kFloat32 || options.combined)) {
        Fail(base, std::string(options.combined ? "a combined file" : FormatName(options.format)) +
                       " needs revision 2013");
    }
    if (record.rates.empty()) Fail(base, "the record has no sample rate");
    if (record.samples.size() != record.analogs.size()) {
        Fail(base, "the record's samples do not match its channels");
    }
    std::vector<Coding> codings;
    for (const auto& values : record.samples) {
        if (values.size() != record.SampleCount()) {
            Fail(base, "a channel's samples do not match the timestamps");
        }
        codings.push_back(CodingOf(values, options.format));
    }
    const std::string cfg = Configuration(record, options, codings);
    const std::string dat = Data(record, options, codings);
    if (options.combined) {
        std::string cff = "--- file type: CFG ---\r\n" + cfg;
        cff += "--- file type: INF ---\r\n--- file type: HDR ---\r\n";
        cff += options.format == DataFormat::kAscii
                   ? std::string("--- file type: DAT ASCII ---\r\n")
                   : "--- file type: DAT BINARY: " + std::to_string(dat.size()) + " ---\r\n";
        cff += dat;
        WriteFile(base + ".cff", cff);
        return base + ".cff";
    }
    WriteFile(base + ".cfg", cfg);
    WriteFile(base + ".dat", dat);
    return base + ".cfg";
}

}  // namespace qz::comtrade
