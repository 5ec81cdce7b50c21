// A recorded fault from a model: two sources behind a line, a load flowing
// before the fault, then a fault at a known loop impedance with a decaying
// DC offset in the current.  What a real recorder would have written, for
// the tests' proof and the examples.
#pragma once

#include <complex>
#include <string>

#include "comtrade/record.h"

namespace qz::comtrade {

struct FaultModel {
    std::string loop = "AN";  // AN BN CN AB BC CA, or "" for no fault
    double frequency = 50;
    double rate = 4000;  // samples per second
    double seconds = 0.3;
    double inception = 0.1;                                 // seconds
    double voltage = 110e3 / 1.7320508075688772;            // phase, rms, volts
    std::complex<double> lineZ1{1.2, 12}, lineZ0{3.6, 36};  // whole line, ohms
    double faultAt = 0.6;                                   // share of the line to the fault
    std::complex<double> sourceZ{0.5, 8};
    double loadAngle = 15;   // degrees between the two sources
    bool kiloUnits = false;  // channels in kV and kA
};

// The loop impedance the relay sees for the fault: faultAt x lineZ1.
std::complex<double> FaultImpedance(const FaultModel& model);
// Before the fault, and without one: V / I of the load flow.
std::complex<double> LoadImpedance(const FaultModel& model);
// The residual compensation factor the line asks for, (Z0 - Z1) / 3 Z1.
std::complex<double> LineK0(const FaultModel& model);
// The time constant of the fault current's DC offset, in seconds.
double OffsetTau(const FaultModel& model);

// Six channels VA VB VC (volts or kV, phases A B C) and IA IB IC, plus IN
// (the neutral current, phase N), primary values with ratios 110000/100 and
// 1200/1.
Record MakeFaultRecord(const FaultModel& model);

}  // namespace qz::comtrade
