#include "frame/app.h"

#include <algorithm>

#include "frame/platform.h"

namespace qz {

CQuarnZGraphApp::CQuarnZGraphApp() : CQuarnZGraphApp(DocumentsFolder()) {}

CQuarnZGraphApp::CQuarnZGraphApp(const Text& documentsFolder) {
    Text quarn = JoinPath(documentsFolder, u"Quarn");
    CreateFolderIfMissing(quarn);
    strWorkPath = JoinPath(quarn, u"Temp");
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
    ClearZones();
}

int CQuarnZGraphApp::GetZoneFileName(char16_t* buffer) const {
    std::copy(strZoneFileName.begin(), strZoneFileName.end(), buffer);
    buffer[strZoneFileName.size()] = u'\0';
    return strZoneFileName.empty() ? 0 : 1;
}

}  // namespace qz
