#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <new>

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "base/msgbox.h"
#include "base/platform.h"
#include "test_util.h"
#include "zones/zone_list.h"

using namespace qz;
using Bytes = std::vector<std::uint8_t>;

namespace {

struct Box {
    std::string text, caption;
    unsigned flags;
};

// Records the message boxes shown while it lives.
class BoxSpy {
  public:
    BoxSpy() { SetMessageBoxHandler(&BoxSpy::Show, this); }
    ~BoxSpy() { SetMessageBoxHandler(nullptr, nullptr); }
    std::vector<Box> boxes;

  private:
    static int Show(void* self, TextView text, TextView caption, unsigned flags) {
        static_cast<BoxSpy*>(self)->boxes.push_back({ToUtf8(text), ToUtf8(caption), flags});
        return kIdOk;
    }
};

std::unique_ptr<CZone> MakeZone(const char16_t* tag, int mode = 0) {
    auto z = std::make_unique<CZone>();
    z->strTag = tag;
    z->strZoneName = Text(u"区段 ") + tag;
    z->setting.Zzd_Mode = mode;
    return z;
}

template <class T>
std::unique_ptr<CPict> MakePict(const char16_t* tag) {
    auto p = std::make_unique<T>();
    p->strZoneTag = tag;
    return p;
}

// Two zones, three elements: the fixture of most tests here.
CZoneLists Sample() {
    CZoneLists lists;
    lists.fAllowedError = 0.05f;
    lists.arrZones.push_back(MakeZone(u"Z1,LE"));
    lists.arrZones.push_back(MakeZone(u"z1,le", 1));
    lists.arrPicts.push_back(MakePict<CPictMho>(u"Z1,LE"));
    lists.arrPicts.push_back(MakePict<CPictLine>(u"z1,le"));
    lists.arrPicts.push_back(MakePict<CPictLens>(u"Z1,LE"));
    return lists;
}

void WriteFile(const std::filesystem::path& p, const Bytes& b) {
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

Bytes ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(ZoneFile, EmptyListsAreTwelveBytes) {
    CZoneLists lists;
    lists.fAllowedError = 0.25f;
    Bytes b = lists.ZoneFileBytes();
    EXPECT_EQ(b, (Bytes{0, 0, 0x80, 0x3E, 0, 0, 0, 0, 0, 0, 0, 0}));
    CZoneLists back;
    back.AppendZoneFileBytes(b.data(), b.size());
    EXPECT_EQ(back.fAllowedError, 0.25f);
    EXPECT_TRUE(back.arrZones.empty());
}

TEST(ZoneFile, ANanAllowedErrorKeepsItsBits) {
    // A signalling NaN and a quiet one, each with a payload.
    for (Bytes b : {Bytes{0x01, 0, 0x80, 0x7F, 0, 0, 0, 0, 0, 0, 0, 0},
                    Bytes{0x45, 0x23, 0xC1, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0}}) {
        CZoneLists lists;
        lists.AppendZoneFileBytes(b.data(), b.size());
        EXPECT_TRUE(std::isnan(lists.fAllowedError));
        EXPECT_EQ(lists.ZoneFileBytes(), b);
    }
}

TEST(ZoneFile, SaveAndLoadKeepZonesElementsAndTags) {
    qztest::TempDir dir;
    CZoneLists lists = Sample();
    Text path = dir.text("zonePara.tmp");
    ASSERT_TRUE(lists.SaveZoneFile(path));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    BoxSpy spy;
    CZoneLists back;
    back.arrZones.push_back(MakeZone(u"kept"));  // loading appends
    ASSERT_TRUE(back.LoadZoneFile(path));
    EXPECT_TRUE(spy.boxes.empty());
    EXPECT_EQ(back.fAllowedError, 0.05f);
    ASSERT_EQ(back.arrZones.size(), 3u);
    EXPECT_EQ(back.arrZones[1]->strTag, u"Z1,LE");
    EXPECT_EQ(back.arrZones[2]->strZoneName, u"区段 z1,le");
    EXPECT_EQ(back.arrZones[2]->setting.Zzd_Mode, 1);
    ASSERT_EQ(back.arrPicts.size(), 3u);
    EXPECT_EQ(back.arrPicts[1]->Kind(), kPictLine);
    EXPECT_EQ(back.arrPicts[1]->strZoneTag, u"z1,le");
    back.arrZones.erase(back.arrZones.begin());
    EXPECT_EQ(back.ZoneFileBytes(), ReadFile(dir.path() / "zonePara.tmp"));  // byte for byte
}

TEST(ZoneFile, MissingUnopenableAndBrokenFilesAreReportedOnce) {
    qztest::TempDir dir;
    BoxSpy spy;
    CZoneLists lists;
    lists.fAllowedError = 0.5f;
    Text missing = dir.text("nothing.zone");
    EXPECT_FALSE(lists.LoadZoneFile(missing));
    ASSERT_EQ(spy.boxes.size(), 1u);
    EXPECT_EQ(spy.boxes[0].text, "没有找到文件 " + ToUtf8(missing) + " !");
    EXPECT_EQ(spy.boxes[0].caption, "QuarnZGraph");
    EXPECT_EQ(spy.boxes[0].flags, unsigned(kMbOk | kMbIconError));
    EXPECT_FALSE(lists.LoadZoneFile(dir.text()));  // a folder exists but does not open as a file
    ASSERT_EQ(spy.boxes.size(), 2u);
    EXPECT_EQ(spy.boxes[1].text, "文件 " + ToUtf8(dir.text()) + " 打开失败 !");

    // Every truncation of a valid file is broken: one message, nothing appended.
    Bytes whole = Sample().ZoneFileBytes();
    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
        WriteFile(dir.path() / "cut.zone",
                  Bytes(whole.begin(), whole.begin() + std::ptrdiff_t(cut)));
        spy.boxes.clear();
        EXPECT_FALSE(lists.LoadZoneFile(dir.text("cut.zone"))) << cut;
        ASSERT_EQ(spy.boxes.size(), 1u) << cut;
        EXPECT_NE(spy.boxes[0].text.find(ToUtf8(dir.text("cut.zone"))), std::string::npos);
        EXPECT_NE(spy.boxes[0].text.find("at byte"), std::string::npos);
        EXPECT_TRUE(lists.arrZones.empty() && lists.arrPicts.empty()) << cut;
        EXPECT_EQ(lists.fAllowedError, 0.5f);
    }
}

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QZ_ASAN 1
#endif
#endif

// Running out of memory while loading is a broken file like any other: one
// message, nothing appended, the caller goes on.
TEST(ZoneFile, AFileTooLargeForTheHeapIsABrokenFile) {
    qztest::TempDir dir;
    BoxSpy spy;
    auto expectBroken = [&](const Text& path) {
        CZoneLists lists;
        lists.fAllowedError = 0.5f;
        spy.boxes.clear();
        EXPECT_FALSE(lists.LoadZoneFile(path));
        ASSERT_EQ(spy.boxes.size(), 1u);
        EXPECT_EQ(spy.boxes[0].text,
                  "文件 " + ToUtf8(path) + " 已损坏, 无法读取 (not enough memory to read it) !");
        EXPECT_TRUE(lists.arrZones.empty() && lists.arrPicts.empty());
        EXPECT_EQ(lists.fAllowedError, 0.5f);
    };
    // The read itself fails.
    Vfs starved = NativeVfs();
    starved.read = [](const Text&, std::vector<std::uint8_t>&, std::size_t) -> bool {
        throw std::bad_alloc();
    };
    WriteFile(dir.path() / "small.zone", Sample().ZoneFileBytes());
    {
        UseVfs use(starved);
        expectBroken(dir.text("small.zone"));
    }
#if !defined(_WIN32) && !defined(QZ_ASAN) && !defined(__SANITIZE_ADDRESS__)
    // The records do not fit in what the heap has left: room for the file
    // and a little more, not for 100,000 zones with long texts.
    {
        // Written record by record: zones built here and freed would leave
        // the heap room that the cap below is meant to deny.
        CZoneLists one;
        one.arrZones.push_back(MakeZone(Text(40, u'A').c_str()));
        Bytes bytes = one.ZoneFileBytes();
        const std::int32_t count = 100000;
        std::ofstream out(dir.path() / "big.zone", std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), 4);
        out.write(reinterpret_cast<const char*>(&count), 4);
        for (std::int32_t i = 0; i < count; ++i)
            out.write(reinterpret_cast<const char*>(bytes.data()) + 8,
                      std::streamsize(bytes.size() - 12));
        out.write(reinterpret_cast<const char*>(bytes.data()) + bytes.size() - 4, 4);
    }
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    rlimit old{};
    ::getrlimit(RLIMIT_AS, &old);
    rlimit low = old;
    low.rlim_cur = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) +
                   rlim_t(std::filesystem::file_size(dir.path() / "big.zone")) + (rlim_t(8) << 20);
    ::setrlimit(RLIMIT_AS, &low);
    expectBroken(dir.text("big.zone"));
    ::setrlimit(RLIMIT_AS, &old);
