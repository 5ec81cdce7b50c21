// How the system writes and reads its files, and how it names them in
// messages: whatever is found beside a file or arrives meanwhile.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "base/msgbox.h"
#include "base/platform.h"
#include "base/quote.h"
#include "test_util.h"
#include "zones/zone_list.h"
#ifdef _WIN32
#include "gfx/gdi/gdi_canvas.h"
#else
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "gfx/cairo/raster_cairo.h"
#endif

using namespace qz;
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

#ifdef _WIN32
using ImageCanvas = gfx::CGdiCanvas;
#else
using ImageCanvas = gfx::CRasterCanvas;
#endif

Bytes ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

std::ptrdiff_t Entries(const fs::path& folder) {
    return std::distance(fs::directory_iterator(folder), {});
}

// Collects the texts of the message boxes shown while it lives.
struct Shown {
    std::vector<std::string> texts;
    UseMessageBoxHandler use{[](void* self, TextView text, TextView, unsigned) {
                                 static_cast<Shown*>(self)->texts.push_back(ToUtf8(text));
                                 return int(kIdOk);
                             },
                             this};
};

}  // namespace

TEST(Saves, NeitherLeftoversNorASecondHostGetInTheWay) {
    qztest::TempDir dir;
    CZoneLists lists;
    lists.fAllowedError = 0.25f;
    // What a crash of the former saves left under their fixed names: a
    // folder, and links to someone else's file.
    fs::create_directory(dir.path() / "zonePara.tmp.part");
#ifndef _WIN32
    WriteFile(dir.path() / "victim", "keep");
    fs::create_symlink(dir.path() / "victim", dir.path() / "graph.tmp.part");
    fs::create_hard_link(dir.path() / "victim", dir.path() / "prot.tmp.part");
    fs::create_symlink(dir.path() / "victim", dir.path() / "graphPara.tmp");
#endif
    EXPECT_TRUE(lists.SaveZoneFile(dir.text("zonePara.tmp")));
    EXPECT_TRUE(SavePictFile(dir.text("graph.tmp"), {}, PictForm::kNumeric));
    EXPECT_TRUE(SavePictFile(dir.text("prot.tmp"), {}, PictForm::kFormula));
    EXPECT_TRUE(SavePictFile(dir.text("graphPara.tmp"), {}, PictForm::kNumeric));
    EXPECT_EQ(ReadFile(dir.path() / "zonePara.tmp"), lists.ZoneFileBytes());
#ifndef _WIN32
    EXPECT_EQ(ReadFile(dir.path() / "victim"), Bytes({'k', 'e', 'e', 'p'}));
    EXPECT_FALSE(fs::is_symlink(dir.path() / "graphPara.tmp"));  // the link is replaced
    EXPECT_EQ(Entries(dir.path()), 8);
#else
    EXPECT_EQ(Entries(dir.path()), 5);
#endif

    // Two hosts saving into one file at once: every save of each succeeds,
    // and the file is whole the one or the other.
    qztest::TempDir shared;
    const Text path = shared.text("zonePara.tmp");
    const Bytes a(3000, 'a'), b(7000, 'b');
    std::atomic<int> failed{0};
    auto host = [&](const Bytes& bytes) {
        for (int round = 0; round < 100; ++round) failed += !SaveFileReplacing(path, bytes);
    };
    std::thread first(host, std::cref(a)), second(host, std::cref(b));
    first.join();
    second.join();
    EXPECT_EQ(failed, 0);
    Bytes last = ReadFile(shared.path() / "zonePara.tmp");
    EXPECT_TRUE(last == a || last == b);
    EXPECT_EQ(Entries(shared.path()), 1);
}

namespace {

// The disk, with every step of a save noted; a sync that fails on request.
struct NotingFs {
    static inline std::vector<std::string> steps;
    static inline bool syncFails = false;
    static Vfs Table() {
        Vfs vfs = NativeVfs();
        vfs.createNew = [](const Text& p) {
            steps.push_back("createNew");
            return NativeVfs().createNew(p);
        };
        vfs.write = [](void* f, const std::uint8_t* d, std::size_t n) {
            steps.push_back("write");
            return NativeVfs().write(f, d, n);
        };
        vfs.sync = [](void* f) {
            steps.push_back("sync");
            return NativeVfs().sync(f) && !syncFails;
        };
        vfs.close = [](void* f) {
            steps.push_back("close");
            return NativeVfs().close(f);
        };
        vfs.replace = [](const Text& a, const Text& b) {
            steps.push_back("replace");
            return NativeVfs().replace(a, b);
        };
        vfs.remove = [](const Text& p) {
            steps.push_back("remove");
            NativeVfs().remove(p);
        };
        return vfs;
    }
};

}  // namespace

TEST(Saves, TheFileIsOnTheDiskBeforeItIsRenamedIntoPlace) {
    qztest::TempDir dir;
    const fs::path path = dir.path() / "zonePara.tmp";
    WriteFile(path, "old");
    NotingFs::steps.clear();
    NotingFs::syncFails = false;
    const Vfs noting = NotingFs::Table();
    UseVfs use(noting);
    EXPECT_TRUE(SaveFileReplacing(dir.text("zonePara.tmp"), Bytes{'n', 'e', 'w'}));
    EXPECT_EQ(NotingFs::steps,
              (std::vector<std::string>{"createNew", "write", "sync", "close", "replace"}));
    // A sync that fails fails the save: the file saved before stays.
    NotingFs::steps.clear();
    NotingFs::syncFails = true;
    EXPECT_FALSE(SaveFileReplacing(dir.text("zonePara.tmp"), Bytes{'x'}));
    EXPECT_EQ(NotingFs::steps,
              (std::vector<std::string>{"createNew", "write", "sync", "close", "remove"}));
    EXPECT_EQ(ReadFile(path), Bytes({'n', 'e', 'w'}));
    EXPECT_EQ(Entries(dir.path()), 1);
}

