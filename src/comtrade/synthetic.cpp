#include "comtrade/synthetic.h"

#include <cmath>
#include <stdexcept>

#include "base/helpers.h"

namespace qz::comtrade {

namespace {

using Complex = std::complex<double>;

const Complex kA = std::polar(1.0, 2 * kPi / 3);  // the 120° operator

// Phase k (0 = A) of sequence components (zero, positive, negative).
Complex Phase(int k, Complex x0, Complex x1, Complex x2) {
    return x0 + x1 * std::pow(kA, -k) + x2 * std::pow(kA, k);
}

// Both sources stand behind `sourceZ`, in every sequence.
struct Network {
    double m, omega;
    Complex zs, z1, z0;
    Complex loadI, relayV, faultV;  // positive sequence, before the fault
};

Network Solve(const FaultModel& model) {
    Network n;
    n.m = model.faultAt;
    n.omega = 2 * kPi * model.frequency;
    n.zs = model.sourceZ, n.z1 = model.lineZ1, n.z0 = model.lineZ0;
    const Complex es = std::polar(model.voltage, model.loadAngle * kPi / 180);
    const Complex er = model.voltage;
    n.loadI = (es - er) / (2.0 * n.zs + n.z1);
    n.relayV = es - n.zs * n.loadI;
    n.faultV = n.relayV - n.m * n.z1 * n.loadI;
    return n;
}

// The reference phase of the fault in the sequence networks' frame and
// whether it is to ground; false for no fault.
bool FaultKind(const std::string& loop, int& ref, bool& ground) {
    static const char* const kNames[] = {"AN", "BN", "CN", "BC", "CA", "AB"};
    if (loop.empty()) return false;
    for (int i = 0; i < 6; ++i) {
        if (loop == kNames[i]) {
            ref = i % 3, ground = i < 3;
            return true;
        }
    }
    throw std::invalid_argument("fault model: no loop \"" + loop + "\"");
}

struct FaultState {
    Complex relayI[3], faultV[3];  // per phase
};

FaultState SolveFault(const Network& n, int ref, bool ground) {
    const double m = n.m;
    // Thevenin impedance at the fault and the share of its current that the
    // relay's end carries, per sequence.
    auto thevenin = [&](Complex zl) {
        return (n.zs + m * zl) * (n.zs + (1 - m) * zl) / (2.0 * n.zs + zl);
    };
    auto share = [&](Complex zl) { return (n.zs + (1 - m) * zl) / (2.0 * n.zs + zl); };
    const Complex z1 = thevenin(n.z1), z0 = thevenin(n.z0);
    // In the frame whose reference is the fault's own phase.
    const Complex v = n.faultV * std::pow(kA, -ref);
    Complex f1, f2, f0;
    if (ground) {
        f1 = f2 = f0 = v / (2.0 * z1 + z0);
    } else {
        f1 = v / (2.0 * z1), f2 = -f1, f0 = 0;
    }
    f1 *= std::pow(kA, ref), f2 *= std::pow(kA, -ref);
    const Complex d1 = share(n.z1), d0 = share(n.z0);
    FaultState s;
    for (int k = 0; k < 3; ++k) {
        s.relayI[k] = Phase(k, d0 * f0, n.loadI + d1 * f1, d1 * f2);
        s.faultV[k] = Phase(k, -z0 * f0, n.faultV - z1 * f1, -z1 * f2);
    }
    return s;
}

double Wave(Complex x, double omega, double t) {
    return std::sqrt(2.0) * std::real(x * std::polar(1.0, omega * t));
}
double WaveSlope(Complex x, double omega, double t) {
    return std::sqrt(2.0) * std::real(Complex(0, omega) * x * std::polar(1.0, omega * t));
}

}  // namespace

std::complex<double> FaultImpedance(const FaultModel& model) {
    return model.faultAt * model.lineZ1;
}

std::complex<double> LoadImpedance(const FaultModel& model) {
    Network n = Solve(model);
    return n.relayV / n.loadI;
}

std::complex<double> LineK0(const FaultModel& model) {
    return (model.lineZ0 - model.lineZ1) / (3.0 * model.lineZ1);
}

double OffsetTau(const FaultModel& model) {
    const Complex z = model.sourceZ + model.faultAt * model.lineZ1;
    return z.imag() / (2 * kPi * model.frequency * z.real());
}

Record MakeFaultRecord(const FaultModel& model) {
    const Network net = Solve(model);
    int ref = 0;
    bool ground = false;
    const bool faulted = FaultKind(model.loop, ref, ground);
    FaultState fault{};
    if (faulted) fault = SolveFault(net, ref, ground);
    Complex loadI[3], loadV[3];
    for (int k = 0; k < 3; ++k) {
        loadI[k] = Phase(k, 0, net.loadI, 0);
        loadV[k] = Phase(k, 0, net.faultV, 0);
    }

    Record r;
    r.cfgName = "model.cfg", r.datName = "model.dat";
    r.revision = 2013;
    r.station = u"model", r.device = u"quarnz";
    r.lineFrequency = model.frequency;
    r.format = DataFormat::kBinary;
    const auto count = std::int64_t(std::llround(model.seconds * model.rate)) + 1;
    r.rates = {{model.rate, count}};
    const double scale = model.kiloUnits ? 1e-3 : 1;
    static const char* const kIds[] = {"VA", "VB", "VC", "IA", "IB", "IC", "IN"};
    for (int c = 0; c < 7; ++c) {
        AnalogChannel ch;
        ch.number = c + 1;
        ch.id = FromAscii(kIds[c]);
        ch.phase = FromAscii(std::string(1, kIds[c][1]));
        ch.unit = std::string(model.kiloUnits ? "k" : "") + (c < 3 ? "V" : "A");
        ch.hasRatio = true;
        ch.primary = c < 3 ? 110000 : 1200;
        ch.secondary = c < 3 ? 100 : 1;
        r.analogs.push_back(ch);
    }
    r.samples.assign(7, std::vector<double>(std::size_t(count)));
    r.timestamps.resize(std::size_t(count));

    const double w = net.omega, m = net.m, tau = OffsetTau(model), t0 = model.inception;
    const double r1 = model.lineZ1.real(), l1 = model.lineZ1.imag() / w;
    const double r0 = model.lineZ0.real(), l0 = model.lineZ0.imag() / w;
    // The current cannot step at inception: the fault's steady state plus
    // what it lacks of the load current then, decaying with the loop's L/R.
    double offset[3] = {};
    if (faulted) {
        for (int k = 0; k < 3; ++k)
            offset[k] = Wave(loadI[k], w, t0) - Wave(fault.relayI[k], w, t0);
    }
    for (std::int64_t n = 0; n < count; ++n) {
        const double t = double(n) / model.rate;
        const bool on = faulted && t >= t0;
        const Complex* I = on ? fault.relayI : loadI;
        const Complex* VF = on ? fault.faultV : loadV;
        const double decay = on ? std::exp(-(t - t0) / tau) : 0;
        double i[3], di[3], vf[3];
        for (int k = 0; k < 3; ++k) {
            i[k] = Wave(I[k], w, t) + offset[k] * decay;
            di[k] = WaveSlope(I[k], w, t) - offset[k] * decay / tau;
            vf[k] = Wave(VF[k], w, t);
        }
        const double i0 = (i[0] + i[1] + i[2]) / 3, di0 = (di[0] + di[1] + di[2]) / 3;
        for (int k = 0; k < 3; ++k) {
            // The fault point's voltage plus the drop along the line to it,
            // per sequence, from the currents as they flow.
            const double drop = m * (r1 * (i[k] - i0) + l1 * (di[k] - di0) + r0 * i0 + l0 * di0);
            r.samples[k][n] = (vf[k] + drop) * scale;
            r.samples[3 + k][n] = i[k] * scale;
        }
        r.samples[6][n] = 3 * i0 * scale;
        r.timestamps[n] = std::round(t * 1e6);
    }
    return r;
}

}  // namespace qz::comtrade
