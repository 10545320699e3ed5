// The main window form: control names and types, start states, captions,
// menu and toolbar order, region geometry and whether result texts fit.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QToolButton>

#include <algorithm>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/command_table.h"
#include "app/forms/form_look.h"
#include "app/progress_window.h"
#include "calc/result_labels.h"
#include "ui_mainwindow.h"

// Readable failure messages for Qt texts.
void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

QApplication& application() {
    static int argc = 1;
    static char name[] = "form_test";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

QString q(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

class Form : public ::testing::Test {
  protected:
    void SetUp() override {
        application();
        window = std::make_unique<QMainWindow>();
        ui.setupUi(window.get());
    }

    template <typename T>
    T* find(const char* name) const {
        T* object = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(object, nullptr) << name;
        return object;
    }

    // Position of a widget in the coordinates of the client area.
    QRect client(const QWidget* widget) const {
        return QRect(widget->mapTo(window->centralWidget(), QPoint(0, 0)), widget->size());
    }

    std::unique_ptr<QMainWindow> window;
    Ui::TForm1 ui;
};

struct Typed {
    const char* name;
    const char* className;
};

TEST_F(Form, EveryControlExistsWithItsClass) {
    std::vector<Typed> controls = {
        {"ToolBar1", "QFrame"},          {"Label32", "QLabel"},
        {"SpeedButton2", "QToolButton"}, {"SpeedButton3", "QToolButton"},
        {"SpeedButton4", "QToolButton"}, {"Panel1", "QFrame"},
        {"ComboBox1", "QComboBox"},      {"CheckBox1", "QCheckBox"},
        {"CheckBox2", "QCheckBox"},      {"Button1", "QPushButton"},
        {"Label46", "QLabel"},           {"Label47", "QLabel"},
        {"Label50", "QLabel"},           {"GroupBox5", "QGroupBox"},
    };
    for (const char* edit : {"Edit1", "Edit2", "Edit3", "Edit4", "Edit5", "Edit6", "Edit7", "Edit8",
                             "Edit9", "Edit11", "Edit12", "Edit13"}) {
        controls.push_back({edit, "QLineEdit"});
    }
    controls.push_back({"Edit10", "QComboBox"});  // 旋向: 右旋 or 左旋
    for (const char* button : {"ToolButton15", "ToolButton3", "ToolButton11", "ToolButton5",
                               "ToolButton1", "ToolButton4", "ToolButton7", "ToolButton8",
                               "ToolButton9", "ToolButton10", "ToolButton12", "ToolButton13"}) {
        controls.push_back({button, "QToolButton"});
    }
    for (const wormpair::ResultGroup& group : wormpair::resultGroups()) {
        controls.push_back({group.name.data(), "QGroupBox"});
        for (const wormpair::ResultLabel& label : group.labels)
            controls.push_back({label.name.data(), "QLabel"});
    }
    for (const Typed& control : controls) {
        const auto matches = window->findChildren<QObject*>(QString::fromLatin1(control.name));
        ASSERT_EQ(matches.size(), 1) << control.name;
        EXPECT_STREQ(matches.front()->metaObject()->className(), control.className) << control.name;
    }
    EXPECT_EQ(window->windowTitle(), QStringLiteral("NALVEX蜗杆副设计V8.601"));
}

struct EditStart {
    const char* name;
    const char* caption;  // text of the label left of the edit; empty for none
    const char* text;
    int maxLength;  // 32767 is the unlimited default
    bool enabled;
};

TEST_F(Form, EditsStartWithTheirTextsLimitsAndCaptions) {
    const EditStart edits[] = {
        {"Edit1", "中  心  距：", "", 5, true},
        {"Edit3", "蜗轮齿数：", "", 3, true},
        {"Edit4", "蜗杆头数：", "1", 1, true},
        {"Edit2", "实际速比：", "", 32767, false},
        {"Edit5", "主  基  圆：", "", 32767, true},
        {"Edit6", "齿顶偏心：", "", 32767, true},
        {"Edit7", "杆分度圆：", "", 32767, true},
        {"Edit8", "侧         隙：", "0", 32767, true},
        {"Edit9", "", "7级(GB/T16445-1996)", 32767, false},
        {"Edit10", "旋         向：", "右旋", -1, true},  // a list of 右旋, 左旋
        {"Edit11", "入口修缘：", "", 32767, true},
        {"Edit12", "出口修缘：", "", 32767, true},
        {"Edit13", "磨齿增量：", "", 32767, true},
    };
    for (const EditStart& expected : edits) {
        SCOPED_TRACE(expected.name);
        const QWidget* edit = find<QWidget>(expected.name);
        ASSERT_NE(edit, nullptr);
        if (const auto* line = qobject_cast<const QLineEdit*>(edit)) {
            EXPECT_EQ(line->text(), QString::fromUtf8(expected.text));
            EXPECT_EQ(line->maxLength(), expected.maxLength);
        } else {
            const auto* list = qobject_cast<const QComboBox*>(edit);
            ASSERT_NE(list, nullptr);
            EXPECT_EQ(list->currentText(), QString::fromUtf8(expected.text));
            EXPECT_EQ(list->count(), 2);
            EXPECT_EQ(list->itemText(1), QStringLiteral("左旋"));
            EXPECT_FALSE(list->isEditable());
        }
        // Enabled as such; the group of Edit5 to Edit13 is what is disabled at start.
        EXPECT_EQ(edit->testAttribute(Qt::WA_ForceDisabled), !expected.enabled);
        if (*expected.caption == '\0') continue;

        // The caption is the label on the edit's row that ends left of it.
        const QLabel* caption = nullptr;
        for (const QLabel* label :
             edit->parentWidget()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
            const QRect r = label->geometry();
            if (r.right() < edit->x() && r.top() < edit->geometry().bottom() &&
                r.bottom() > edit->y() && (caption == nullptr || r.x() > caption->x())) {
                caption = label;
            }
        }
        ASSERT_NE(caption, nullptr);
        EXPECT_EQ(caption->text(), QString::fromUtf8(expected.caption));
        EXPECT_LE(caption->fontMetrics().horizontalAdvance(caption->text()), caption->width());
    }
    EXPECT_TRUE(ui.Edit9->y() > ui.ComboBox1->geometry().bottom())
        << "Edit9 sits below the accuracy grade";
}

TEST_F(Form, AccuracyGradeBacklashAndOptions) {
    const QComboBox* grade = find<QComboBox>("ComboBox1");
    ASSERT_NE(grade, nullptr);
    ASSERT_EQ(grade->count(), 3);
    const char* items[] = {"6", "7", "8"};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(grade->itemText(i), QString::fromLatin1(items[i]));
    EXPECT_EQ(grade->currentText(), QStringLiteral("7"));
    EXPECT_FALSE(grade->isEditable());

    struct Box {
        const char* name;
        const char* text;
        bool checked;
        bool hidden;
        const char* parent;
    };
    const Box boxes[] = {{"CheckBox2", "标准侧隙", true, false, "centralwidget"},
                         {"CheckBox1", "取整数", false, true, "GroupBox1"}};
    for (const Box& expected : boxes) {
        SCOPED_TRACE(expected.name);
        const QCheckBox* box = find<QCheckBox>(expected.name);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), QString::fromUtf8(expected.text));
        EXPECT_EQ(box->isChecked(), expected.checked);
        EXPECT_EQ(box->isHidden(), expected.hidden);
        EXPECT_EQ(box->parentWidget()->objectName(), QString::fromLatin1(expected.parent));
        EXPECT_LE(box->sizeHint().width(), box->width());
    }
    // "取整数" stands beside the wrapped-teeth label, on its row and clear of it.
    EXPECT_GT(ui.CheckBox1->x(), ui.Label26->geometry().right());
    EXPECT_EQ(ui.CheckBox1->y(), ui.Label26->y());
    EXPECT_LE(ui.CheckBox1->geometry().right(), ui.GroupBox1->width());
}

