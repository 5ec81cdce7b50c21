#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <functional>
#include <string>

#include "comtrade/record.h"
#include "test_util.h"

using namespace qz;
using namespace qz::comtrade;

namespace {

// Little-endian integers, laid out by hand as the format lays them out.
std::string Le(std::uint32_t v, int bytes) {
    std::string out;
    for (int k = 0; k < bytes; ++k) out += char(v >> (8 * k) & 0xFF);
    return out;
}

std::string ErrorOf(const std::function<void()>& read) {
    try {
        read();
    } catch (const RecordError& e) {
        return e.what();
    }
    return "no error";
}

std::string Replaced(std::string s, const std::string& from, const std::string& to) {
    std::size_t at = s.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return s.replace(at, from.size(), to);
}

}  // namespace

// A 1991 record as an old recorder writes it: no revision year, CRLF, blanks
// around fields, "ascii" in lower case, two rates, both missing-value codes,
// its data file's extension in upper case.
TEST(Comtrade, Reads1991AsciiWithItsQuirks) {
    std::string cfg = std::string(QZ_SOURCE_DIR) + "/tests/data/comtrade/fault91.cfg";
    Record r = ReadRecord(cfg);
    EXPECT_EQ(r.revision, 1991);
#ifndef _WIN32
    // In the other case than the configuration's (Windows finds either).
    EXPECT_EQ(r.datName.substr(r.datName.size() - 11), "fault91.DAT");
#endif
    EXPECT_EQ(r.station, u"Substation 7");
    EXPECT_EQ(r.device, u"REL 1");
    EXPECT_EQ(r.lineFrequency, 50);
    EXPECT_EQ(r.format, DataFormat::kAscii);
    ASSERT_EQ(r.analogs.size(), 2u);
    EXPECT_EQ(r.digitalCount, 1);
    EXPECT_EQ(r.analogs[0].id, u"IA");
    EXPECT_EQ(r.analogs[0].circuit, u"Line 1");
    EXPECT_EQ(r.analogs[1].unit, "kV");
    EXPECT_EQ(r.analogs[1].number, 2);
    EXPECT_FALSE(r.analogs[0].hasRatio);
    ASSERT_EQ(r.rates.size(), 2u);
    EXPECT_EQ(r.rates[0].rate, 1000);
    EXPECT_EQ(r.rates[0].endSample, 2);
    EXPECT_EQ(r.rates[1].rate, 500);
    EXPECT_EQ(r.rates[1].endSample, 4);
    ASSERT_EQ(r.SampleCount(), 4u);
    EXPECT_EQ(r.timestamps[3], 4000);
    EXPECT_DOUBLE_EQ(r.samples[0][0], 1.5);
    EXPECT_TRUE(std::isnan(r.samples[0][1]));  // 99999
    EXPECT_TRUE(std::isnan(r.samples[0][2]));  // an empty field
    EXPECT_DOUBLE_EQ(r.samples[0][3], 0.55);
    EXPECT_DOUBLE_EQ(r.samples[1][1], -1);
    EXPECT_TRUE(std::isnan(r.samples[1][3]));
    double factor = 0;
    EXPECT_TRUE(SiFactor(r.analogs[1], factor));
    EXPECT_EQ(factor, 1000);
    AnalogChannel odd;
    odd.unit = "KA";
    EXPECT_TRUE(SiFactor(odd, factor));
    EXPECT_EQ(factor, 1000);
    odd.unit = "mA";
    EXPECT_FALSE(SiFactor(odd, factor));
    odd.unit = "A";
    EXPECT_TRUE(SiFactor(odd, factor));
    EXPECT_EQ(factor, 1);
}