#endif
}

TEST(ZoneFile, HostileCountsAndCodes) {
    CZoneLists lists;
    auto broken = [&](Bytes b) {
        EXPECT_THROW(lists.AppendZoneFileBytes(b.data(), b.size()), ArchiveError);
        EXPECT_TRUE(lists.arrZones.empty());
        EXPECT_EQ(lists.fAllowedError, 0.0f);
    };
    broken({0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0});  // 2^31 - 1 zones in 12 bytes
    broken({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x40});           // 2^30 elements
    Bytes b = Sample().ZoneFileBytes();
    // The first element's kind code sits right after the element count.
    CZoneLists only;
    only.arrPicts.push_back(MakePict<CPictMho>(u"x"));
    Bytes e = only.ZoneFileBytes();
    e[12] = 4;
    broken(e);
    // Negative counts read no records; the reading says so.
    Bytes neg{0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF};
    ZoneFileReading r = lists.AppendZoneFileBytes(neg.data(), neg.size());
    EXPECT_TRUE(lists.arrZones.empty() && lists.arrPicts.empty());
    EXPECT_EQ(r.Remarks(),
              "zone count -1 at byte 4 read as none; element count -2 at byte 8 read as none");
}

TEST(ZoneFile, CountsAreCheckedBeforeAnyRecordIsRead) {
    // A count is refused at once, at its end, when its records cannot fit in
    // the bytes left (a zone takes at least 9, an element 5); one that can
    // fit is read until the records themselves fail.
    auto error = [](const Bytes& b) {
        CZoneLists lists;
        try {
            lists.AppendZoneFileBytes(b.data(), b.size());
        } catch (const ArchiveError& e) {
            EXPECT_TRUE(lists.arrZones.empty() && lists.arrPicts.empty());
            return std::string(e.what());
        }
        return std::string("read");
    };
    Bytes zones(8 + 90, 0);
    zones[4] = 11;
    EXPECT_EQ(error(zones), "count 11 cannot fit in the 90 bytes left at byte 8");
    zones[4] = 10;
    EXPECT_EQ(error(zones), "unknown zone record version \"\" at byte 8");
    Bytes elements(12 + 50, 0);
    elements[8] = 11;
    EXPECT_EQ(error(elements), "count 11 cannot fit in the 50 bytes left at byte 12");
    elements[8] = 10;
    EXPECT_EQ(error(elements), "unknown element record version \"\" at byte 16");

    // Zero counts read nothing and say nothing; bytes after the last element
    // are ignored, and said to be.
    Bytes b = Sample().ZoneFileBytes();
    std::size_t end = b.size();
    CZoneLists lists;
    ZoneFileReading r = lists.AppendZoneFileBytes(b.data(), b.size());
    EXPECT_EQ(r.zoneCount, 2);
    EXPECT_EQ(r.elementCount, 3);
    EXPECT_EQ(r.Remarks(), "");
    b.insert(b.end(), {0xFF, 0xFE});
    r = lists.AppendZoneFileBytes(b.data(), b.size());
    EXPECT_EQ(lists.arrZones.size(), 4u);
    EXPECT_EQ(r.Remarks(),
              "2 bytes after the last element at byte " + std::to_string(end) + " ignored");
    Bytes empty = CZoneLists().ZoneFileBytes();
    EXPECT_EQ(lists.AppendZoneFileBytes(empty.data(), empty.size()).Remarks(), "");
}