struct Button {
    const char* name;
    const char* text;
    const char* toolTip;
    bool enabled;
};

TEST_F(Form, ButtonsStartWithTheirTipsAndStates) {
    const Button buttons[] = {
        {"SpeedButton2", "", "计算", true},
        {"SpeedButton3", "", "编辑", false},
        {"SpeedButton4", "", "确定", false},
    };
    for (const Button& expected : buttons) {
        SCOPED_TRACE(expected.name);
        const QToolButton* button = find<QToolButton>(expected.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(expected.toolTip));
        EXPECT_EQ(button->isEnabled(), expected.enabled);
        EXPECT_FALSE(button->icon().isNull());
    }
    const QPushButton* calculate = find<QPushButton>("Button1");
    ASSERT_NE(calculate, nullptr);
    EXPECT_EQ(calculate->text(), QStringLiteral("计   算"));
    EXPECT_FALSE(calculate->isEnabled());
    EXPECT_GE(client(calculate).top(), 592) << "placed below the visible client area";
    EXPECT_EQ(ui.SpeedButton3->parentWidget(), ui.Panel1);
    EXPECT_EQ(ui.SpeedButton4->parentWidget(), ui.Panel1);
}

struct Region {
    const char* name;
    QRect rect;
};

TEST_F(Form, RegionsSitAtTheirClientPositions) {
    const QWidget* central = window->centralWidget();
    ASSERT_NE(central, nullptr);
    EXPECT_EQ(central->minimumSize(), QSize(920, 592));
    EXPECT_EQ(central->maximumSize(), QSize(920, 592));
    EXPECT_TRUE(central->autoFillBackground());
    EXPECT_EQ(central->palette().color(QPalette::Window), wormpair::forms::windowColour());
    EXPECT_EQ(wormpair::forms::windowColour(), QColor(166, 202, 240));

    const Region regions[] = {
        {"ToolBar1", QRect(0, 0, 920, 46)},
        {"SpeedButton2", QRect(256, 176, 65, 65)},
        {"GroupBox5", QRect(376, 64, 537, 185)},
        {"Panel1", QRect(816, 200, 89, 41)},
    };
    for (const Region& expected : regions) {
        const QWidget* widget = find<QWidget>(expected.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(client(widget), expected.rect) << expected.name;
    }
    EXPECT_EQ(client(ui.Label50).topLeft(), QPoint(376, 256));

    // The input column starts at 16/56 and ends left of the recommend button.
    QRect column;
    for (const char* name :
         {"Edit1", "Edit3", "Edit4", "Edit2", "ComboBox1", "CheckBox2", "Edit9", "labelEdit1",
          "labelEdit3", "labelEdit4", "labelEdit2", "labelComboBox1"}) {
        column |= client(find<QWidget>(name));
    }
    EXPECT_EQ(column.topLeft(), QPoint(16, 56));
    EXPECT_LT(column.right(), 256);
    EXPECT_LT(column.bottom(), 272);

    // The edit panel overlaps the recommended group's lower right corner and is drawn above it.
    const QObjectList& stack = central->children();
    EXPECT_GT(stack.indexOf(ui.Panel1), stack.indexOf(ui.GroupBox5));
    EXPECT_TRUE(client(ui.Panel1).intersects(client(ui.GroupBox5)));
}

TEST_F(Form, ResultGroupsRunLeftToRightWithTheirLabelsTopToBottom) {
    int previousRight = 0;
    for (const wormpair::ResultGroup& expected : wormpair::resultGroups()) {
        SCOPED_TRACE(std::string(expected.name));
        const QGroupBox* group = find<QGroupBox>(expected.name.data());
        ASSERT_NE(group, nullptr);
        EXPECT_EQ(group->title(), q(expected.caption));
        EXPECT_TRUE(group->isHidden());
        const QRect rect = client(group);
        EXPECT_EQ(rect.y(), 272);
        EXPECT_EQ(rect.height(), 313);
        EXPECT_GT(rect.x(), previousRight);
        EXPECT_LE(rect.right(), 919);
        previousRight = rect.right();

        int previousBottom = 0;
        for (const wormpair::ResultLabel& row : expected.labels) {
            SCOPED_TRACE(std::string(row.name));
            const QLabel* label = find<QLabel>(row.name.data());
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->parentWidget(), group);
            EXPECT_EQ(label->text(), q(row.caption));
            EXPECT_TRUE(label->autoFillBackground());
            EXPECT_GT(label->y(), previousBottom);
            EXPECT_LE(label->geometry().bottom(), group->height());
            EXPECT_LE(label->geometry().right(), group->width());
            previousBottom = label->geometry().bottom();
            // A three-decimal value of four integer digits with its suffix stays
            // whole; the wrapped-teeth count is never that long (see below).
            if (row.name == "Label26") continue;
            const QString longest = QStringLiteral("1234.567") + q(row.suffix);
            EXPECT_LE(label->fontMetrics().horizontalAdvance(longest), label->width())
                << longest.toStdString();
        }
    }
    EXPECT_EQ(client(ui.GroupBox6).x(), 8);
}