// 2013 in binary form: a byte-order mark, a GB18030 channel id, one rate of
// 0 (the timestamps give the times), the missing codes of samples and
// timestamps, the time multiplier; then the same kind as one combined file.
TEST(Comtrade, ReadsBinaryAndCombinedRecords) {
    std::string cfg =
        "\xEF\xBB\xBF"
        "Plant, Relay 9 ,2013\n"
        "4, 2A ,2d\n"
        "1,\xB5\xE7\xC1\xF7\x81\x30\x81\x30,B,Feeder,A,0.5,-1,0,-32767,32767,1200,1,P\n"
        "2,VB,B,Feeder,V,2,0,0,-32767,32767,110000,100,s\n"
        "1,Trip,,,0\n"
        "2,Close,,,0\n"
        "60\n1\n0,3\n"
        "24/11/2026,10:15:00.000000\n24/11/2026,10:15:00.000000\n"
        "binary\n10\n+8h,+8h\nB,0\n";
    std::string dat = Le(1, 4) + Le(0, 4) + Le(100, 2) + Le(0xFFFB, 2) + Le(3, 2) +              //
                      Le(2, 4) + Le(0xFFFFFFFF, 4) + Le(0x8000, 2) + Le(0x7FFF, 2) + Le(0, 2) +  //
                      Le(3, 4) + Le(25, 4) + Le(0x8001, 2) + Le(0x8000, 2) + Le(0, 2);
    Record r = ParseRecord(cfg, dat, "f.cfg", "f.dat");
    EXPECT_EQ(r.revision, 2013);
    EXPECT_EQ(r.device, u"Relay 9");
    EXPECT_EQ(r.format, DataFormat::kBinary);
    EXPECT_EQ(r.timeMultiplier, 10);
    EXPECT_TRUE(r.rates.empty());
    ASSERT_EQ(r.analogs.size(), 2u);
    EXPECT_EQ(r.analogs[0].id, u"电流\u0080");
    EXPECT_TRUE(r.analogs[1].hasRatio);
    EXPECT_EQ(r.analogs[1].primary, 110000);
    EXPECT_EQ(r.analogs[1].ps, 'S');
    ASSERT_EQ(r.SampleCount(), 3u);
    EXPECT_EQ(r.timestamps[0], 0);
    EXPECT_TRUE(std::isnan(r.timestamps[1]));
    EXPECT_EQ(r.timestamps[2], 250);
    EXPECT_EQ(r.samples[0][0], 49);
    EXPECT_TRUE(std::isnan(r.samples[0][1]));
    EXPECT_EQ(r.samples[0][2], -16384.5);
    EXPECT_EQ(r.samples[1][0], -10);
    EXPECT_EQ(r.samples[1][1], 65534);
    EXPECT_TRUE(std::isnan(r.samples[1][2]));

    // The data's bytes hold a line end and dashes, and sections follow it.
    std::string data =
        Le(1, 4) + Le(0, 4) + Le(0x2D2D2D0A, 4) + Le(2, 4) + Le(250, 4) + Le(0x80000000, 4);
    std::string cff =
        "--- file type: HDR ---\r\nfree text\r\n---\r\n"
        "---file type:CFG---\r\n"
        "Plant,Relay 9,2013\r\n1,1A,0D\r\n"
        "1,IN,N,Feeder,kA,0.000001,0,0,-2147483647,2147483647,1200,1,P\r\n"
        "50\r\n1\r\n4000,2\r\nd,t\r\nd,t\r\nBINARY32\r\n1\r\nZ,Z\r\nA,3\r\n"
        "--- File Type : dat Binary : 24 ---\r\n" +
        data + "\r\n--- file type: INF ---\r\n[Public Record]\r\n";
    Record c = ParseCombined(cff, "f.cff");
    EXPECT_EQ(c.format, DataFormat::kBinary32);
    ASSERT_EQ(c.rates.size(), 1u);
    ASSERT_EQ(c.SampleCount(), 2u);
    EXPECT_DOUBLE_EQ(c.samples[0][0], 757.93537);
    EXPECT_TRUE(std::isnan(c.samples[0][1]));
    EXPECT_EQ(c.timestamps[1], 250);
    // A byte left over from a header that promises one fewer belongs to no
    // section.
    EXPECT_EQ(ErrorOf([&] { ParseCombined(Replaced(cff, ": 24 ---", ": 23 ---"), "f.cff"); }),
              "f.cff:18: more data than the 23 bytes the binary section's header gives");
    EXPECT_EQ(ErrorOf([&] {
                  ParseCombined(
                      Replaced(cff, ": 24 ---\r\n" + data, ": 12 ---\r\n" + data.substr(0, 12)),
                      "f.cff");
              }),
              "f.cff: byte " + std::to_string(cff.find(data) + 12) +
                  ": the data section ends after sample 1 of 2");
    EXPECT_EQ(ErrorOf([&] { ParseCombined(cff.substr(0, cff.find(data)), "f.cff"); }),
              "f.cff:17: the binary data of 24 bytes runs past the end of the file (0 left)");
}

