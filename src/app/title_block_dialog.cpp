#include "app/title_block_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace wormpair {

TitleBlockDialog::TitleBlockDialog(const drawing::TitleBlockFields& fields, QWidget* parent)
    : QDialog(parent) {
    setObjectName("TitleBlockDialog");
    setWindowTitle(QStringLiteral("图纸设置"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QStringLiteral("标题栏的填写内容：记在本用户的设置中，写入导出的图纸，不存入设计文件。"), this));

    auto* common = new QGroupBox(QStringLiteral("各图纸共用"), this);
    auto* form = new QFormLayout(common);
    auto* sheets = new QGroupBox(QStringLiteral("各图纸分别填写"), this);
    auto* grid = new QGridLayout(sheets);
    // common fields first, then the sheets row by row: the order Tab follows
    for (const drawing::TitleFieldDefinition& d : drawing::titleFields()) {
        if (d.perSheet) continue;
        auto* edit = new QLineEdit(fields.value(drawing::SheetKind::Worm, d.field), common);
        edit->setObjectName(d.key);
        form->addRow(QString::fromUtf8(d.caption), edit);
        for (const drawing::SheetKindInfo& info : drawing::sheetKinds())
            m_edits[{info.kind, d.field}] = edit;
    }
    int row = 1;
    for (const drawing::SheetKindInfo& info : drawing::sheetKinds()) {
        grid->addWidget(new QLabel(QString::fromUtf8(info.title), sheets), row, 0);
        int column = 1;
        for (const drawing::TitleFieldDefinition& d : drawing::titleFields()) {
            if (!d.perSheet) continue;
            if (row == 1)
                grid->addWidget(new QLabel(QString::fromUtf8(d.caption), sheets), 0, column);
            auto* edit = new QLineEdit(fields.value(info.kind, d.field), sheets);
            edit->setObjectName(QString("%1.%2").arg(info.command, d.key));
            grid->addWidget(edit, row, column++);
            m_edits[{info.kind, d.field}] = edit;
        }
        ++row;
    }
    layout->addWidget(common);
    layout->addWidget(sheets);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    findChild<QLineEdit*>("designer")->setFocus();
}

drawing::TitleBlockFields TitleBlockDialog::fields() const {
    drawing::TitleBlockFields fields;
    for (const auto& [key, edit] : m_edits) fields.set(key.first, key.second, edit->text().trimmed());
    return fields;
}

}  // namespace wormpair