TEST(ZoneLists, DeleteByTagIsExactAndCaseSensitive) {
    CZoneLists lists = Sample();
    lists.DeleteZone(0);
    ASSERT_EQ(lists.arrZones.size(), 1u);
    ASSERT_EQ(lists.arrPicts.size(), 1u);
    EXPECT_EQ(lists.arrPicts[0]->strZoneTag, u"z1,le");
    lists.DeletePicts(u"z1,l");  // a prefix is not the tag
    EXPECT_EQ(lists.arrPicts.size(), 1u);
    lists.DeletePicts(u"z1,le");
    EXPECT_TRUE(lists.arrPicts.empty());
    lists = Sample();
    lists.ClearZones();
    EXPECT_TRUE(lists.arrZones.empty() && lists.arrPicts.empty());
    EXPECT_EQ(lists.fAllowedError, 0.05f);
}

TEST(ZoneLists, UniqueTagsAreNeverInUse) {
    CZoneLists lists;
    lists.arrZones.push_back(MakeZone(u"Z1,LE"));
    lists.arrZones.push_back(MakeZone(u"Z2,LE"));
    EXPECT_EQ(lists.MakeUniqueTag(u"Z1,LE", -1), u"Z1,LE_2");
    EXPECT_EQ(lists.MakeUniqueTag(u"Z3,LE", -1), u"Z3,LE");
    EXPECT_EQ(lists.MakeUniqueTag(u"z1,le", -1), u"z1,le");
    EXPECT_EQ(lists.MakeUniqueTag(u"Z1,LE", 0), u"Z1,LE");  // the zone itself does not count
    lists.arrZones.push_back(MakeZone(u"Z1,LE"));
    EXPECT_EQ(lists.MakeUniqueTag(u"Z1,LE", -1), u"Z1,LE_3");
    // Z1,LE and Z1,LE_2 in use: the count gives _2, which is taken.
    CZoneLists clash;
    clash.arrZones.push_back(MakeZone(u"Z1,LE"));
    clash.arrZones.push_back(MakeZone(u"Z1,LE_2"));
    clash.arrZones.push_back(MakeZone(u"Z1,LE_3"));
    EXPECT_EQ(clash.MakeUniqueTag(u"Z1,LE", -1), u"Z1,LE_4");
    // A full-length tag keeps its suffix within the field.
    Text longTag(99, u'T');
    clash.arrZones.push_back(MakeZone(longTag.c_str()));
    Text unique = clash.MakeUniqueTag(longTag, -1);
    EXPECT_EQ(unique, Text(97, u'T') + u"_2");
}

