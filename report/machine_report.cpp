#include "machine_report.h"

#include <stdexcept>

#include "check_sequence.h"
#include "form1.h"
#include "registry_reader.h"

namespace runesuka::report {
namespace {

// The form without a window: nothing to show, paint or close.
class HeadlessView : public Form1View {
public:
    void ControlChanged(Field, Property) override {}
    void Refresh() override {}
    void EndProgram() override { throw std::logic_error("the headless form has nothing to close"); }
};

ProductReport ReadProduct(const Form1& form, const ProductFields& fields, const ProductFindings& found) {
    std::optional<std::u16string> lastUsed;
    if (form.State(fields.frameMulti).visible) lastUsed = form.State(fields.fieldLastUsed).text;
    return {found.majorVersions, form.State(fields.fieldVersions).text, lastUsed, found.strIdx};
}

}  // namespace

MachineReport ReportMachine(RegistryApi& registry, const AnsiCodePage& codePage) {
    const RegistryReader reader(registry, codePage);
    HeadlessView view;
    Form1 form(reader, view);
    form.Form_Load();
    form.Form_Activate();

    const CheckFindings& found = form.findings();
    std::optional<std::u16string> runtime;
    if (form.State(Field::Text00).visible) runtime = form.State(Field::Text00).text;
    return {found.strTypeCode,
            found.machineType,
            form.State(Field::Text0).text,
            form.State(Field::Text2).text,
            runtime,
            ReadProduct(form, kAccessFields, found.access),
            ReadProduct(form, kExcelFields, found.excel)};
}

}  // namespace runesuka::report
