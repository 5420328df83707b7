// ルネスカ: shows which Access and Excel versions are registered on this PC
// and which installation type the PC has.
#include <windows.h>

#include "advapi32_registry.h"
#include "dpi.h"
#include "error_boundary.h"
#include "form1.h"
#include "form1_window.h"
#include "registry_reader.h"
#include "system_library.h"
#include "windows_code_page.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // DLLs loaded from here on never come from the folder the program was
    // started from (a CD or a download folder).
    runesuka::win32::RestrictDllSearch();
    runesuka::win32::EnableDpiAwareness();

    return runesuka::win32::Guarded([&] {
        runesuka::win32::Advapi32Registry registry;
        const runesuka::win32::WindowsCodePage codePage;
        const runesuka::RegistryReader reader(registry, codePage);
        runesuka::win32::Form1Window window(instance);
        runesuka::Form1 form(reader, window);
        window.Show(form);
        return window.RunMessageLoop();
    });
}
