#include "app/app.h"

#include <algorithm>

#include "app/backends.h"
#include "base/platform.h"

namespace qz {

CQuarnZGraphApp::CQuarnZGraphApp() {
    // Runs while the host loads the library, where nothing may be thrown: a
    // documents folder that cannot be named leaves the working folder empty.
    try {
        StartUp(DocumentsFolder());
    } catch (...) {
        strWorkPath.clear();
    }
}

CQuarnZGraphApp::CQuarnZGraphApp(const Text& documentsFolder) {
    StartUp(documentsFolder);
}

void CQuarnZGraphApp::StartUp(const Text& documentsFolder) {
    if (documentsFolder.empty()) return;
    Text quarn = JoinPath(documentsFolder, u"Quarn");
    Text work = JoinPath(quarn, u"Temp");
    // A name the host could not take without overrunning its buffer is never
    // handed out: such a folder is not used at all.
    if (JoinPath(work, kZoneParameterFileName).size() + 1 > kHostPathBuffer) return;
    CreateFolderIfMissing(quarn);
    strWorkPath = work;
    CreateFolderIfMissing(strWorkPath);
}

CQuarnZGraphApp::~CQuarnZGraphApp() {
    Release();
}

void CQuarnZGraphApp::Init() {
    InitFromExecutable(ExecutablePath());
}

void CQuarnZGraphApp::InitFromExecutable(TextView executablePath) {
    // The host reads its path into 260 characters.
    executablePath = executablePath.substr(0, 259);
    std::size_t cut = executablePath.rfind(kPathSeparator);
    TextView folder = cut == TextView::npos ? TextView() : executablePath.substr(0, cut);
    strTemplatePath = JoinPath(JoinPath(folder, u"Template"), u"QuarnTemplate.mdb");
}

void CQuarnZGraphApp::Release() {
    pDatabase.reset();
    ClearZones();
}

CTemplateDatabase* CQuarnZGraphApp::GetTemplateDatabase() {
    // A connection that failed a statement is opened anew, as a failed open is.
    if (pDatabase && pDatabase->Failed()) pDatabase.reset();
    if (pDatabase) return pDatabase.get();
    if (strTemplatePath.empty()) return nullptr;
    pDatabase = app::OpenTemplateDatabase(strTemplatePath);
    return pDatabase.get();
}

int CQuarnZGraphApp::GetZoneFileName(char16_t* buffer) const {
    std::copy(strZoneFileName.begin(), strZoneFileName.end(), buffer);
    buffer[strZoneFileName.size()] = u'\0';
    return strZoneFileName.empty() ? 0 : 1;
}

}  // namespace qz