struct LongText {
    const char* label;
    const char* text;
};

TEST_F(Form, LongResultTextsFitTheirLabels) {
    const LongText texts[] = {
        {"Label48", "75.411-----蜗杆最大齿顶圆直径"},
        {"Label8", "137.28-----蜗杆齿根圆弧半径"},
        {"Label44", "-2.123E-5------蜗轮法向弦齿厚"},
        {"Label45", "-2.123E-5------蜗轮法向弦齿高"},
        {"Label19", "1137.78-----刀体齿跟圆弧半径"},
        {"Label13", "-89.123-----母平面倾斜角"},
        {"Label26", "10.5-----包围齿数"},
        {"Label41", "-89.123---修形母面倾斜角"},
    };
    for (const LongText& expected : texts) {
        QLabel* label = find<QLabel>(expected.label);
        ASSERT_NE(label, nullptr);
        label->setText(QString::fromUtf8(expected.text));
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
            << expected.text;
    }
}

TEST_F(Form, NoticesAndHints) {
    struct Notice {
        const char* name;
        const char* text;
        bool hidden;
        QColor colour;  // text colour while the label is disabled, where that matters
    };
    const Notice notices[] = {
        {"Label50", "注意：默认计算法则已被修改...", true, QColor(255, 0, 0)},
        {"Label32", "", false, QColor(255, 0, 0)},
        {"Label46", "↑0.65 * A", false, QColor(0, 0, 0)},
        {"Label47", "", false, QColor(0, 0, 0)},
    };
    for (const Notice& expected : notices) {
        SCOPED_TRACE(expected.name);
        const QLabel* label = find<QLabel>(expected.name);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), QString::fromUtf8(expected.text));
        EXPECT_EQ(label->isHidden(), expected.hidden);
        EXPECT_EQ(label->palette().color(QPalette::Active, QPalette::WindowText), expected.colour);
        EXPECT_EQ(label->palette().color(QPalette::Disabled, QPalette::WindowText),
                  expected.colour);
    }
    const QRect notice = client(ui.Label32);
    EXPECT_EQ(notice.width(), 406);
    EXPECT_EQ(notice.right(), 919);
    EXPECT_EQ(ui.Label32->parentWidget(), ui.ToolBar1);
    EXPECT_EQ(ui.Label32->alignment(), Qt::AlignRight | Qt::AlignBottom);

    // The hints stand directly under the boxes they explain.
    const std::pair<const QLabel*, const QLineEdit*> hints[] = {{ui.Label46, ui.Edit5},
                                                                {ui.Label47, ui.Edit7}};
    for (const auto& [hint, edit] : hints) {
        EXPECT_EQ(hint->x(), edit->x());
        EXPECT_GE(hint->y(), edit->geometry().bottom());
        EXPECT_LT(hint->y(), edit->geometry().bottom() + 8);
    }

    // The recommended group starts closed: disabled and grey, black once opened.
    EXPECT_FALSE(ui.GroupBox5->isEnabled());
    EXPECT_EQ(ui.GroupBox5->title(), QStringLiteral(" 推荐参数  "));
    for (const QWidget* child :
         {static_cast<const QWidget*>(ui.GroupBox5), static_cast<const QWidget*>(ui.labelEdit5),
          static_cast<const QWidget*>(ui.labelEdit13)}) {
        EXPECT_EQ(child->palette().color(QPalette::Disabled, QPalette::WindowText),
                  QColor(128, 128, 128));
        EXPECT_EQ(child->palette().color(QPalette::Active, QPalette::WindowText), QColor(0, 0, 0));
    }
}

