#pragma once

#include "Controls.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

namespace tovelo {

// The chapter reader: period, book, chapter and a range of verses, then the passage.
class FrmLivros : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmLivros(QWidget* parent = nullptr);
    void load();

    QComboBox* Combo1;
    QComboBox* Combo2;
    QLabel* Label1;
    QComboBox* Combo3;
    QLabel* Label3;
    QComboBox* Combo4;
    QLabel* Label4;
    QComboBox* Combo5;
    QPushButton* Command1;
    QPlainTextEdit* Text1;

private:
    void Combo1_Click();
    void Combo2_Click();
    void Combo3_Click();
    void Combo5_Click();
};

} // namespace tovelo