TEST(ElementFiles, SaveOfOneZoneAndAppendWithANewTag) {
    qztest::TempDir dir;
    BoxSpy spy;
    CZoneLists lists = Sample();
    Text path = dir.text("graphPara.tmp");
    ASSERT_TRUE(lists.SavePictsOfZone(path, u"Z1,LE"));
    ASSERT_TRUE(lists.AppendPictsFromFile(path, u"Z9"));
    ASSERT_EQ(lists.arrPicts.size(), 5u);
    EXPECT_EQ(lists.arrPicts[3]->Kind(), kPictMho);
    EXPECT_EQ(lists.arrPicts[4]->Kind(), kPictLens);
    EXPECT_EQ(lists.arrPicts[4]->strZoneTag, u"Z9");
    ASSERT_TRUE(lists.SavePictsOfZone(path, u"none"));
    EXPECT_EQ(ReadFile(dir.path() / "graphPara.tmp"), (Bytes{0, 0, 0, 0}));
    EXPECT_FALSE(lists.AppendPictsFromFile(u"", u"Z9"));
    EXPECT_FALSE(lists.AppendPictsFromFile(dir.text("missing.tmp"), u"Z9"));
    WriteFile(dir.path() / "bad.tmp", {1, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_FALSE(lists.AppendPictsFromFile(dir.text("bad.tmp"), u"Z9"));
    EXPECT_EQ(lists.arrPicts.size(), 5u);
    EXPECT_TRUE(spy.boxes.empty());
    // The formula form travels too.
    PictList formulas;
    auto arc = std::make_unique<CPictArc>();
    arc->strRadius = u"ZZD_MAG*0.5";
    formulas.push_back(std::move(arc));
    ASSERT_TRUE(SavePictFile(dir.text("prot.tmp"), formulas, PictForm::kFormula));
    PictList read;
    ASSERT_TRUE(LoadPictFile(dir.text("prot.tmp"), read, PictForm::kFormula));
    EXPECT_EQ(static_cast<CPictArc&>(*read[0]).strRadius, u"ZZD_MAG*0.5");
}

namespace {

// A file system that fails the n-th write-side operation.
struct FaultyFs {
    static inline int failAt = -1, step = 0;
    static bool Tick() { return step++ != failAt; }
    static void* CreateNew(const Text& p) { return Tick() ? NativeVfs().createNew(p) : nullptr; }
    static bool Write(void* f, const std::uint8_t* d, std::size_t n) {
        return Tick() && NativeVfs().write(f, d, n);
    }
    static bool Close(void* f) {
        bool ok = NativeVfs().close(f);
        return Tick() && ok;
    }
    static bool Replace(const Text& a, const Text& b) {
        return Tick() && NativeVfs().replace(a, b);
    }
};

}  // namespace

TEST(ZoneFile, AFailedSaveNeverLeavesAHalfWrittenFile) {
    qztest::TempDir dir;
    Vfs faulty = NativeVfs();
    faulty.createNew = FaultyFs::CreateNew;
    faulty.write = FaultyFs::Write;
    faulty.close = FaultyFs::Close;
    faulty.replace = FaultyFs::Replace;
    CZoneLists old;
    old.fAllowedError = 1;
    Text path = dir.text("zonePara.tmp");
    ASSERT_TRUE(old.SaveZoneFile(path));
    Bytes before = ReadFile(dir.path() / "zonePara.tmp");
    CZoneLists lists = Sample();
    SetVfs(&faulty);
    for (int k = 0; k < 4; ++k) {
        FaultyFs::failAt = k;
        FaultyFs::step = 0;
        EXPECT_FALSE(lists.SaveZoneFile(path)) << k;
        EXPECT_EQ(ReadFile(dir.path() / "zonePara.tmp"), before) << k;
        FaultyFs::step = 0;
        EXPECT_FALSE(lists.SavePictsOfZone(dir.text("graphPara.tmp"), u"Z1,LE")) << k;
        // Nothing but the old file: no temporary file is left behind.
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << k;
    }
    FaultyFs::failAt = -1;
    EXPECT_TRUE(lists.SaveZoneFile(path));
    SetVfs(nullptr);
    EXPECT_EQ(ReadFile(dir.path() / "zonePara.tmp"), lists.ZoneFileBytes());
    EXPECT_FALSE(lists.SaveZoneFile(dir.text("no/such/folder/zonePara.tmp")));
}

TEST(ZoneFile, APathThatIsNoTextNamesNoFile) {
    BoxSpy spy;
    CZoneLists lists;
    Text path = u"/tmp/zone" + Text(1, char16_t(0xD800)) + u".zone";  // a lone surrogate
    EXPECT_FALSE(lists.LoadZoneFile(path));
    ASSERT_EQ(spy.boxes.size(), 1u);
    EXPECT_EQ(spy.boxes[0].text.rfind("没有找到文件 ", 0), 0u);
    EXPECT_FALSE(lists.SaveZoneFile(path));
    EXPECT_FALSE(lists.AppendPictsFromFile(path, u"Z"));
}
