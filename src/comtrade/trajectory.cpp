#include "comtrade/trajectory.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <utility>

#include "base/helpers.h"
#include "base/quote.h"

namespace qz::comtrade {

namespace {

using Complex = std::complex<double>;

// The most samples a cycle, or a record resampled, may take.
constexpr double kMostSamples = 1 << 24;

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
    return std::to_string(channel.number) + " (" + QuoteForMessage(channel.id) + ")";
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
                                 " is in \"" + QuoteForMessage(std::string_view(ch.unit)) +
                                 "\", not in " + (kind == 'V' ? "volts" : "amperes"));
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

// The loop's voltage, current and residual current at sample n, each a
// sum of NV, NI and NJ scaled channels: the terms a loop does not have are
// not read at all, which is most of the filter's time.
template <std::size_t NV, std::size_t NI, std::size_t NJ>
struct Signals {
    const double* x[NV + NI + NJ];
    double s[NV + NI + NJ];
    void At(std::size_t n, double& v, double& i, double& j) const {
        v = Sum<0>(n, std::make_index_sequence<NV>{});
        i = Sum<NV>(n, std::make_index_sequence<NI>{});
        j = Sum<NV + NI>(n, std::make_index_sequence<NJ>{});
    }
    // Unrolled, so that the channels' pointers stay in registers.
    template <std::size_t From, std::size_t... T>
    double Sum([[maybe_unused]] std::size_t n, std::index_sequence<T...>) const {
        return (0.0 + ... + (s[From + T] * x[From + T][n]));
    }
};

// The same through the mimic on the currents, from sample 1 on.
template <class In>
struct Mimic {
    In in;
    double a;
    void At(std::size_t n, double& v, double& i, double& j) const {
        double v1, i1, j1;
        in.At(n, v, i, j);
        in.At(n - 1, v1, i1, j1);
        i = (1 + a) * i - a * i1;
        j = (1 + a) * j - a * j1;
    }
};

// The one-cycle Fourier filter, a running sum that takes each sample's term
// in and the term of the sample a cycle before out, and the loop's
// impedance from its phasors (left unscaled, as Z is their ratio).  It runs
// over blocks small enough to keep their terms in the cache for the cycle
// after, and to run again from the sums at their start.
struct Slide {
    std::size_t perCycle = 0, first = 0;
    // Each sample's e^-jθ, for the currents and for the voltage, which
    // carries the mimic's gain at the fundamental so that V/I is as if the
    // currents had not been through it: cos and sin for each.
    std::vector<std::array<double, 4>> turn;
    Complex k0;
    bool separate = false;
    double kRE = 0, kXE = 0;

    struct State {
        std::array<double, 6> sums{};  // V, I and 3I0, each real then imaginary
        // A missing value enters the sums as 0; the points up to a cycle
        // after it have no value.
        std::size_t gapEnd = 0;
    };

    struct Work {
        std::size_t size;                // samples in a block
        std::vector<double> v, i, j;     // terms: the cycle before the block, then the block
        std::vector<unsigned char> gap;  // a missing value in the sample's cycle
        std::vector<TrajectoryPoint> points;
        std::vector<double> current;  // |I|² of each point
        Work(std::size_t perCycle, std::size_t size)
            : size(size),
              v(perCycle + size),
              i(v.size()),
              j(v.size()),
              gap(size),
              points(size),
              current(size) {}
    };

    // The terms of samples [n0, n0 + m), 0 before `first` and for a
    // missing value (one not finite), which is marked in `missing` when
    // that is given.
    template <class In>
    void Fill(const In& in, std::size_t n0, std::size_t m, double* v, double* i, double* j,
              unsigned char* missing) const {
        for (std::size_t t = 0; t < m; ++t) {
            const bool before = n0 + t < first;
            if (!before) in.At(n0 + t, v[t], i[t], j[t]);
            const bool gone =
                !before && !(std::isfinite(v[t]) && std::isfinite(i[t]) && std::isfinite(j[t]));
            if (before || gone) v[t] = i[t] = j[t] = 0;
            if (missing) missing[t] = gone;
        }
    }

    struct Written {
        std::size_t from = 0;  // the block's first sample that ends a full cycle
        double smallest = std::numeric_limits<double>::infinity(), largest = 0;  // |I|²
        bool clean = true;  // no gap, every point finite
    };

