#include "font_cache.h"

#include <cmath>

#include "dpi.h"
#include "line_fit.h"

namespace runesuka::win32 {
namespace {

// Japanese UI faces tried in turn when the asked-for face is not installed:
// first those drawn like it with lines as tall as its em, then taller ones,
// whose fonts are made smaller to fit the layout's lines.
constexpr const wchar_t* kFallbackFaces[] = {L"MS PGothic", L"MS UI Gothic", L"Meiryo UI", L"Yu Gothic UI"};

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

FontCache::FontCache() : measuring_(CreateCompatibleDC(nullptr)) {}

FontCache::~FontCache() {
    for (const auto& entry : fonts_) DeleteObject(entry.second);
    DeleteDC(measuring_);
}

int FontCache::LineHeight(HFONT font) const {
    const HGDIOBJ old = SelectObject(measuring_, font);
    TEXTMETRICW metrics{};
    const bool measured = GetTextMetricsW(measuring_, &metrics) != 0;
    SelectObject(measuring_, old);
    return measured ? metrics.tmHeight : 0;
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
    const int pitch = static_cast<int>(std::lround(points * static_cast<float>(dpi) / kPointsPerInch));
    const auto key = std::make_tuple(face, pitch, bold, dpi);
    const auto cached = fonts_.find(key);
    if (cached != fonts_.end()) return cached->second;

    LOGFONTW font{};
    font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    font.lfCharSet = SHIFTJIS_CHARSET;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    lstrcpynW(font.lfFaceName, InstalledFace(face).c_str(), LF_FACESIZE);
    HFONT realised = nullptr;
    FittingFontHeight(pitch, [&](int lfHeight) {
        if (realised != nullptr) DeleteObject(realised);
        font.lfHeight = lfHeight;
        realised = CreateFontIndirectW(&font);
        return LineHeight(realised);
    });
    fonts_.emplace(key, realised);
    return realised;
}

}  // namespace runesuka::win32
