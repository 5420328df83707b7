#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "check_sequence.h"
#include "chunked_source.h"
#include "expected_texts.h"
#include "recording_form.h"
#include "reg_export.h"
#include "scan_fixture.h"

namespace runesuka {
namespace {

// A registry export of tests/fixtures, read as the machine's registry.
void LoadFixture(testing::ScanFixture& machine, const std::string& file) {
    std::ifstream in(std::string(RUNESUKA_FIXTURES_DIR) + "/" + file, std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(in), {});
    testing::ChunkedSource source(bytes);
    LoadRegExport(source, KeptValues(CheckedValues()), machine.cp932, machine.registry);
}

struct FixtureCase {
    const char* file;
    std::u16string access;
    std::u16string excel;
    std::u16string type;
};

TEST(CheckSequenceFixtures, RealLookingMachines) {
    const FixtureCase cases[] = {
        {"excel2007-2010-access2010-runtime.reg", u"Access\u3000は\u30002010\r\n",
         u"Excel\u3000は\u30002007 と 2010\r\n", testing::kTypeV},
        {"excel2016-only.reg", u"Access がインストールされていません。\r\n", u"Excel\u3000は\u30002016\r\n",
         testing::kUnknownType},
        {"office2003-after-2007-removed.reg", u"Access\u3000は\u30002003\r\n", u"Excel\u3000は\u30002003\r\n",
         testing::kUnknownType},
        {"office2003-and-2013.reg", u"Access\u3000は\u30002003 と 2013\r\n", u"Excel\u3000は\u30002003 と 2013\r\n",
         testing::kTypeV},
        {"office2010.reg", u"Access\u3000は\u30002010\r\n", u"Excel\u3000は\u30002010\r\n", testing::kTypeV},
    };
    for (const FixtureCase& c : cases) {
        SCOPED_TRACE(c.file);
        testing::ScanFixture machine;
        LoadFixture(machine, c.file);
        testing::RecordingForm result;
        CheckSequence run(machine.reader, result);
        run.Form_Activate();
        EXPECT_EQ(result.text(Field::Text3), c.access);
        EXPECT_EQ(result.text(Field::Text4), c.excel);
        EXPECT_EQ(result.text(Field::Text0), c.type);
    }
}

}  // namespace
}  // namespace runesuka
