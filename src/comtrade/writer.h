// Writing a record as COMTRADE, for the tests and the examples: a record
// whose samples come from a model rather than a recorder.
#pragma once

#include <string>

#include "comtrade/record.h"

namespace qz::comtrade {

struct WriteOptions {
    int revision = 2013;  // 1991, 1999 or 2013
    DataFormat format = DataFormat::kBinary;
    bool combined = false;  // one .cff (2013 only)
};

// Chooses each channel's multiplier and offset to fit its samples into the
// format's integers (a FLOAT32 file stores the values as they are), writes
// NAME.cfg and NAME.dat, or NAME.cff, and returns the path written first.
// `record.rates` must be given; missing samples (NaN) are written as the
// format's missing-value code: 99999 in ASCII (an empty field in 2013),
// 0x8000 and 0x80000000 in BINARY and BINARY32, all ones in FLOAT32.
// BINARY32, FLOAT32 and a combined file need revision 2013.  The record
// keeps no start time: the file says 01/01/2026 00:00.  Throws RecordError.
std::string WriteRecord(const Record& record, const std::string& pathWithoutExtension,
                        const WriteOptions& options);

}  // namespace qz::comtrade