TEST(Comtrade, BadRecordsNameTheFileThePlaceAndTheFault) {
    const std::string cfg =
        "S,D,1999\n2,1A,1D\n1,IA,A,,A,1,0,0,-32767,32767,1,1,P\n1,Trip,,,0\n50\n1\n1000,3\nd,t\nd,"
        "t\nBINARY\n1\n";
    const std::string dat = std::string(36, '\0');
    auto bad = [](const std::string& c, const std::string& d) {
        return ErrorOf([&] { ParseRecord(c, d, "f.cfg", "f.dat"); });
    };
    EXPECT_EQ(bad(cfg, dat), "no error");
    EXPECT_EQ(bad(Replaced(cfg, ",A,1,0,", ",A,x,0,"), dat),
              "f.cfg:3: analog channel 1: the multiplier \"x\" is not a number");
    EXPECT_EQ(bad(Replaced(cfg, "2,1A", "3,1A"), dat),
              "f.cfg:2: the channel total 3 is not 1 analog + 1 digital");
    EXPECT_EQ(bad(Replaced(cfg, "2,1A", "3,2A"), dat),
              "f.cfg:4: analog channel 2: 5 fields where 10 or 13 are expected");
    EXPECT_EQ(bad(Replaced(cfg, "1\n1000,3\n", "2\n1000,1\n0,3\n"), dat),
              "f.cfg:8: a rate of 0 among other rates");
    EXPECT_EQ(bad(Replaced(cfg, "50\n", "inf\n"), dat),
              "f.cfg:5: the line frequency \"inf\" is not finite");
    EXPECT_EQ(bad(Replaced(cfg, "BINARY", "BINARY64"), dat),
              "f.cfg:10: the file type \"BINARY64\" is none of ASCII, BINARY, BINARY32, FLOAT32");
    EXPECT_EQ(bad(cfg.substr(0, cfg.find("1\n1000")), dat),
              "f.cfg:6: the file ends where the number of sampling rates is expected");
    EXPECT_EQ(bad(cfg, dat.substr(0, 30)), "f.dat: byte 30: the file ends inside sample 3 of 3");
    EXPECT_EQ(bad(cfg, dat + std::string(4, '\0')),
              "f.dat: byte 36: 4 bytes after the last sample (3)");
    // Counts the file cannot hold are refused before anything is allocated.
    EXPECT_EQ(bad(Replaced(cfg, "1000,3", "1000,4000000000"), dat),
              "f.dat: byte 36: the file ends after sample 3 of 4000000000");
    EXPECT_EQ(bad(Replaced(cfg, "2,1A,1D", "2000000,1A,1999999D"), dat),
              "f.cfg:2: the file is too short for 2000000 channels");
    std::string floats = Replaced(cfg, "BINARY", "FLOAT32");
    EXPECT_EQ(bad(floats, dat.substr(0, 8) + Le(0x7F800000, 4) + std::string(30, '\0')),
              "f.dat: byte 8: sample 1: analog channel 1: an infinite value");
    std::string ascii = Replaced(cfg, "BINARY", "ASCII");
    EXPECT_EQ(bad(ascii, "1,0,5,0\n2,10,6,0\n"), "f.dat:3: the file ends after sample 2 of 3");
    EXPECT_EQ(bad(ascii, "1,0,5,0\n2,10,6,0\n3,20,7,0\n4,30,8,0\n"),
              "f.dat:4: more samples than the 3 the configuration gives");
    EXPECT_EQ(bad(ascii, "1,0,5,0\n2,10,x,0\n3,20,7,0\n"),
              "f.dat:2: sample 2: analog channel 1: \"x\" is not a number");
    EXPECT_EQ(bad(ascii, "1,0,5,0\n2,10,6\n3,20,7,0\n"),
              "f.dat:2: sample 2: 3 fields where 4 are expected");

    qztest::TempDir dir;
    std::string path = (dir.path() / "x.cfg").string();
    std::ofstream(path, std::ios::binary) << cfg;
    EXPECT_EQ(ErrorOf([&] { ReadRecord(path); }),
              (dir.path() / "x.dat").string() + ": the data file of " + path + " is missing");
}
