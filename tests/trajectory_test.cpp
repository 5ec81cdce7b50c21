// The impedance trajectory of a loop through fault records from the model:
// each loop settles on the fault's impedance, records in every format agree,
// and the times and channels the record gives are checked before use.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <complex>
#include <string>

#include "comtrade/record.h"
#include "comtrade/synthetic.h"
#include "comtrade/trajectory.h"
#include "comtrade/writer.h"
#include "test_util.h"

namespace {

using namespace qz::comtrade;
using Complex = std::complex<double>;

// The largest relative distance from `z` of the points from `from` seconds
// on; fails when there are none.
double WorstFrom(const Trajectory& tr, double from, Complex z) {
    double worst = 0;
    int n = 0;
    for (const TrajectoryPoint& p : tr.points) {
        if (p.t < from) continue;
        worst = std::max(worst, std::abs(Complex(p.R, p.X) - z) / std::abs(z));
        ++n;
    }
    EXPECT_GT(n, 10) << "no points from " << from << " s";
    return worst;
}

// One cycle plus five time constants after inception: the offset is gone.
double Settled(const FaultModel& m) {
    return m.inception + 1 / m.frequency + 5 * OffsetTau(m) + 1e-9;
}

TrajectoryOptions Compensated(const FaultModel& m, Loop loop) {
    TrajectoryOptions o;
    o.loop = loop;
    if (int(loop) < 3) o.k0 = LineK0(m);
    return o;
}

// Thrown with a message holding every one of `parts`.
template <class F>
void ExpectRefused(F f, std::initializer_list<const char*> parts) {
    try {
        f();
        ADD_FAILURE() << "not refused";
    } catch (const RecordError& e) {
        for (const char* part : parts)
            EXPECT_NE(std::string(e.what()).find(part), std::string::npos)
                << e.what() << " lacks " << part;
    }
}

TEST(Trajectory, EachLoopSettlesOnTheFaultImpedance) {
    for (int l = 0; l < 6; ++l) {
        const Loop loop = Loop(l);
        SCOPED_TRACE(LoopName(loop));
        FaultModel m;
        m.loop = LoopName(loop);
        m.seconds = 0.45;
        m.kiloUnits = l == 2;  // kV and kA on one of them
        const Record r = MakeFaultRecord(m);
        const Complex zf = FaultImpedance(m);

        TrajectoryOptions o = Compensated(m, loop);
        const Trajectory plain = TrajectoryOf(r, o);
        EXPECT_EQ(plain.samplesPerCycle, 80u);
        EXPECT_FALSE(plain.resampled);
        EXPECT_EQ(plain.gaps, 0u);
        EXPECT_LT(WorstFrom(plain, Settled(m), zf), 0.005);
        // Before the fault the loop sees the load, far from the fault.
        EXPECT_GT(std::abs(Complex(plain.points[0].R, plain.points[0].X) - zf), std::abs(zf));
        // While the offset lasts the plain filter is off; the mimic is not.
        EXPECT_GT(WorstFrom(plain, m.inception + 1 / m.frequency + 1e-9, zf), 0.02);
        o.mimicSeconds = OffsetTau(m);
        EXPECT_LT(WorstFrom(TrajectoryOf(r, o), m.inception + 1 / m.frequency + 1e-9, zf), 0.02);

        if (l < 3) {
            // The relay's form: RE/RL and XE/XL applied to R and X apart.
            const Complex ze = (m.lineZ0 - m.lineZ1) / 3.0;
            TrajectoryOptions s;
            s.loop = loop;
            s.separateK = true;
            s.kRE = ze.real() / m.lineZ1.real(), s.kXE = ze.imag() / m.lineZ1.imag();
            EXPECT_LT(WorstFrom(TrajectoryOf(r, s), Settled(m), zf), 0.005);
            // The neutral channel, named, gives the residual current too.
            o = Compensated(m, loop);
            o.channels = {{kIN, "7"}};
            const Trajectory neutral = TrajectoryOf(r, o);
            EXPECT_EQ(neutral.channel[kIN], 6);
            EXPECT_EQ(neutral.channel[kIB], l == 1 ? 4 : -1);
            EXPECT_LT(WorstFrom(neutral, Settled(m), zf), 0.005);
            // Without compensation a ground loop overreaches the line's Z1.
            TrajectoryOptions bare;
            bare.loop = loop;
            EXPECT_GT(WorstFrom(TrajectoryOf(r, bare), Settled(m), zf), 0.05);
        }
    }
}

// The largest relative distance between the points of two trajectories.
double Apart(const Trajectory& a, const Trajectory& b) {
    EXPECT_EQ(a.points.size(), b.points.size());
    double worst = 0;
    for (std::size_t i = 0; i < std::min(a.points.size(), b.points.size()); ++i) {
        const Complex za(a.points[i].R, a.points[i].X), zb(b.points[i].R, b.points[i].X);
        EXPECT_EQ(a.points[i].t, b.points[i].t);
        worst = std::max(worst, std::abs(za - zb) / std::abs(zb));
    }
    return worst;
}

TEST(Trajectory, EveryFormatWrittenAndReadBackAgrees) {
    qztest::TempDir dir;
    for (int l = 0; l < 6; ++l) {
        const Loop loop = Loop(l);
        SCOPED_TRACE(LoopName(loop));
        FaultModel m;
        m.loop = LoopName(loop);
        m.seconds = 0.45;
        const Complex zf = FaultImpedance(m);
        const Record model = MakeFaultRecord(m);
        TrajectoryOptions o = Compensated(m, loop);
        const Trajectory exact = TrajectoryOf(model, o);
        struct Written {
            DataFormat format;
            int revision;
            bool combined;
            double apart;  // from the model's own samples
        };
        // BINARY keeps 16 bits of a channel's peak, and the load current is
        // about a twentieth of the fault's: a few parts in ten thousand;
        // ASCII stores integers up to 99998, 17 bits.
        const Written formats[] = {{DataFormat::kBinary, 2013, false, 2e-3},
                                   {DataFormat::kBinary32, 2013, true, 1e-6},
                                   {DataFormat::kFloat32, 2013, false, 1e-5},
                                   {DataFormat::kAscii, 1999, false, 5e-5},
                                   {DataFormat::kBinary, 1991, false, 2e-3}};
        for (const Written& w : formats) {
            SCOPED_TRACE(int(w.format) * 10000 + w.revision);
            const std::string path =
                WriteRecord(model, (dir.path() / "r").concat(std::to_string(l)).string(),
                            {w.revision, w.format, w.combined});
            const Record read = ReadRecord(path);
            EXPECT_EQ(read.revision, w.revision);
            EXPECT_EQ(read.format, w.format);
            const Trajectory tr = TrajectoryOf(read, o);
            EXPECT_LT(Apart(tr, exact), w.apart);
            EXPECT_LT(WorstFrom(tr, Settled(m), zf), 0.005);
            TrajectoryOptions mimic = o;
            mimic.mimicSeconds = OffsetTau(m);
            EXPECT_LT(
                WorstFrom(TrajectoryOf(read, mimic), m.inception + 1 / m.frequency + 1e-9, zf),
                0.02);
        }
    }
}

// The filter as it is defined: each cycle's sums taken afresh, for the AN
// loop of a model record (primary values, scale 1), with the mimic where a
// is not 0.  A term that is not finite is missing: 0 in the sums, and no
// point from the cycles that hold it.
Trajectory WindowSums(const Record& r, Complex k0, double a) {
    const std::size_t N = 80, first = a ? 1 : 0, count = r.SampleCount();
    const auto& x = r.samples;
    std::vector<std::array<double, 3>> term(count);
    std::vector<bool> missing(count);
    for (std::size_t n = first; n < count; ++n) {
        auto at = [&](std::size_t m) {
            return std::array<double, 3>{x[0][m], x[3][m], x[3][m] + x[4][m] + x[5][m]};
        };
        std::array<double, 3> t = at(n);
        if (a) {
            const std::array<double, 3> before = at(n - 1);
            for (int q : {1, 2}) t[q] = (1 + a) * t[q] - a * before[q];
        }
        missing[n] = !(std::isfinite(t[0]) && std::isfinite(t[1]) && std::isfinite(t[2]));
        term[n] = missing[n] ? std::array<double, 3>{} : t;
    }
    Trajectory tr;
    std::vector<std::pair<double, TrajectoryPoint>> all;  // |I|², or -1 for a gap
    double largest = 0;
    for (std::size_t n = first + N - 1; n < count; ++n) {
        Complex v, i, j;
        bool gap = false;
        for (std::size_t m = n + 1 - N; m <= n; ++m) {
            const Complex e = std::polar(1.0, -2 * M_PI * double(m) / double(N));
            v += term[m][0] * e, i += term[m][1] * e, j += term[m][2] * e;
            gap = gap || missing[m];
        }
        const Complex z = v * ((1 + a) - a * std::polar(1.0, -2 * M_PI / N)) / (i + k0 * j);
        all.push_back(
            {gap ? -1 : std::norm(i), {double(n) * (1 / (double(N) * 50)), z.real(), z.imag()}});
        if (!gap) largest = std::max(largest, std::norm(i));
    }
    for (const auto& [current, p] : all) {
        if (current < 0)
            ++tr.gaps;
        else if (current >= 1e-4 * largest && current > 0)
            tr.points.push_back(p);
        else
            ++tr.lowCurrent;
    }
    return tr;
}

TEST(Trajectory, TheRunningFilterAgreesWithFreshSumsAcrossGapsAndAnOpenPole) {
    FaultModel m;
    m.seconds = 0.4;
    Record r = MakeFaultRecord(m);
    r.samples[3][250] = NAN;  // its cycle crosses from one stretch of the work to the next
    r.samples[0][700] = INFINITY;
    for (std::size_t n = 900; n < 1150; ++n) r.samples[3][n] = 0;  // phase A open
    for (double tau : {0.0, 0.03}) {
        SCOPED_TRACE(tau);
        TrajectoryOptions o = Compensated(m, Loop::kAN);
        if (tau) o.mimicSeconds = tau;
        const Trajectory tr = TrajectoryOf(r, o), ref = WindowSums(r, o.k0, tau * m.rate);
        EXPECT_GE(ref.gaps, 160u);
        EXPECT_GT(ref.lowCurrent, 100u);
        EXPECT_EQ(tr.gaps, ref.gaps);
        EXPECT_EQ(tr.lowCurrent, ref.lowCurrent);
        EXPECT_LT(Apart(tr, ref), 1e-9);
    }
}

TEST(Trajectory, UnfaultedLoopsSeeTheLoadInPrimaryOrSecondary) {
    FaultModel m;
    m.loop = "";
    const Record r = MakeFaultRecord(m);
    const Complex load = LoadImpedance(m);
    for (Loop loop : {Loop::kAN, Loop::kBC}) {
        TrajectoryOptions o = Compensated(m, loop);
        Trajectory tr = TrajectoryOf(r, o);
        EXPECT_EQ(tr.points.size(), r.SampleCount() - 80 + 1);
        EXPECT_EQ(tr.lowCurrent + tr.gaps, 0u);
        EXPECT_NEAR(tr.points.front().t, 79 / 4000.0, 1e-12);
        EXPECT_LT(WorstFrom(tr, 0, load), 0.005);
        // Secondary ohms: times (100 / 110000) / (1 / 1200).
        o.secondary = true;
        EXPECT_LT(WorstFrom(TrajectoryOf(r, o), 0, load * (100.0 / 110000 * 1200)), 0.005);
    }
}

TEST(Trajectory, TimesFromOddRatesTwoRatesAndTimestamps) {
    FaultModel m;
    m.loop = "BN";
    m.seconds = 0.45;
    const Complex zf = FaultImpedance(m);
    const TrajectoryOptions o = Compensated(m, Loop::kBN);
    {
        // 82.5 samples a cycle: resampled to 83.
        FaultModel odd = m;
        odd.rate = 4125;
        const Trajectory tr = TrajectoryOf(MakeFaultRecord(odd), o);
        EXPECT_TRUE(tr.resampled);
        EXPECT_EQ(tr.samplesPerCycle, 83u);
        EXPECT_LT(WorstFrom(tr, Settled(m), zf), 0.005);
    }
    const Record full = MakeFaultRecord(m);
    {
        // 4000/s to 0.2 s, then every other sample: 2000/s.
        Record two = full;
        const std::size_t keep = 801;
        for (auto& s : two.samples) {
            std::vector<double> v(s.begin(), s.begin() + keep);
            for (std::size_t i = keep + 1; i < s.size(); i += 2) v.push_back(s[i]);
            s = v;
        }
        two.timestamps.resize(two.samples[0].size());
        two.rates = {{4000, std::int64_t(keep)}, {2000, std::int64_t(two.timestamps.size())}};
        const Trajectory tr = TrajectoryOf(two, o);
        EXPECT_TRUE(tr.resampled);
        EXPECT_EQ(tr.samplesPerCycle, 80u);
        EXPECT_NEAR(tr.points.back().t, 0.45, 1e-9);
        EXPECT_LT(WorstFrom(tr, Settled(m), zf), 0.005);
    }
    {
        // No rate: the timestamps, whole microseconds, give the same.
        Record stamped = full;
        stamped.rates.clear();
        const Trajectory tr = TrajectoryOf(stamped, o), ref = TrajectoryOf(full, o);
        EXPECT_FALSE(tr.resampled);
        ASSERT_EQ(tr.points.size(), ref.points.size());
        EXPECT_EQ(tr.points.back().t, ref.points.back().t);
        EXPECT_EQ(tr.points.back().R, ref.points.back().R);
        stamped.timestamps[500] += 2;
        ExpectRefused([&] { TrajectoryOf(stamped, o); }, {"model.cfg", "sample 501", "uniform"});
        // At 3000/s the timestamps round to 333 or 334 us: still uniform.
        FaultModel third = m;
        third.rate = 3000;
        Record r3 = MakeFaultRecord(third);
        r3.rates.clear();
        const Trajectory t3 = TrajectoryOf(r3, o);
        EXPECT_FALSE(t3.resampled);
        EXPECT_EQ(t3.samplesPerCycle, 60u);
    }
    {
        // A missing current: no point from the samples whose cycle holds it.
        Record gap = full;
        gap.samples[4][1000] = NAN;
        const Trajectory tr = TrajectoryOf(gap, o), ref = TrajectoryOf(full, o);
        EXPECT_EQ(tr.gaps, 80u);
        EXPECT_EQ(tr.points.size(), ref.points.size() - 80);
        EXPECT_LT(WorstFrom(tr, Settled(m), zf), 0.005);
    }
}

TEST(Trajectory, RefusesWhatTheRecordCannotTell) {
    FaultModel m;
    Record r = MakeFaultRecord(m);
    TrajectoryOptions o = Compensated(m, Loop::kAN);
    // A second phase-A voltage: both named; naming one settles it.
    AnalogChannel extra = r.analogs[0];
    extra.number = 8, extra.id = u"UA\rbus", extra.phase = u"a";
    r.analogs.push_back(extra);
    r.samples.push_back(r.samples[0]);
    // The message stays one line, whatever the ids hold.
    ExpectRefused([&] { TrajectoryOf(r, o); }, {"model.cfg", "VA", "1 (VA)", "8 (UA\\rbus)"});
    o.channels = {{kVA, "UA\rbus"}};
    EXPECT_EQ(TrajectoryOf(r, o).channel[kVA], 7);
    o.channels = {{kVA, "8"}, {kIA, "1"}};
    ExpectRefused([&] { TrajectoryOf(r, o); }, {"IA", "1 (VA)", "not in amperes"});
    o.channels = {{kVA, "9"}};
    ExpectRefused([&] { TrajectoryOf(r, o); }, {"VA", "\"9\""});
    // L1 L2 L3 name phases as well; a phase that is none is not found.
    r = MakeFaultRecord(m);
    r.analogs[4].phase = u"L2";
    o.channels.clear();
    EXPECT_EQ(TrajectoryOf(r, o).channel[kIB], 4);
    r.analogs[4].phase = u"X";
    ExpectRefused([&] { TrajectoryOf(r, o); }, {"no analog channel for IB"});
    // One sample at 100 kHz, then one a second: no grid of 100 kHz for 20 minutes.
    r = MakeFaultRecord(m);
    r.rates = {{100000, 1}, {1, std::int64_t(r.SampleCount())}};
    ExpectRefused([&] { TrajectoryOf(r, o); },
                  {"model.cfg", "rates are too far apart", "16777216"});
    // A cycle of more samples than that is refused; one longer than the record gives no point.
    r.rates = {{1e12, std::int64_t(r.SampleCount())}};
    ExpectRefused([&] { TrajectoryOf(r, o); }, {"a cycle at 1e+12 samples a second", "16777216"});
    r.rates = {{4000, std::int64_t(r.SampleCount())}}, r.lineFrequency = 2;
    EXPECT_TRUE(TrajectoryOf(r, o).points.empty());
    // A 1991 record has no ratios to give secondary values.
    r = MakeFaultRecord(m);
    r.revision = 1991;
    for (AnalogChannel& ch : r.analogs) ch.hasRatio = false;
    o.secondary = true;
    ExpectRefused([&] { TrajectoryOf(r, o); }, {"secondary", "1991", "1 (VA)"});
}

}  // namespace
