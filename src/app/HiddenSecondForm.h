#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Unit2: TForm2, the second form. It has no controls and no handlers; start-up creates it after
// the main window and leaves it hidden for the whole run.

#include <QWidget>

#include <memory>

namespace Ui {
class TForm2;
}

namespace tarvel {

class TForm2 : public QWidget {
    Q_OBJECT

public:
    explicit TForm2(QWidget* parent = nullptr);
    ~TForm2() override;

private:
    std::unique_ptr<Ui::TForm2> ui;
};

} // namespace tarvel
