#include "assistive.h"

#include <oleacc.h>

#include "accessibility.h"
#include "system_library.h"
#include "wide_text.h"

namespace runesuka::win32 {
namespace {

// Windows 8 and later, so not declared for the oldest Windows the program
// starts on; older systems ignore the event.
constexpr DWORD kEventObjectLiveRegionChanged = 0x8019;
// UI Automation's LiveSetting property, and its value Polite.
constexpr GUID kLiveSettingProperty = {0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr LONG kPolite = 1;
constexpr CLSID kAccPropServices = {0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr IID kIAccPropServices = {0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};

bool ScreenReaderRunning() {
    BOOL running = FALSE;
    return SystemParametersInfoW(SPI_GETSCREENREADER, 0, &running, 0) && running;
}

// Marks `element` as a polite live region, which needs COM: loaded here, from
// System32 by its full path, only when a screen reader runs. Any failure
// leaves the element unmarked; the events still go out.
void MarkPolite(HWND element) {
    const HMODULE ole32 = LoadSystemLibrary(L"ole32.dll");
    using Initialize = HRESULT(WINAPI*)(LPVOID, DWORD);
    using Create = HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
    const auto initialize = FunctionOf<Initialize>(ole32, "CoInitializeEx");
    const auto create = FunctionOf<Create>(ole32, "CoCreateInstance");
    if (initialize == nullptr || create == nullptr || FAILED(initialize(nullptr, COINIT_APARTMENTTHREADED))) return;
    IAccPropServices* services = nullptr;
    if (FAILED(create(kAccPropServices, nullptr, CLSCTX_INPROC_SERVER, kIAccPropServices,
                      reinterpret_cast<void**>(&services)))) {
        return;
    }
    VARIANT polite;
    polite.vt = VT_I4;
    polite.lVal = kPolite;
    services->SetHwndProp(element, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kLiveSettingProperty, polite);
    services->Release();
}

}  // namespace

void NameTextBoxes(const std::array<HWND, kFieldCount>& children) {
    for (int i = 0; i < kFieldCount; ++i) {
        const std::u16string name(AccessibleName(static_cast<Field>(i)));
        if (name.empty()) continue;
        const HWND box = children[static_cast<std::size_t>(i)];
        const HWND label = CreateWindowExW(0, L"STATIC", Wide(name), WS_CHILD | SS_NOPREFIX, 0, 0, 0, 0,
                                           GetParent(box), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstNameId + i)),
                                           nullptr, nullptr);
        const HWND above = GetWindow(box, GW_HWNDPREV);
        SetWindowPos(label, above != nullptr ? above : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void Announce(HWND window, const std::u16string& sentence) {
    const bool screenReader = ScreenReaderRunning();
    if (!screenReader && !IsWinEventHookInstalled(kEventObjectLiveRegionChanged) &&
        !IsWinEventHookInstalled(EVENT_OBJECT_NAMECHANGE)) {
        return;
    }
    const HWND element = CreateWindowExW(0, L"STATIC", Wide(sentence), WS_CHILD | WS_VISIBLE | SS_NOPREFIX, 0, 0, 0, 0,
                                         window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kAnnouncementId)),
                                         nullptr, nullptr);
    if (element == nullptr) return;
    if (screenReader) MarkPolite(element);
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, element, OBJID_CLIENT, CHILDID_SELF);
    NotifyWinEvent(kEventObjectLiveRegionChanged, element, OBJID_CLIENT, CHILDID_SELF);
}

bool HighContrastOn() {
    HIGHCONTRASTW theme{};
    theme.cbSize = sizeof theme;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof theme, &theme, 0) &&
           (theme.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

}  // namespace runesuka::win32