    // Samples [n0, n0 + m), with the terms of the cycle before them in
    // place: a point and its |I|² for each sample from the first that ends
    // a full cycle, and which of them are in a gap.
    template <class In>
    Written Block(const In& in, std::size_t n0, std::size_t m, double dt, Work& w,
                  State& st) const {
        const std::size_t N = perCycle;
        unsigned char* gap = w.gap.data();
        double *v = w.v.data(), *i = w.i.data(), *j = w.j.data();
        const double k0r = k0.real(), k0i = k0.imag();
        Written out;
        out.from = n0 + 1 < first + N ? std::min(m, first + N - 1 - n0) : 0;
        // `fresh`: the terms taken from the channels as the loop goes, and
        // kept for the cycle after; else as Fill left them.  Without a gap
        // the loop needs no look at each sample's mark.
        auto run = [&](auto fresh, auto gaps) {
            double vr = st.sums[0], vi = st.sums[1], ir = st.sums[2], ii = st.sums[3];
            double jr = st.sums[4], ji = st.sums[5];
            std::size_t k = (n0 - first) % N;
            double smallest = std::numeric_limits<double>::infinity(), largest = 0, sum = 0;
            for (std::size_t t = 0; t < m; ++t) {
                if constexpr (fresh) in.At(n0 + t, v[N + t], i[N + t], j[N + t]);
                const double dv = v[N + t] - v[t], dI = i[N + t] - i[t], dj = j[N + t] - j[t];
                const auto [c, s, cv, sv] = turn[k];
                vr += dv * cv, vi += dv * sv;
                ir += dI * c, ii += dI * s;
                jr += dj * c, ji += dj * s;
                if (++k == N) k = 0;
                if (t < out.from) continue;
                double R, X;
                if (separate) {
                    // V = R (I + kRE 3I0) + X j (I + kXE 3I0), two real equations.
                    const double ar = ir + kRE * jr, ai = ii + kRE * ji;
                    const double br = -(ii + kXE * ji), bi = ir + kXE * jr;
                    const double det = 1 / (ar * bi - ai * br);
                    R = (vr * bi - vi * br) * det;
                    X = (ar * vi - ai * vr) * det;
                } else {
                    const double dr = ir + k0r * jr - k0i * ji, di = ii + k0r * ji + k0i * jr;
                    const double d = 1 / (dr * dr + di * di);
                    R = (vr * dr + vi * di) * d;
                    X = (vi * dr - vr * di) * d;
                }
                const double current = ir * ir + ii * ii;
                w.points[t - out.from] = {double(n0 + t) * dt, R, X};
                w.current[t - out.from] = current;
                smallest = std::min(smallest, current);
                if (!gaps || !gap[t]) largest = std::max(largest, current);
                sum += R + X;  // not finite where a point is not (or where it overflows)
            }
            st.sums = {vr, vi, ir, ii, jr, ji};
            out.smallest = smallest, out.largest = largest;
            out.clean = !gaps && std::isfinite(sum);
            // A missing value makes the sums not finite from there on.
            return std::isfinite(vr + vi + ir + ii + jr + ji);
        };
        if (n0 >= st.gapEnd) {
            const State start = st;
            std::fill(gap, gap + m, 0);
            if (run(std::true_type{}, std::false_type{})) return out;
            st = start;
        }
        // A missing value here, or a gap from one before.
        Fill(in, n0, m, &v[N], &i[N], &j[N], gap);
        for (std::size_t t = 0; t < m; ++t) {
            if (gap[t]) st.gapEnd = n0 + t + N;
            gap[t] = n0 + t < st.gapEnd;
        }
        run(std::false_type{}, std::true_type{});
        return out;
    }

