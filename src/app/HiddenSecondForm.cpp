// SPDX-License-Identifier: GPL-3.0-or-later
// Unit2: TForm2, the hidden second form.
#include "app/HiddenSecondForm.h"

#include "ui_HiddenSecondForm.h"

namespace tarvel {

TForm2::TForm2(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::TForm2>())
{
    ui->setupUi(this);
}

TForm2::~TForm2() = default;

} // namespace tarvel
