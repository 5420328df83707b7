// Errors never cross a window procedure: they are caught at the boundary,
// shown to the user, and the program ends, as the toolkit would do.
#pragma once

#include <windows.h>

#include <exception>

namespace runesuka::win32 {

[[noreturn]] void ReportErrorAndEnd(const char* what);

// Calls `handler` and turns any exception it throws into a report and the end.
template <typename Handler>
auto Guarded(Handler&& handler) noexcept -> decltype(handler()) {
    try {
        return handler();
    } catch (const std::exception& error) {
        ReportErrorAndEnd(error.what());
    } catch (...) {
        ReportErrorAndEnd("unknown error");
    }
}

}  // namespace runesuka::win32
