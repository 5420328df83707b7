// Fonts realised once per face, size, weight and DPI, and kept until the
// window goes. A face that is not installed falls back to a Japanese UI face;
// a face whose lines are taller than the UI face's is made smaller to fit.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <tuple>

namespace runesuka::win32 {

class FontCache {
public:
    FontCache();
    ~FontCache();
    FontCache(const FontCache&) = delete;
    FontCache& operator=(const FontCache&) = delete;

    HFONT Get(const std::wstring& face, float points, bool bold, UINT dpi);

private:
    const std::wstring& InstalledFace(const std::wstring& face);
    int LineHeight(HFONT font) const;

    std::map<std::tuple<std::wstring, int, bool, UINT>, HFONT> fonts_;
    std::map<std::wstring, std::wstring> faces_;
    HDC measuring_;
};

}  // namespace runesuka::win32
