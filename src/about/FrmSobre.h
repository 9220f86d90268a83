#pragma once

#include "Controls.h"

#include <QPlainTextEdit>
#include <QString>
#include <QWidget>

namespace tovelo {

// The thanks, the program's name and version, the credits and the contact line (CR LF breaks).
QString aboutText();

class FrmSobre : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmSobre(QWidget* parent = nullptr);
    void load();

    QPlainTextEdit* Text1;
};

} // namespace tovelo
