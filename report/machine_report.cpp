#include "machine_report.h"

#include <stdexcept>

#include "check_sequence.h"
#include "form1.h"
#include "registry_reader.h"
#include "version_names.h"

namespace runesuka::report {
namespace {

// The form without a window: nothing to show, paint or close.
class HeadlessView : public Form1View {
public:
    void ControlChanged(Field, Property) override {}
    void Refresh() override {}
    void EndProgram() override { throw std::logic_error("the headless form has nothing to close"); }
};

ProductReport ReadProduct(const Form1& form, const char16_t* product, const ProductFields& fields,
                          const ProductFindings& found, const RegistryReader& reader, std::optional<RegistryViews> views) {
    std::optional<std::u16string> lastUsed;
    if (form.State(fields.frameMulti).visible) lastUsed = form.State(fields.fieldLastUsed).text;
    std::optional<std::vector<AutomationServer>> servers;
    if (views) {
        // The classes of the versions found.
        const std::vector<ClassesValue> all = ScannedValues(product);
        std::vector<ClassesValue> naming;
        for (const int major : found.majorVersions) naming.push_back(all[static_cast<std::size_t>(major - kFirstMajorVersion)]);
        servers = FindServers(reader, *views, naming);
    }
    return {found.majorVersions, form.State(fields.fieldVersions).text, lastUsed, found.strIdx, std::move(servers)};
}

}  // namespace

MachineReport ReportMachine(RegistryApi& registry, const AnsiCodePage& codePage, std::optional<RegistryViews> views) {
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
            ReadProduct(form, kAccessProduct, kAccessFields, found.access, reader, views),
            ReadProduct(form, kExcelProduct, kExcelFields, found.excel, reader, views)};
}

}  // namespace runesuka::report
