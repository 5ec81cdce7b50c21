#include "app/backends.h"

#include <cstdio>

#ifdef _WIN32
#include "session/win32/session_player.h"
#include "ui/win32/win32_backend.h"
#else
#include "session/headless/headless_session.h"
#endif
#include "base/platform.h"
#include "base/quote.h"
#include "templates/odbc/odbc_template_db.h"
#include "templates/sqlite/sqlite_template_db.h"

namespace qz::app {

namespace {

#ifdef _WIN32
ui::win32::Win32Backend& Windows() {
    static ui::win32::Win32Backend backend = [] {
        // The windows belong to this library's module.
        HMODULE self = nullptr;
        GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(&Windows), &self);
        return ui::win32::Win32Backend(self);
    }();
    return backend;
}

// A script plays the user at the real windows.
session::win32::SessionPlayer& Player() {
    static session::win32::SessionPlayer player(Windows());
    // What the user would see goes to standard error too.
    player.SetTranscript(stderr);
    return player;
}
#else
session::HeadlessSession& Headless() {
    static session::HeadlessSession backend;
    // No screen here: what the user would see goes to standard error.  The
    // library links no raster canvas: Cairo's start-up blocks would be left
    // behind whenever a host unloads it.  Its dialogs draw on recording
    // canvases, and a snapshot has nothing to write.
    backend.SetTranscript(stderr);
    return backend;
}
#endif

// Between PlaySession and FinishSession: the transcript then also names the
// backend that opened the template library.
bool gPlaying = false;

std::unique_ptr<CTemplateDatabase> Noted(std::unique_ptr<CTemplateDatabase> db, TextView from) {
    if (gPlaying)
        std::fprintf(stderr, "template library: %s, %s\n", std::string(db->Backend()).c_str(),
                     ToUtf8Lossy(from).c_str());
    return db;
}

}  // namespace

ui::Backend& UserInterface() {
#ifdef _WIN32
    return Windows();
#else
    return Headless();
#endif
}

void PlaySession(TextView script) {
#ifdef _WIN32
    Player().Reset();
    Player().Play(script);
    Player().Attach();
#else
    Headless().Reset();
    Headless().Play(script);
#endif
    gPlaying = true;
}

bool FinishSession() {
    gPlaying = false;
#ifdef _WIN32
    bool ok = Player().Finish();
    Player().Detach();
    return ok;
#else
    return Headless().Finish();
#endif
}

std::unique_ptr<CTemplateDatabase> OpenTemplateDatabase(const Text& path) {
    const Text source = u"data source \"" + Text(kTemplateDataSource) + u"\"";
    if (!CurrentVfs().exists(path)) {
        // No file: the data source alone, such as a lab's shared server.  One
        // that nobody defined is no library, as the missing file was.
        try {
            return Noted(OpenOdbcTemplateDatabase(path), source);
        } catch (const CDBException& e) {
            if (e.m_strState != u"IM002") throw;
            // A misplaced library must not look like an empty one.
            throw CDBException(Format("没有找到模板库: 文件 %s 不存在, 数据源 \"MS Access "
                                      "Database\" 也没有定义 !",
                                      QuoteForMessage(path).c_str()),
                               e.m_strState);
        }
    }
    if (IsSqliteFile(path)) return Noted(OpenSqliteTemplateDatabase(path), path);
    return Noted(OpenOdbcTemplateDatabase(path), source + u", DBQ=" + path);
}

}  // namespace qz::app
