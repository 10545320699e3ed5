#pragma once

#include <QDialog>

#include <map>
#include <utility>

#include "drawing/title_block_fields.h"

class QLineEdit;

namespace wormpair {

// 图纸设置: the title block's free fields, common to all sheets (设计, 审核,
// 日期, 单位名称) and for each kind of sheet (图号, 材料, 重量). The edits are
// named "<key>" and "<sheet>.<key>", e.g. "designer", "worm.material".
class TitleBlockDialog : public QDialog {
    Q_OBJECT

  public:
    explicit TitleBlockDialog(const drawing::TitleBlockFields& fields, QWidget* parent = nullptr);

    // The fields as the edits hold them now.
    drawing::TitleBlockFields fields() const;

  private:
    std::map<std::pair<drawing::SheetKind, drawing::TitleField>, QLineEdit*> m_edits;
};

}  // namespace wormpair