TEST(Saves, AFailedPngWriteKeepsThePreviousImage) {
    qztest::TempDir dir;
    ImageCanvas image(40, 30);
    image.FillRect({0, 0, 20, 30}, gfx::Brush{gfx::Brush::kSolid, gfx::Rgb(255, 0, 0)});
    const fs::path path = dir.path() / "plot.png";
    WriteFile(path, "previous");
    Vfs full = NativeVfs();  // a disk that is full
    full.write = [](void*, const std::uint8_t*, std::size_t) { return false; };
    {
        UseVfs use(full);
        EXPECT_FALSE(image.SavePng(path.string()));
    }
    EXPECT_EQ(ReadFile(path), Bytes({'p', 'r', 'e', 'v', 'i', 'o', 'u', 's'}));
    EXPECT_EQ(Entries(dir.path()), 1);
    ASSERT_TRUE(image.SavePng(path.string()));
    EXPECT_EQ(ReadFile(path), image.EncodePng());
}

#ifndef _WIN32
TEST(Reads, APipeOrADeviceIsRefusedNotWaitedFor) {
    qztest::TempDir dir;
    const fs::path fifo = dir.path() / "zones.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // In a child that an alarm ends, should it wait for a writer after all.
    pid_t pid = ::fork();
    if (pid == 0) {
        ::alarm(20);
        Shown shown;
        CZoneLists lists;
        bool loaded = lists.LoadZoneFile(FromUtf8(fifo.string())) ||
                      lists.LoadZoneFile(u"/dev/zero") ||
                      LoadPictFile(u"/dev/zero", lists.arrPicts, PictForm::kNumeric);
        bool told = shown.texts.size() == 2 &&
                    shown.texts[0] == "文件 " + fifo.string() + " 打开失败 !" &&
                    shown.texts[1] == "文件 /dev/zero 打开失败 !";
        ::_exit(!loaded && told ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;

    qztest::ToolRun run = qztest::Quarnz("show '" + fifo.string() + "'", dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "quarnz: " + fifo.string() + ": cannot be opened as a regular file\n");
}
#endif

TEST(Messages, TextsFromFilesAndPathsAreCutAndStayOnOneLine) {
    EXPECT_EQ(QuoteForMessage(u"C:\\区段\\a\nb\tc\r\u202Ed\u0085"),
              "C:\\区段\\a\\nb\\tc\\r\\u202Ed\\u0085");
    Text lone = u"a?😀";
    lone[1] = char16_t(0xD800);
    EXPECT_EQ(QuoteForMessage(lone), "a\\uD800😀");
    EXPECT_EQ(QuoteForMessage(std::string_view("x\xff\n\xe5\x8c\xba\xe5")), "x\\xFF\\n区\\xE5");
    const Text tail = u"the end.zone";
    const std::string cut = QuoteForMessage(Text(1000, u'x') + tail);
    EXPECT_EQ(cut,
              std::string(100, 'x') + "…" + std::string(100 - tail.size(), 'x') + ToUtf8(tail));
    EXPECT_EQ(QuoteForMessage(Text(200, u'y')), std::string(200, 'y'));  // not cut

    // The loader's messages keep their texts around the quoted name.
    qztest::TempDir dir;
    Shown shown;
    CZoneLists lists;
    const std::string folder = ToUtf8(JoinPath(dir.text(), u""));  // with its separator
    EXPECT_FALSE(lists.LoadZoneFile(dir.text("a\nquarnz: forged.zone")));
    ASSERT_EQ(shown.texts.size(), 1u);
    EXPECT_EQ(shown.texts[0], "没有找到文件 " + folder + "a\\nquarnz: forged.zone !");
    EXPECT_FALSE(lists.LoadZoneFile(dir.text(std::string(5000, 'z'))));
    ASSERT_EQ(shown.texts.size(), 2u);
    EXPECT_LT(shown.texts[1].size(), 300u);
    EXPECT_NE(shown.texts[1].find("z…z"), std::string::npos);
#ifndef _WIN32
    // A broken file whose name breaks lines; quarnz says it in one line too.
    WriteFile(dir.path() / "b\r\n.zone", "abc");
    EXPECT_FALSE(lists.LoadZoneFile(dir.text("b\r\n.zone")));
    ASSERT_EQ(shown.texts.size(), 3u);
    EXPECT_EQ(shown.texts[2].rfind("文件 " + folder + "b\\r\\n.zone 已损坏, 无法读取 (", 0), 0u)
        << shown.texts[2];
    EXPECT_EQ(shown.texts[2].find('\n'), std::string::npos);
    qztest::ToolRun run = qztest::Quarnz("show '" + folder + "b\r\n.zone'", dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("quarnz: " + folder + "b\\r\\n.zone: broken zone parameter file: ", 0),
              0u)
        << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
#endif
}