const wormpair::CommandRow* tableRow(std::string_view control) {
    for (const wormpair::CommandRow& row : wormpair::commandTable()) {
        if (row.control == control) return &row;
    }
    return nullptr;
}

struct MenuItem {
    const char* action;  // nullptr: a separator
    const char* caption;
    bool enabled;
};

struct Menu {
    const char* title;
    std::vector<MenuItem> items;
};

TEST_F(Form, MenusInOrderWithTheirItems) {
    const std::vector<Menu> menus = {
        {"文件(&F)",
         {{"N11", "打开", true},
          {nullptr, "", true},
          {"N3", "导出蜗杆参数", false},
          {"N14", "导出蜗轮参数", false},
          {"N4", "导出滚刀参数", false},
          {"NSeries", "系列设计…", true},
          {"N5", "保存", false},
          {"NSaveAs", "另存为…", false},
          {"N6", "退出", true}}},
        {"图纸(&D)",
         {{"DrawingWorm", "蜗杆零件图", false},
          {"DrawingWheel", "蜗轮零件图", false},
          {"DrawingHob", "滚刀图", false},
          {"DrawingMesh", "啮合图", false},
          {"DrawingSettings", "图纸设置…", true}}},
        {"三维模型(&M)",
         {{"ModelWorm", "蜗杆", false},
          {"ModelWheel", "蜗轮", false},
          {"ModelHob", "滚刀", false},
          {"ModelPair", "啮合副", false},
          {"ModelPoints", "测量点…", false}}},
        {"啮合分析(&A)",
         {{"AnalysisPattern", "接触斑点…", false}, {"AnalysisLines", "接触线…", false}}},
        {"设置(&S)",
         {{"N13", "计算法则参数设置", true},
          {"N15", "还原默认设置", true},
          {"N16", "加载用户设置", true},
          {"N17", "另存用户设置", true}}},
        {"更新(&U)", {{"N18", "在线升级", true}}},
        {"设计手册(&G)",
         {{"N20", "推荐参数", true},
          {"N21", "技术资料", true},
          {"N22", "传动精度", true},
          {"N23", "制图示例", true},
          {"N24", "修形原理", true}}},
        {"帮助(&H)", {{"N26", "关于本软件", true}, {"N2", "帮助", true}}},
    };
    const QList<QAction*> top = window->menuBar()->actions();
    ASSERT_EQ(top.size(), qsizetype(menus.size()));
    std::size_t rowIndex = 0;
    for (size_t m = 0; m < menus.size(); ++m) {
        SCOPED_TRACE(menus[m].title);
        EXPECT_EQ(top[m]->text(), QString::fromUtf8(menus[m].title));
        const QMenu* menu = top[m]->menu();
        ASSERT_NE(menu, nullptr);
        const QList<QAction*> items = menu->actions();
        ASSERT_EQ(items.size(), qsizetype(menus[m].items.size()));
        for (qsizetype i = 0; i < items.size(); ++i) {
            const MenuItem& expected = menus[m].items[size_t(i)];
            EXPECT_EQ(items[i]->isSeparator(), expected.action == nullptr) << i;
            if (expected.action == nullptr) continue;
            EXPECT_EQ(items[i]->objectName(), QString::fromLatin1(expected.action));
            EXPECT_EQ(items[i]->text(), QString::fromUtf8(expected.caption)) << expected.action;
            EXPECT_EQ(items[i]->isEnabled(), expected.enabled) << expected.action;
            EXPECT_EQ(window->findChild<QAction*>(QString::fromLatin1(expected.action)), items[i]);
            // the command table agrees, row for row in menu order
            const wormpair::CommandRow* row = tableRow(expected.action);
            ASSERT_NE(row, nullptr) << expected.action;
            EXPECT_EQ(row, &wormpair::commandTable()[rowIndex++]) << expected.action;
            EXPECT_EQ(row->caption, expected.caption);
            EXPECT_TRUE(row->tooltip.empty());
            EXPECT_EQ(row->enabledAtStart, expected.enabled);
            EXPECT_TRUE(row->isMenuItem());
        }
    }
}

