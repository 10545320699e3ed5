#include "input/design_controller.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "calc/result_collector.h"
#include "input/form_state.h"
#include "input/headless_session.h"
#include "input/input_rules.h"
#include "store/parameter_database.h"
#include "store/startup_load.h"

namespace wormpair {
namespace {

// The window's controls and commands on the shipped database, without a window.
struct Session : HeadlessSession {
    explicit Session(const QString& programDirectory = WORMPAIR_PROGRAM_DIR)
        : HeadlessSession(programDirectory) {
        EXPECT_TRUE(load().ok);
    }
};

const std::vector<std::string> kNastyTexts = {
    "",       " ",      "-",        "+",       ".",       "e",        "1e",      "0",
    "-0",     "00000",  "1e999",    "-1e999",  "1e-400",  "nan",      "inf",     "0x10",
    "99999",  "-99999", "1.5",      "4.",      ".5e1",    "２０",     "٣",       "中心距",
    "1,5",    "1 0",    "\t7",      "2147483648", "-2147483649", std::string(300, '9'),
    "0.0000001", "7e300"};

TEST(DesignControllerTest, NothingTypedIntoAnyFieldBreaksACommand) {
    for (const char* field : {"Edit1", "Edit3", "Edit4"}) {
        for (const std::string& text : kNastyTexts) {
            SCOPED_TRACE(std::string(field) + " = '" + text + "'");
            Session s;
            s.run([&] { s.form.setText("Edit1", "160"); });
            s.run([&] { s.form.setText("Edit3", "40"); });
            s.run([&] { s.form.setText(field, text); });
            s.run([&] { s.design.speedButton2Click(); });
            s.run([&] { s.form.setChecked("CheckBox1", true); });
            // whatever happened, the window is in one of its two states
            const bool locked = !s.form.isEnabled("Edit1");
            EXPECT_EQ(locked, s.form.isEnabled("SpeedButton3"));
            if (s.view.resultsShown) {
                EXPECT_FALSE(s.design.document().designSaved);
            }
        }
    }
}

TEST(DesignControllerTest, EditedRecommendationsNeverBreakConfirm) {
    for (const char* field : {"Edit5", "Edit6", "Edit7", "Edit8", "Edit13"}) {
        for (const std::string& text : kNastyTexts) {
            SCOPED_TRACE(std::string(field) + " = '" + text + "'");
            Session s;
            s.run([&] { s.form.setText("Edit1", "250"); });
            s.run([&] { s.form.setText("Edit3", "61"); });
            s.run([&] { s.form.setText("Edit4", "2"); });
            s.run([&] { s.design.speedButton2Click(); });
            ASSERT_TRUE(s.view.resultsShown);
            s.run([&] { s.design.speedButton3Click(); });
            s.run([&] { s.form.setText(field, text); });
            s.run([&] { s.design.speedButton4Click(); });
            EXPECT_FALSE(s.form.recommendedGroupOpen());
            EXPECT_FALSE(s.form.isEnabled("SpeedButton4"));
            if (!s.view.resultsShown) {
                EXPECT_FALSE(s.form.messages.empty());
            }
        }
    }
}

// A message box would take the keys an input method sends after the first,
// so what the user types marks its field; a text the program sets (a design
// file, the tool) still raises the message, and wrong teeth or starts empty
// both. A value outside the range the rules cover marks its field either way.
TEST(DesignControllerTest, TypedTextsMarkTheirFieldProgramTextsRaiseTheMessage) {
    const struct {
        const char* field;
        std::vector<std::string> texts;  // in turn
        bool typed;
        std::map<std::string, std::string> marks;  // field: part of its mark
        std::vector<std::string_view> messages;
        const char* teethAfter;
    } cases[] = {
        {"Edit1", {"1a"}, true, {{"Edit1", std::string(kCentreDistanceMessage)}}, {}, "40"},
        {"Edit1", {"1a", "160"}, true, {}, {}, "40"},
        {"Edit1", {"1a"}, false, {}, {kCentreDistanceMessage}, "40"},
        {"Edit1", {"60"}, true, {{"Edit1", "中心距 60 mm 超出计算范围（大于 70 mm、小于 1500 mm）"}}, {}, "40"},
        {"Edit1", {"2000"}, false, {{"Edit1", "中心距 2000 mm 超出"}}, {}, "40"},
        {"Edit1", {"1499"}, true, {}, {}, "40"},
        {"Edit3", {"x"}, true, {{"Edit3", std::string(kTeethStartsMessage)}}, {}, "x"},
        {"Edit3", {"x", "41"}, true, {}, {}, "41"},
        {"Edit3", {"x"}, false, {}, {kTeethStartsMessage}, ""},
        {"Edit4", {"0"}, true, {{"Edit4", std::string(kTeethStartsMessage)}}, {}, "40"},
        {"Edit3", {"150"}, true, {{"Edit2", "速比 150 超出计算范围（大于 7.5、小于 150）"}}, {}, "150"},
        {"Edit3", {"7"}, false, {{"Edit2", "速比 7 超出"}}, {}, "7"},
        {"Edit6", {"x"}, true, {{"Edit6", std::string(kInvalidNumberMessage)}}, {}, "40"},
        {"Edit6", {"x", "3"}, true, {}, {}, "40"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " '" + c.texts.back() + (c.typed ? "' typed" : "' set"));
        Session s;
        s.run([&] { s.form.setText("Edit1", "160"); });
        s.run([&] { s.form.setText("Edit3", "40"); });
        for (const std::string& text : c.texts) {
            if (c.typed) {
                // the window's field takes the text first, then reports the edit
                const auto onChange = std::exchange(s.form.onChange, nullptr);
                s.form.setText(c.field, text);
                s.form.onChange = onChange;
                s.run([&] { s.design.fieldEdited(c.field); });
            } else {
                s.run([&] { s.form.setText(c.field, text); });
            }
        }
        EXPECT_EQ(s.form.messages, std::vector<std::string>(c.messages.begin(), c.messages.end()));
        EXPECT_EQ(s.form.fieldProblems.size(), c.marks.size());
        for (const auto& [field, part] : c.marks) {
            EXPECT_NE(s.form.fieldProblems[field].find(part), std::string::npos) << field;
        }
        EXPECT_EQ(s.form.text("Edit3"), c.teethAfter);
    }
}

TEST(DesignControllerTest, RecommendAndCalculateAcrossTheRange) {
    // centre distances above 70 and below 1500, ratios above 7.5 and below 150
    const std::pair<const char*, const char*> teethAndStarts[] = {
        {"31", "4"}, {"40", "1"}, {"61", "2"}, {"99", "1"}, {"149", "1"}};
    for (const char* centreDistance : {"71", "100", "160", "315", "630", "1000", "1499"}) {
        for (const auto& [teeth, starts] : teethAndStarts) {
            SCOPED_TRACE(std::string(centreDistance) + " " + teeth + "/" + starts);
            Session s;
            s.run([&] { s.form.setText("Edit1", centreDistance); });
            s.run([&] { s.form.setText("Edit3", teeth); });
            s.run([&] { s.form.setText("Edit4", starts); });
            s.run([&] { s.design.speedButton2Click(); });
            EXPECT_TRUE(s.form.messages.empty()) << s.form.messages.front();
            EXPECT_TRUE(s.view.resultsShown);
            EXPECT_EQ(s.view.texts.size(), 35u);
        }
    }
}

// The relief tables are data: when they are missing or damaged the message
// says so instead of blaming the input, which keeps its own message.
TEST(DesignControllerTest, DamagedReliefTablesAreNotBlamedOnTheInput) {
    const struct {
        const char* name;
        const char* damage;
        const char* teeth;
        std::string_view message;
    } cases[] = {
        {"intact tables, no wheel teeth", "", "", kRecommendMessage},
        {"xiuyuan missing", "DROP TABLE xiuyuan", "40", kReliefTableMessage},
        {"xiuyuanchangdu missing", "DROP TABLE xiuyuanchangdu", "40", kReliefTableMessage},
        {"xiuyuan empty", "DELETE FROM xiuyuan", "40", kReliefTableMessage},
        {"xiuyuan bound not a number", "UPDATE xiuyuan SET AMAX = 'x'", "40", kReliefTableMessage},
        {"xiuyuanchangdu without lengths",
         "CREATE TABLE t AS SELECT ID, Z2MIN, Z2MAX FROM xiuyuanchangdu; "
         "DROP TABLE xiuyuanchangdu; ALTER TABLE t RENAME TO xiuyuanchangdu",
         "40", kReliefTableMessage},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString file = dir.path() + "/db1.mdb";
        ASSERT_TRUE(QFile::copy(WORMPAIR_PROGRAM_DIR "db1.mdb", file));
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "damage");
            db.setDatabaseName(file);
            ASSERT_TRUE(db.open());
            QSqlQuery query(db);
            for (const QString& statement : QString(c.damage).split("; ", Qt::SkipEmptyParts)) {
                ASSERT_TRUE(query.exec(statement)) << statement.toStdString();
            }
        }
        QSqlDatabase::removeDatabase("damage");

        Session s(dir.path() + u'/');
        s.run([&] { s.form.setText("Edit1", "160"); });
        s.run([&] { s.form.setText("Edit3", c.teeth); });
        s.run([&] { s.form.setText("Edit4", "1"); });
        s.form.messages.clear();
        s.run([&] { s.design.speedButton2Click(); });
        EXPECT_EQ(s.form.messages, std::vector<std::string>{std::string(c.message)});
        EXPECT_TRUE(s.form.isEnabled("Edit1"));
        EXPECT_FALSE(s.view.resultsShown);
    }
}

}  // namespace
}  // namespace wormpair
