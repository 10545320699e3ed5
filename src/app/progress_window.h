#pragma once

#include <QDialog>

#include <memory>

#include "platform/platform.h"

namespace Ui {
class TForm2;
}

namespace wormpair {

// The export progress window: "正在保存，请稍候" while a parameter sheet is
// stored. Shown without waiting; its button only hides it.
class TForm2 : public QDialog, public ProgressWindow {
    Q_OBJECT

  public:
    explicit TForm2(QWidget* parent = nullptr);
    ~TForm2() override;

    void show() override;
    void close() override;

  private:
    std::unique_ptr<Ui::TForm2> m_ui;
};

}  // namespace wormpair
