#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TForm6;
}

namespace wormpair {

// The about box: greeting, usage notes and the change log, read-only.
class TForm6 : public QDialog {
    Q_OBJECT

  public:
    explicit TForm6(QWidget* parent = nullptr);
    ~TForm6() override;

    // The text the box shows, as shipped with the program.
    static QString aboutText();

  private:
    std::unique_ptr<Ui::TForm6> m_ui;
};

}  // namespace wormpair
