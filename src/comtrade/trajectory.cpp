#include "comtrade/trajectory.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

#include "base/helpers.h"

namespace qz::comtrade {

namespace {

using Complex = std::complex<double>;

const char* const kLoopNames[] = {"AN", "BN", "CN", "AB", "BC", "CA"};
const char* const kQuantityNames[] = {"VA", "VB", "VC", "IA", "IB", "IC", "IN"};

[[noreturn]] void Fail(const Record& record, const std::string& what) {
    throw RecordError(record.cfgName + ": " + what);
}

std::string Lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A, B, C, or L1, L2, L3, in any case; -1 for another phase.  R S T are
// left out: "R" is as often a resistance as a phase.
int PhaseIndex(const Text& phase) {
    const std::string p = Lower(ToUtf8Lossy(phase));
    static const char* const kNames[][2] = {{"a", "l1"}, {"b", "l2"}, {"c", "l3"}};
    for (int k = 0; k < 3; ++k) {
        if (p == kNames[k][0] || p == kNames[k][1]) return k;
    }
    return -1;
}

// 'V' or 'A' for a channel in volts or amperes, 0 for another unit.
char UnitKind(const AnalogChannel& channel) {
    double factor;
    return SiFactor(channel, factor) ? channel.unit.back() : 0;
}

std::string Describe(const AnalogChannel& channel) {
    return std::to_string(channel.number) + " (" + ToUtf8Lossy(channel.id) + ")";
}

bool AllDigits(const std::string& s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The analog index a given channel names: its number, else its id.
int GivenChannel(const Record& record, Quantity q, const std::string& given) {
    const auto& analogs = record.analogs;
    if (AllDigits(given)) {
        for (std::size_t c = 0; c < analogs.size(); ++c) {
            if (std::to_string(analogs[c].number) == given) return int(c);
        }
    }
    for (std::size_t c = 0; c < analogs.size(); ++c) {
        if (ToUtf8Lossy(analogs[c].id) == given) return int(c);
    }
    Fail(record, std::string(kQuantityNames[q]) + ": no analog channel numbered or named \"" +
                     given + "\"");
}

// The quantities a loop reads; 3I0 only where the compensation needs it.
std::vector<Quantity> Needed(const TrajectoryOptions& o, bool neutralGiven) {
    const int l = int(o.loop);
    if (l >= 3) {
        const int p = l - 3, q = (p + 1) % 3;
        return {Quantity(kVA + p), Quantity(kVA + q), Quantity(kIA + p), Quantity(kIA + q)};
    }
    std::vector<Quantity> need = {Quantity(kVA + l), Quantity(kIA + l)};
    const bool residual = o.separateK ? (o.kRE != 0 || o.kXE != 0) : o.k0 != Complex(0);
    if (residual) {
        if (neutralGiven) {
            need.push_back(kIN);
        } else {
            for (Quantity q : {kIA, kIB, kIC}) {
                if (q != kIA + l) need.push_back(q);
            }
        }
    }
    return need;
}

std::array<int, kQuantityCount> FindChannels(const Record& record, const TrajectoryOptions& o) {
    std::array<int, kQuantityCount> channel;
    channel.fill(-1);
    std::vector<bool> taken(record.analogs.size());
    for (const auto& [q, given] : o.channels) {
        if (q < 0 || q >= kQuantityCount) Fail(record, "no such quantity");
        channel[q] = GivenChannel(record, q, given);
        taken[channel[q]] = true;
    }
    const std::vector<Quantity> need = Needed(o, channel[kIN] >= 0);
    for (Quantity q : need) {
        const char kind = q < kIA ? 'V' : 'A';
        if (channel[q] >= 0) {
            const AnalogChannel& ch = record.analogs[channel[q]];
            if (UnitKind(ch) != kind) {
                Fail(record, std::string(kQuantityNames[q]) + ": channel " + Describe(ch) +
                                 " is in \"" + ch.unit + "\", not in " +
                                 (kind == 'V' ? "volts" : "amperes"));
            }
            continue;
        }
        std::vector<int> found;
        for (std::size_t c = 0; c < record.analogs.size(); ++c) {
            const AnalogChannel& ch = record.analogs[c];
            if (!taken[c] && UnitKind(ch) == kind && PhaseIndex(ch.phase) == q % 3) {
                found.push_back(int(c));
            }
        }
        const std::string what = std::string(kQuantityNames[q]) + " (phase " + "ABC"[q % 3] + ", " +
                                 (kind == 'V' ? "V or kV" : "A or kA") + ")";
        if (found.empty()) Fail(record, "no analog channel for " + what);
        if (found.size() > 1) {
            std::string names;
            for (std::size_t i = 0; i < found.size(); ++i) {
                names += (i ? i + 1 == found.size() ? " and " : ", " : "") +
                         Describe(record.analogs[found[i]]);
            }
            Fail(record, "more than one analog channel for " + what + ": " + names +
                             "; name the one to use");
        }
        channel[q] = found[0];
    }
    // Given channels the loop does not read are not used.
    std::array<int, kQuantityCount> used;
    used.fill(-1);
    for (Quantity q : need) used[q] = channel[q];
    return used;
}

// Volts or amperes per stored value, primary unless secondary is asked for.
double Scale(const Record& record, const AnalogChannel& ch, bool secondary) {
    double factor = 1;
    SiFactor(ch, factor);
    const bool primaryGiven = ch.ps == 'P' || ch.ps == 'p';
    if (secondary && !ch.hasRatio) {
        Fail(record, "secondary values asked for, but the record (revision " +
                         std::to_string(record.revision) + ") gives no ratio factors for channel " +
                         Describe(ch));
    }
    if (ch.hasRatio && secondary == primaryGiven) {
        if (!(ch.primary > 0 && ch.secondary > 0 && std::isfinite(ch.primary / ch.secondary))) {
            Fail(record, "channel " + Describe(ch) + ": the ratio factors are not usable");
        }
        factor *= secondary ? ch.secondary / ch.primary : ch.primary / ch.secondary;
    }
    return factor;
}

bool Whole(double perCycle, double tolerance) {
    return std::abs(perCycle - std::round(perCycle)) <= tolerance * perCycle;
}

// Each sample's time in seconds from the first, and the record's highest
// rate.  `uniform` when one rate holds throughout.
struct Times {
    std::vector<double> t;  // empty when uniform
    double rate = 0;
    bool uniform = true;
    bool whole = false;  // a whole number of samples per cycle at `rate`
};

Times TimesOf(const Record& record) {
    const std::size_t n = record.SampleCount();
    const double f = record.lineFrequency;
    Times times;
    if (!record.rates.empty()) {
        for (const SampleRate& r : record.rates) {
            if (!(r.rate > 0) || !std::isfinite(r.rate))
                Fail(record, "a sample rate is not usable");
            times.rate = std::max(times.rate, r.rate);
            if (r.rate != record.rates[0].rate) times.uniform = false;
        }
        times.whole = times.uniform && Whole(times.rate / f, 1e-9);
        if (!times.uniform) {
            // The interval before a sample is that of its own rate; sample
            // numbers count from 1 as the file counts them.
            times.t.resize(n);
            std::size_t seg = 0;
            for (std::size_t i = 1; i < n; ++i) {
                while (seg + 1 < record.rates.size() &&
                       std::int64_t(i + 1) > record.rates[seg].endSample) {
                    ++seg;
                }
                times.t[i] = times.t[i - 1] + 1 / record.rates[seg].rate;
            }
        }
        return times;
    }
    // The timestamps: uniform but for their rounding to the unit they count.
    std::size_t first = n, last = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (std::isfinite(record.timestamps[i])) first = std::min(first, i), last = i;
    }
    if (first >= last) Fail(record, "no sample rate, and too few timestamps to give the times");
    const double unit = record.timeMultiplier > 0 ? record.timeMultiplier : 1;
    const double t0 = record.timestamps[first], span = record.timestamps[last] - t0;
    const double step = span / double(last - first);
    if (!(step > 0)) Fail(record, "no sample rate, and the timestamps do not advance");
    for (std::size_t i = first; i <= last; ++i) {
        const double ts = record.timestamps[i];
        if (!std::isfinite(ts)) continue;
        const double expected = t0 + step * double(i - first);
        if (std::abs(ts - expected) > unit * 1.000001) {
            Fail(record, "sample " + std::to_string(i + 1) + ": the timestamp " +
                             FormatUtf8("%.10g", ts) +
                             " us is not uniform with the others (about " +
                             FormatUtf8("%.10g", expected) + " us); the times need a sample rate");
        }
    }
    times.rate = 1e6 / step;
    // The timestamps' rounding leaves the rate uncertain by up to two units
    // over the span.
    times.whole = Whole(times.rate / f, 2 * unit / span + 1e-9);
    if (times.whole) times.rate = std::round(times.rate / f) * f;
    return times;
}

// Where each sample of the resampled grid falls among the record's samples.
struct Knot {
    std::size_t i;
    double w;  // weight of sample i + 1
};

void Resample(const std::vector<double>& x, const std::vector<Knot>& knots,
              std::vector<double>& out) {
    out.resize(knots.size());
    for (std::size_t k = 0; k < knots.size(); ++k) {
        const Knot kn = knots[k];
        out[k] = kn.w == 0 ? x[kn.i] : x[kn.i] + kn.w * (x[kn.i + 1] - x[kn.i]);
    }
}

}  // namespace

bool LoopOfName(std::string_view name, Loop& loop) {
    std::string upper(name);
    for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
    for (int i = 0; i < 6; ++i) {
        if (upper == kLoopNames[i]) {
            loop = Loop(i);
            return true;
        }
    }
    return false;
}

const char* LoopName(Loop loop) {
    return kLoopNames[int(loop)];
}

const char* QuantityName(Quantity q) {
    return kQuantityNames[q];
}

Trajectory TrajectoryOf(const Record& record, const TrajectoryOptions& options) {
    const double f = record.lineFrequency;
    if (!(f > 0) || !std::isfinite(f)) Fail(record, "the line frequency is not usable");
    Trajectory out;
    out.channel = FindChannels(record, options);
    double scale[kQuantityCount] = {};
    for (int q = 0; q < kQuantityCount; ++q) {
        if (out.channel[q] >= 0) {
            scale[q] = Scale(record, record.analogs[out.channel[q]], options.secondary);
        }
    }

    const Times times = TimesOf(record);
    std::size_t perCycle;
    if (times.whole) {
        perCycle = std::size_t(std::llround(times.rate / f));
    } else {
        // The one-cycle filter needs a whole number of samples per cycle:
        // at least as many as the highest rate gives.
        perCycle = std::size_t(std::ceil(times.rate / f - 1e-9));
    }
    if (perCycle < 4) Fail(record, "fewer than 4 samples per cycle");
    const double dt = 1 / (double(perCycle) * f);
    out.cycle = 1 / f;
    out.samplesPerCycle = perCycle;
    out.resampled = !times.whole;

    // The channels' samples, on the grid the filter runs on.
    std::vector<double> grid[kQuantityCount];
    const std::vector<double>* x[kQuantityCount] = {};
    std::size_t count = record.SampleCount();
    for (int q = 0; q < kQuantityCount; ++q) {
        if (out.channel[q] >= 0) {
            x[q] = &record.samples[out.channel[q]];
            count = std::min(count, x[q]->size());
        }
    }
    if (out.resampled && count > 1) {
        std::vector<double> t = times.t;
        if (t.empty()) {
            t.resize(count);
            for (std::size_t i = 0; i < count; ++i) t[i] = double(i) / times.rate;
        }
        const std::size_t m = std::size_t(std::floor(t[count - 1] / dt + 1e-9)) + 1;
        std::vector<Knot> knots(m);
        std::size_t i = 0;
        for (std::size_t k = 0; k < m; ++k) {
            const double tk = double(k) * dt;
            while (i + 2 < count && t[i + 1] <= tk) ++i;
            const double w = (tk - t[i]) / (t[i + 1] - t[i]);
            knots[k] = w <= 0 ? Knot{i, 0} : w >= 1 ? Knot{i + 1, 0} : Knot{i, w};
        }
        for (int q = 0; q < kQuantityCount; ++q) {
            if (x[q]) Resample(*x[q], knots, grid[q]), x[q] = &grid[q];
        }
        count = m;
    }

    // The loop's voltage and current, and the residual current 3I0, each one
    // signal; `bad` marks a sample where one of them is missing.
    const int l = int(options.loop);
    const bool ground = l < 3;
    const int p = ground ? l : l - 3, q = (p + 1) % 3;
    // Only the quantities the loop reads have channels (FindChannels).
    const bool residual = ground && (x[kIN] || (x[kIA] && x[kIB] && x[kIC]));
    std::vector<double> v(count), i(count), j(residual ? count : 0);
    std::vector<unsigned char> bad(count);
    {
        const double* va = x[kVA + p]->data();
        const double* ia = x[kIA + p]->data();
        const double sva = scale[kVA + p], sia = scale[kIA + p];
        if (ground) {
            for (std::size_t n = 0; n < count; ++n) v[n] = sva * va[n], i[n] = sia * ia[n];
        } else {
            const double* vb = x[kVA + q]->data();
            const double* ib = x[kIA + q]->data();
            const double svb = scale[kVA + q], sib = scale[kIA + q];
            for (std::size_t n = 0; n < count; ++n) {
                v[n] = sva * va[n] - svb * vb[n], i[n] = sia * ia[n] - sib * ib[n];
            }
        }
        if (residual && x[kIN]) {
            const double* in = x[kIN]->data();
            for (std::size_t n = 0; n < count; ++n) j[n] = scale[kIN] * in[n];
        } else if (residual) {
            const double *a = x[kIA]->data(), *b = x[kIB]->data(), *c = x[kIC]->data();
            const double sa = scale[kIA], sb = scale[kIB], sc = scale[kIC];
            for (std::size_t n = 0; n < count; ++n) j[n] = sa * a[n] + sb * b[n] + sc * c[n];
        }
    }
    Complex gain = 1;
    if (options.mimicSeconds) {
        // y[n] = K ((1 + a) x[n] - a x[n-1]) with K = 1; the phasors are
        // divided by its gain at the fundamental afterwards.
        const double a = *options.mimicSeconds / dt;
        gain = (1 + a) - a * std::polar(1.0, -2 * kPi / double(perCycle));
        for (std::vector<double>* s : {&i, &j}) {
            double prev = s->empty() ? 0 : (*s)[0];
            for (std::size_t n = 1; n < s->size(); ++n) {
                const double cur = (*s)[n];
                (*s)[n] = (1 + a) * cur - a * prev;
                prev = cur;
            }
        }
    }
    // The mimic's first output lacks the sample before it.
    const std::size_t first = options.mimicSeconds ? 1 : 0;
    for (std::size_t n = first; n < count; ++n) {
        const double s = v[n] + i[n] + (residual ? j[n] : 0);
        if (!std::isfinite(s)) {
            bad[n] = 1, v[n] = i[n] = 0;
            if (residual) j[n] = 0;
        }
    }

    std::vector<double> cosT(perCycle), sinT(perCycle);
    for (std::size_t k = 0; k < perCycle; ++k) {
        cosT[k] = std::cos(2 * kPi * double(k) / double(perCycle));
        sinT[k] = -std::sin(2 * kPi * double(k) / double(perCycle));
    }
    // Z = V / (I + k0 3I0) after the mimic: V gain / (I' + k0 J').
    const Complex k0 = options.separateK ? Complex(0) : options.k0;
    const double kre = options.kRE, kxe = options.kXE;
    const bool separate = options.separateK && residual;
    const double gr = gain.real(), gi = gain.imag();

    out.points.reserve(count > perCycle ? count - perCycle + 1 : 0);
    std::vector<double> current;  // |I|² of each point, for the 1 % floor
    current.reserve(out.points.capacity());
    double vr = 0, vi = 0, ir = 0, ii = 0, jr = 0, ji = 0;
    std::size_t missing = 0, k = 0;
    const double* jp = residual ? j.data() : v.data();
    const double jw = residual ? 1 : 0;
    for (std::size_t n = first; n < count; ++n) {
        const double c = cosT[k], s = sinT[k];
        double dv = v[n], di = i[n], dj = jw * jp[n];
        missing += bad[n];
        if (n >= first + perCycle) {
            const std::size_t o = n - perCycle;
            dv -= v[o], di -= i[o], dj -= jw * jp[o];
            missing -= bad[o];
        }
        vr += dv * c, vi += dv * s, ir += di * c, ii += di * s, jr += dj * c, ji += dj * s;
        if (++k == perCycle) k = 0;
        if (n + 1 < first + perCycle) continue;
        if (missing) {
            ++out.gaps;
            continue;
        }
        // The voltage times the mimic's gain against the currents it gave.
        const double Vr = vr * gr - vi * gi, Vi = vr * gi + vi * gr;
        double R, X;
        if (separate) {
            // V = R (I + kRE J) + X j (I + kXE J)
            const double ar = ir + kre * jr, ai = ii + kre * ji;
            const double br = -(ii + kxe * ji), bi = ir + kxe * jr;
            const double det = ar * bi - ai * br;
            R = (Vr * bi - Vi * br) / det;
            X = (ar * Vi - ai * Vr) / det;
        } else {
            const double dr = ir + k0.real() * jr - k0.imag() * ji;
            const double di2 = ii + k0.real() * ji + k0.imag() * jr;
            const double d = dr * dr + di2 * di2;
            R = (Vr * dr + Vi * di2) / d;
            X = (Vi * dr - Vr * di2) / d;
        }
        out.points.push_back({double(n) * dt, R, X});
        current.push_back(ir * ir + ii * ii);
    }
    // Leave out the points where the loop's current is too small to tell.
    const double floor =
        current.empty() ? 0 : 1e-4 * *std::max_element(current.begin(), current.end());
    std::size_t kept = 0;
    for (std::size_t n = 0; n < out.points.size(); ++n) {
        const TrajectoryPoint& pt = out.points[n];
        if (current[n] >= floor && current[n] > 0 && std::isfinite(pt.R) && std::isfinite(pt.X)) {
            out.points[kept++] = pt;
        }
    }
    out.lowCurrent = out.points.size() - kept;
    out.points.resize(kept);
    return out;
}

}  // namespace qz::comtrade
