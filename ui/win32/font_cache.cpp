#include "font_cache.h"

#include <cmath>

#include "dpi.h"

namespace runesuka::win32 {
namespace {

// Japanese UI faces tried in turn when the asked-for face is not installed.
constexpr const wchar_t* kFallbackFaces[] = {L"MS PGothic", L"Meiryo UI", L"Yu Gothic UI", L"MS UI Gothic"};

int CALLBACK NoteFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool IsInstalled(const std::wstring& face) {
    LOGFONTW query{};
    query.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(query.lfFaceName, face.c_str(), LF_FACESIZE);
    bool found = false;
    const HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &query, NoteFound, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    return found;
}

std::wstring DefaultGuiFace() {
    LOGFONTW font{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    return font.lfFaceName;
}

}  // namespace

FontCache::~FontCache() {
    for (const auto& entry : fonts_) DeleteObject(entry.second);
}

const std::wstring& FontCache::InstalledFace(const std::wstring& face) {
    const auto known = faces_.find(face);
    if (known != faces_.end()) return known->second;
    std::wstring chosen;
    if (IsInstalled(face)) {
        chosen = face;
    } else {
        for (const wchar_t* fallback : kFallbackFaces) {
            if (IsInstalled(fallback)) {
                chosen = fallback;
                break;
            }
        }
        if (chosen.empty()) chosen = DefaultGuiFace();
    }
    return faces_.emplace(face, chosen).first->second;
}

HFONT FontCache::Get(const std::wstring& face, float points, bool bold, UINT dpi) {
    const int height = -static_cast<int>(std::lround(points * static_cast<float>(dpi) / kPointsPerInch));
    const auto key = std::make_tuple(face, height, bold, dpi);
    const auto cached = fonts_.find(key);
    if (cached != fonts_.end()) return cached->second;

    LOGFONTW font{};
    font.lfHeight = height;
    font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    font.lfCharSet = SHIFTJIS_CHARSET;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    lstrcpynW(font.lfFaceName, InstalledFace(face).c_str(), LF_FACESIZE);
    const HFONT created = CreateFontIndirectW(&font);
    fonts_.emplace(key, created);
    return created;
}

}  // namespace runesuka::win32