    // The points of samples [first, count), at least a cycle of them, at dt
    // apart, those with too
    // small a current to tell (below 1 % of the largest) or in a gap left
    // out and counted.  The floor is known only at the end, so the points
    // are written as they come, with each block's smallest current; the
    // few blocks with points to leave out are run again.
    template <class In>
    void Run(const In& in, std::size_t count, double dt, Trajectory& out) const {
        const std::size_t N = perCycle;
        std::vector<TrajectoryPoint>& points = out.points;
        Work w(N, std::max<std::size_t>(256, N));
        const std::size_t B = w.size;
        struct Done {
            State start;
            double smallest;   // |I|², or -1 where a point is in a gap or not finite
            std::size_t size;  // points
        };
        std::vector<Done> blocks;
        blocks.reserve((count - first) / B + 1);
        points.reserve(count - first - N + 1);
        double largest = 0;
        State st;
        for (std::size_t n0 = first; n0 < count; n0 += B) {
            const std::size_t m = std::min(B, count - n0);
            const State start = st;
            const Written written = Block(in, n0, m, dt, w, st);
            const std::size_t size = m - written.from;
            blocks.push_back({start, written.clean ? written.smallest : -1, size});
            largest = std::max(largest, written.largest);
            points.insert(points.end(), w.points.begin(), w.points.begin() + std::ptrdiff_t(size));
            // The block's last cycle is the next one's cycle before.
            for (double* a : {w.v.data(), w.i.data(), w.j.data()}) std::copy(a + m, a + m + N, a);
        }

        const double floor = 1e-4 * largest;
        std::size_t kept = 0, at = 0;
        for (std::size_t b = 0; b < blocks.size(); ++b) {
            const std::size_t n0 = first + b * B, m = std::min(B, count - n0),
                              size = blocks[b].size;
            if (blocks[b].smallest >= floor && blocks[b].smallest > 0) {
                if (kept != at) std::copy(&points[at], &points[at] + size, &points[kept]);
                kept += size, at += size;
                continue;
            }
            // Again from the block's start, with the cycle before it.
            State again = blocks[b].start;
            const std::size_t before = n0 >= N ? n0 - N : 0, pad = N - (n0 - before);
            for (double* a : {w.v.data(), w.i.data(), w.j.data()}) std::fill(a, a + pad, 0.0);
            Fill(in, before, n0 - before, &w.v[pad], &w.i[pad], &w.j[pad], nullptr);
            const std::size_t from = Block(in, n0, m, dt, w, again).from;
            for (std::size_t t = from; t < m; ++t) {
                const TrajectoryPoint& p = w.points[t - from];
                const double current = w.current[t - from];
                if (w.gap[t]) {
                    ++out.gaps;
                } else if (current >= floor && current > 0 && std::isfinite(p.R) &&
                           std::isfinite(p.X)) {
                    points[kept++] = p;
                } else {
                    ++out.lowCurrent;
                }
            }
            at += size;
        }
        points.resize(kept);
    }
};

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
    // The one-cycle filter needs a whole number of samples per cycle: where
    // the rate does not give one, at least as many as the highest rate gives.
    const double cycle =
        times.whole ? std::round(times.rate / f) : std::ceil(times.rate / f - 1e-9);
    if (!(cycle >= 4)) Fail(record, "fewer than 4 samples per cycle");
    if (!(cycle <= kMostSamples)) {
        Fail(record, "a cycle at " + FormatUtf8("%.10g", times.rate) +
                         " samples a second is more than " + FormatUtf8("%.0f", kMostSamples) +
                         " samples");
    }
    const std::size_t perCycle = std::size_t(cycle);
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
        // A brief high rate in a long record would ask for a grid of that
        // rate throughout: refused before it takes the memory.
        const double size = std::floor(t[count - 1] / dt + 1e-9) + 1;
        if (!(size <= kMostSamples)) {
            Fail(record, "the rates are too far apart: at the highest, " +
                             FormatUtf8("%.10g", times.rate) + " a second, the record would take " +
                             FormatUtf8("%.0f", size) + " samples (at most " +
                             FormatUtf8("%.0f", kMostSamples) + ")");
        }
        const std::size_t m = std::size_t(size);
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

    // The loop's voltage, current and residual current 3I0 as sums of
    // scaled channels.
    const int l = int(options.loop);
    const bool ground = l < 3;
    const int p = ground ? l : l - 3, q = (p + 1) % 3;
    const bool neutral = x[kIN];
    // Only the quantities the loop reads have channels (FindChannels).
    const bool residual = ground && (neutral || (x[kIA] && x[kIB] && x[kIC]));
    std::vector<std::pair<int, double>> terms;  // quantity and sign
    if (ground) {
        terms = {{kVA + p, 1}, {kIA + p, 1}};
        if (neutral) {
            terms.push_back({kIN, 1});
        } else if (residual) {
            terms.insert(terms.end(), {{kIA, 1}, {kIB, 1}, {kIC, 1}});
        }
    } else {
        terms = {{kVA + p, 1}, {kVA + q, -1}, {kIA + p, 1}, {kIA + q, -1}};
    }
    auto fill = [&](auto sig) {
        for (std::size_t t = 0; t < terms.size(); ++t) {
            sig.x[t] = x[terms[t].first]->data();
            sig.s[t] = terms[t].second * scale[terms[t].first];
        }
        return sig;
    };
    auto dispatch = [&](auto run) {
        if (!ground)
            run(fill(Signals<2, 2, 0>{}));
        else if (neutral)
            run(fill(Signals<1, 1, 1>{}));
        else if (residual)
            run(fill(Signals<1, 1, 3>{}));
        else
            run(fill(Signals<1, 1, 0>{}));
    };
    Slide slide;
    slide.perCycle = perCycle;
    slide.first = options.mimicSeconds ? 1 : 0;  // the mimic needs the sample before
    // A record shorter than a cycle has no point.
    if (count < slide.first + perCycle) return out;
    slide.k0 = options.separateK ? Complex(0) : options.k0;
    slide.separate = options.separateK && residual;
    slide.kRE = options.kRE, slide.kXE = options.kXE;
    // y[n] = K ((1 + a) x[n] - a x[n-1]) with K = 1; the current phasors
    // are divided by its gain at the fundamental, or V multiplied.
    const double a = options.mimicSeconds ? *options.mimicSeconds / dt : 0;
    const Complex gain = (1 + a) - a * std::polar(1.0, -2 * kPi / double(perCycle));
    slide.turn.resize(perCycle);
    for (std::size_t k = 0; k < perCycle; ++k) {
        const Complex e = std::polar(1.0, -2 * kPi * double(k) / double(perCycle));
        const Complex v = e * gain;
        slide.turn[k] = {e.real(), e.imag(), v.real(), v.imag()};
    }
    if (options.mimicSeconds) {
        dispatch([&](auto sig) { slide.Run(Mimic<decltype(sig)>{sig, a}, count, dt, out); });
    } else {
        dispatch([&](auto sig) { slide.Run(sig, count, dt, out); });
    }
    return out;
}

}  // namespace qz::comtrade
