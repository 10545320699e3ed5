#include "input/recommendation.h"

#include <gtest/gtest.h>

#include <string>

#include "calc/numeric.h"
#include "input/headless_session.h"
#include "store/parameter_schema.h"

namespace wormpair {
namespace {

struct Typed {
    const char *a, *z2, *z1;
    int grade;
    bool standardBacklash, wholeNumber;
};

// The same inputs typed into the window's fields and its recommend button
// pressed, as the tool's design command does.
HeadlessSession& typedIntoTheWindow(HeadlessSession& s, const Typed& t) {
    s.run([&] {
        s.form.setCurrentIndex("ComboBox1", t.grade - 6);
        if (!t.standardBacklash) s.form.setChecked("CheckBox2", false);
        s.form.setText("Edit1", t.a);
        s.form.setText("Edit3", t.z2);
        s.form.setText("Edit4", t.z1);
        s.design.speedButton2Click();
        if (t.wholeNumber && s.view.resultsShown) s.form.setChecked("CheckBox1", true);
    });
    return s;
}

std::vector<std::pair<std::string, std::string>> fieldsOf(const DesignRecord& r) {
    std::vector<std::pair<std::string, std::string>> fields;
    forEachRecordField(r, [&](std::string_view name, const RecordFieldValue& value) {
        std::visit(
            [&](const auto& v) {
                using T = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<T, std::string>) {
                    fields.emplace_back(name, v);
                } else {
                    fields.emplace_back(name, formatReal(static_cast<long double>(v)));
                }
            },
            value);
    });
    return fields;
}

// A design from the basic inputs is the window's design, failures included.
TEST(RecommendationTest, DesignFromBasicInputsIsTheWindowsDesign) {
    const Typed cases[] = {
        {"160", "45", "1", 7, true, false},   {"250", "50", "2", 6, true, false},
        {"100", "31", "1", 8, false, false},  {"80", "8", "1", 7, true, true},
        {"500", "63", "1", 7, true, true},    {"1500", "40", "1", 6, true, false},
        {"1700", "40", "1", 7, true, false},  {"16a", "40", "1", 7, true, false},
        {"160", "4x", "1", 7, true, false},   {"160", "40", "0", 7, true, false},
        {"-100", "40", "1", 7, true, false},  {"160", "40.5", "1", 7, true, false},
        {"", "40", "1", 7, true, false},      {"70", "40", "3", 7, true, false},
    };
    HeadlessSession shipped(WORMPAIR_PROGRAM_DIR);
    ASSERT_TRUE(shipped.load().ok);
    DatabaseRuleTables tables(shipped.database);
    for (const Typed& t : cases) {
        SCOPED_TRACE(std::string(t.a) + "/" + t.z2 + "/" + t.z1);
        HeadlessSession window(WORMPAIR_PROGRAM_DIR);
        ASSERT_TRUE(window.load().ok);
        typedIntoTheWindow(window, t);

        BasicInputs inputs{t.a, t.z2, t.z1, t.grade, t.standardBacklash, "0", t.wholeNumber};
        const BasicDesign d =
            designFromBasicInputs(tables, window.design.coefficients(), inputs);
        EXPECT_EQ(d.messages, window.form.messages);
        EXPECT_EQ(d.completed(), window.succeeded());
        EXPECT_EQ(d.ratio, window.form.text("Edit2"));
        EXPECT_EQ(d.backlash, window.form.text("Edit8"));
        EXPECT_EQ(d.designation, window.form.text("Edit9"));
        for (const char* field : {"Edit5", "Edit6", "Edit7", "Edit11", "Edit12", "Edit13"}) {
            EXPECT_EQ(d.recommendation.text(field), window.form.text(field)) << field;
        }
        EXPECT_EQ(fieldsOf(d.record), fieldsOf(window.design.record()));
        EXPECT_EQ(d.labels, window.view.texts);
        EXPECT_EQ(d.warnings, window.view.warnings);
        if (d.gradeRow >= 0) {
            EXPECT_EQ(d.accuracy.accuracyValue11, window.design.accuracyValues().accuracyValue11);
        }
    }
}

}  // namespace
}  // namespace wormpair
