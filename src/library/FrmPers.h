#pragma once

#include "Controls.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QWidget>

namespace tovelo {

// The text shown for a character: every stored part (already deciphered) followed by an empty
// line, with each "##" turned into a line break.
QString characterText(const QStringList& parts);

// The characters and the disciples: a name chosen from the list shows its text.
class FrmPers : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmPers(QWidget* parent = nullptr);
    // Fills the list for the library TipoPers names; the window keeps that library for every
    // later look-up, so list and look-ups always agree.
    void load();
    // Called when TipoPers may have changed while the window is open: refills the list only
    // when it now names the other library.
    void modeChanged();
    bool showsDisciples() const { return disciples_; }

    QComboBox* Combo1;
    QPushButton* Command2;
    QPushButton* Command1;
    QLabel* Label1;
    QPlainTextEdit* Text1;
    QLabel* Label3;

private:
    void Combo1_Click();
    void Command2_Click();
    void Command1_Click();

    bool disciples_ = false;
    bool loaded_ = false;
};

} // namespace tovelo
