// Form1 on screen: the top-level window and one child window per control,
// kept in step with the model. The model's handlers run from its messages.
#pragma once

#include <windows.h>

#include <array>

#include "font_cache.h"
#include "form1.h"
#include "resource_ids.h"

namespace runesuka::win32 {

// Control IDs: 1000 + the control's place in the stored order.
inline constexpr int kFirstControlId = 1000;
inline constexpr wchar_t kWindowClass[] = L"RunesukaForm1";
inline constexpr wchar_t kFrameClass[] = L"RunesukaFrame";

class Form1Window : public Form1View {
public:
    explicit Form1Window(HINSTANCE instance);
    ~Form1Window() override = default;
    Form1Window(const Form1Window&) = delete;
    Form1Window& operator=(const Form1Window&) = delete;

    // Creates the window and its controls hidden, loads the form, then shows
    // it centred; the check follows on activation.
    void Show(Form1& form);

    void ControlChanged(Field field, Property property) override;
    void Refresh() override;
    [[noreturn]] void EndProgram() override;

    // Runs the message loop until the program ends.
    int RunMessageLoop();

private:
    static void RegisterClasses(HINSTANCE instance);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnRunCheck();
    void OnDeactivate();
    void OnSetFocus();
    void OnCopyFindings();
    void OnAccessibilityAsked();
    void OnThemeChanged();
    void MoveFocus(bool backwards);
    void OnDpiChanged(UINT dpi, const RECT& suggested);

    void CreateControls();
    RECT PixelRect(const ControlDef& control) const;
    void Layout();
    void ApplyFont(Field field);
    void ResumePainting();
    LRESULT OnCtlColor(HDC dc, HWND control);
    HWND Child(Field field) const { return children_[static_cast<std::size_t>(field)]; }

    HINSTANCE instance_;
    Form1* form_ = nullptr;
    HWND window_ = nullptr;
    std::array<HWND, kFieldCount> children_{};
    UINT dpi_ = 96;
    bool loading_ = false;      // fonts are applied once, after load
    bool classifying_ = false;  // the scans are done
    bool paintingHeld_ = false;  // fields change unpainted until the check ends
    FontCache fonts_;
    HICON warningIcon_ = nullptr;
    HWND focusWhenLeft_ = nullptr;
    bool highContrast_ = false;  // the theme's colours replace the stored ones
    bool named_ = false;         // the text boxes have their accessible names
};

}  // namespace runesuka::win32