TEST_F(Form, ToolbarButtonsInOrder) {
    // nullptr marks a separator.
    const Button tools[] = {
        {"ToolButton15", "", "新建", true},
        {"ToolButton3", "", "打开", true},
        {"ToolButton11", "", "保存", false},
        {nullptr, nullptr, nullptr, false},
        {"ToolButton5", "", "导出蜗杆参数表", false},
        {"ToolButton1", "", "导出蜗轮参数表", false},
        {"ToolButton4", "", "导出滚刀参数表", false},
        {nullptr, nullptr, nullptr, false},
        {"ToolButton7", "", "技术资料", true},
        {"ToolButton8", "", "推荐参数", true},
        {"ToolButton9", "", "精度等级", true},
        {"ToolButton10", "", "绘图示例", true},
        {"ToolButton12", "", "修形原理", true},
        {nullptr, nullptr, nullptr, false},
        {"ToolButton13", "", "关闭", true},
    };
    // Each button's index into the picture list; -1 for the separators.
    const int pictures[] = {0, 11, 1, -1, 2, 3, 4, -1, 5, 6, 7, 8, 9, -1, 10};
    // The toolbar's buttons and separators, left to right.
    std::vector<QWidget*> strip;
    for (QWidget* child : ui.ToolBar1->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const auto* line = qobject_cast<QFrame*>(child);
        if (qobject_cast<QToolButton*>(child) || (line && line->frameShape() == QFrame::VLine))
            strip.push_back(child);
    }
    std::sort(strip.begin(), strip.end(), [](QWidget* a, QWidget* b) { return a->x() < b->x(); });
    ASSERT_EQ(strip.size(), std::size(tools));

    int previousRight = -1;
    for (size_t i = 0; i < strip.size(); ++i) {
        const Button& expected = tools[i];
        EXPECT_GT(strip[i]->x(), previousRight) << i;
        previousRight = strip[i]->geometry().right();
        const auto* button = qobject_cast<QToolButton*>(strip[i]);
        if (expected.name == nullptr) {
            EXPECT_EQ(button, nullptr) << "separator expected at " << i;
            continue;
        }
        SCOPED_TRACE(expected.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->objectName(), QString::fromLatin1(expected.name));
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(expected.toolTip));
        EXPECT_EQ(button->isEnabled(), expected.enabled);
        EXPECT_EQ(button->size(), QSize(39, 38));
        EXPECT_EQ(button->iconSize(), QSize(32, 32));
        EXPECT_TRUE(button->autoRaise());
        EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonIconOnly);
        EXPECT_TRUE(button->text().isEmpty());
        ASSERT_FALSE(button->icon().isNull());
        EXPECT_EQ(button->icon().pixmap(QSize(32, 32)).size(), QSize(32, 32));
        EXPECT_TRUE(QRect(0, 0, 920, 46).contains(button->geometry()));
        // the command table agrees, and the picture is the one of its index
        const wormpair::CommandRow* row = tableRow(expected.name);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->picture, pictures[i]);
        EXPECT_EQ(row->tooltip, expected.toolTip);
        EXPECT_TRUE(row->caption.empty());
        EXPECT_EQ(row->enabledAtStart, expected.enabled);
        const QString picture =
            QString::fromUtf8(wormpair::kToolbarPictures[std::size_t(row->picture)].data());
        EXPECT_EQ(button->icon().pixmap(QSize(32, 32)).toImage(),
                  QIcon(picture).pixmap(QSize(32, 32)).toImage());
    }
    EXPECT_EQ(wormpair::commandTable().size(), 32u + 12u) << "every menu item and button, once";
    EXPECT_LT(previousRight, ui.Label32->x()) << "the notice label starts right of the last button";
}

