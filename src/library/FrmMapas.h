#pragma once

#include "Controls.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

namespace tovelo {

// Whether a picture name from the Mapas table stays inside the Mapas folder.
bool isSafeMapName(const QString& name);

// The historical maps: a title chosen from the list shows its picture, stretched to the frame.
class FrmMapas : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmMapas(QWidget* parent = nullptr);
    void load();

    QComboBox* Combo1;
    QPushButton* Command1;
    QLabel* Image1;
    QLabel* Label3;

private:
    void Combo1_Click();
};

} // namespace tovelo
