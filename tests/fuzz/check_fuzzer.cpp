// libFuzzer target: the whole check on a registry made up by the input (see
// fuzz_registry.h), read through CP932 as on a Japanese Windows. Whatever the
// registry holds, the window must end up in one of its designed states.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <string>

#include "advice_texts.h"
#include "check_sequence.h"
#include "expected_texts.h"
#include "fuzz_registry.h"
#include "iconv_code_page.h"
#include "memory_registry.h"
#include "recording_form.h"
#include "registry_reader.h"

namespace {

using runesuka::Field;
using runesuka::testing::FieldWrite;
using runesuka::testing::RecordingForm;

const std::u16string kAccessNotInstalled = u"Access がインストールされていません。";

// An abort is what libFuzzer reports and keeps the input of.
void Require(bool holds, const char* invariant) {
    if (holds) return;
    std::fprintf(stderr, "broken invariant: %s\n", invariant);
    std::abort();
}

bool IsOneOf(const std::optional<std::u16string>& text, std::initializer_list<const std::u16string*> choices) {
    return text && std::any_of(choices.begin(), choices.end(), [&](const std::u16string* c) { return *text == *c; });
}

void RequireDesignedState(const RecordingForm& form, const runesuka::MemoryRegistry& registry) {
    const auto& writes = form.writes();
    Require(!writes.empty() && writes.back().kind == FieldWrite::Kind::Text && writes.back().field == Field::Text0,
            "Text0 is the last write");
    Require(form.textWrites(Field::Text0) == 1, "Text0 is written once");

    const std::optional<std::u16string> type = form.text(Field::Text0);
    using runesuka::testing::kTypeR, runesuka::testing::kTypeV, runesuka::testing::kUnknownType;
    Require(IsOneOf(type, {&kTypeR, &kTypeV, &kUnknownType}), "Text0 names type R, type V or none");

    const std::optional<std::u16string> advice = form.text(Field::Text2);
    Require(IsOneOf(advice, {&runesuka::kOldAccessAdvice, &runesuka::kExcelMissingAdvice,
                             &runesuka::kAccessMissingAdvice, &runesuka::kNotInstallableAdvice,
                             &runesuka::kTypeFoundAdvice}),
            "Text2 holds one of the advice texts");
    Require((*type != kUnknownType) == (*advice == runesuka::kTypeFoundAdvice),
            "a named type goes with the type-found advice, and only it");

    const bool runtimeShown = std::any_of(writes.begin(), writes.end(), [](const FieldWrite& w) {
        return w.kind == FieldWrite::Kind::Visible && w.field == Field::Text00 && w.visible;
    });
    const std::optional<std::u16string> accessVersions = form.text(Field::Text3);
    const bool accessMissing = accessVersions && accessVersions->find(kAccessNotInstalled) != std::u16string::npos;
    // A CurVer naming version 6 or lower gives Access a negative index, which the
    // classification reads like a missing Access; its last-used line then says 不明.
    const bool accessLastUsedUnknown = form.text(Field::Text7) == std::u16string(u"最終使用は 不明");
    Require(!runtimeShown || accessMissing || accessLastUsedUnknown,
            "Text00 is shown only when Access is missing or its last-used version is unknown");
    Require(runtimeShown == (*advice == runesuka::kAccessMissingAdvice),
            "Text00 is shown together with the Access advice, and only with it");

    Require(registry.openHandles() == 0, "every key opened is closed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const runesuka::IconvCodePage cp932("CP932");
    runesuka::MemoryRegistry registry(cp932);
    runesuka::fuzzing::LoadRegistry(registry, data, size);
    const runesuka::RegistryReader reader(registry, cp932);
    RecordingForm form;
    runesuka::CheckSequence check(reader, form);

    check.Form_Activate();
    RequireDesignedState(form, registry);

    const std::size_t writes = form.writes().size();
    const int opens = registry.opens();
    check.Form_Activate();
    Require(form.writes().size() == writes && registry.opens() == opens, "a second activation does nothing");
    return 0;
}