// Controls of one parent do not cover each other; the edit panel over the
// recommended group's corner is the one overlap the window is drawn with.
TEST_F(Form, SiblingsDoNotOverlap) {
    std::vector<QWidget*> parents = {window->centralWidget()};
    for (QGroupBox* group : window->centralWidget()->findChildren<QGroupBox*>())
        parents.push_back(group);
    for (QWidget* parent : parents) {
        const QList<QWidget*> children = parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (qsizetype a = 0; a < children.size(); ++a) {
            for (qsizetype b = a + 1; b < children.size(); ++b) {
                const QString pair = children[a]->objectName() + "/" + children[b]->objectName();
                if (pair == "GroupBox5/Panel1") continue;
                EXPECT_FALSE(children[a]->geometry().intersects(children[b]->geometry()))
                    << pair.toStdString();
            }
            if (children[a] == ui.Button1) continue;
            EXPECT_TRUE(parent->rect().contains(children[a]->geometry()))
                << children[a]->objectName().toStdString();
        }
    }
}

TEST(ProgressWindow, ShownWithoutWaitingAndHiddenByItsButton) {
    application();
    wormpair::TForm2 progress;
    EXPECT_EQ(progress.windowTitle(), QString("导出文件"));
    EXPECT_EQ(progress.size(), QSize(305, 105));
    EXPECT_FALSE(progress.isModal());
    const auto* panel = progress.findChild<QLabel*>("Panel1");
    auto* cancel = progress.findChild<QPushButton*>("Button1");
    ASSERT_TRUE(panel && cancel);
    EXPECT_EQ(panel->text(), QString("正在保存，请稍候............."));
    EXPECT_EQ(cancel->text(), QString("取  消"));
    EXPECT_EQ(cancel->geometry(), QRect(192, 64, 75, 25));
    progress.show();  // returns at once, painted
    EXPECT_TRUE(progress.isVisible());
    cancel->click();
    EXPECT_FALSE(progress.isVisible());
}

TEST(FormLook, WarningSwitchesTheLabelBackground) {
    application();
    struct Step {
        bool warning;
        QColor background;
    };
    const Step steps[] = {{true, QColor(255, 0, 0)},
                          {true, QColor(255, 0, 0)},
                          {false, QColor(166, 202, 240)},
                          {true, QColor(255, 0, 0)},
                          {false, QColor(166, 202, 240)}};
    QLabel label(QStringLiteral("分度圆齿形角"));
    for (const Step& step : steps) {
        wormpair::forms::setWarning(label, step.warning);
        EXPECT_EQ(label.palette().color(QPalette::Window), step.background);
        EXPECT_EQ(wormpair::forms::isWarning(label), step.warning);
        EXPECT_TRUE(label.autoFillBackground());
    }
}

}  // namespace
