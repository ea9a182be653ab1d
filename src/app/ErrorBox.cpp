// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ErrorBox.h"

#include <QMessageBox>
#include <QWidget>

namespace tarvel {

QMessageBox* showErrorBox(QWidget* window, const QString& message, const QString& detail)
{
    auto* box = new QMessageBox(
        QMessageBox::Critical, window->windowTitle().trimmed(), message, QMessageBox::Ok, window);
    if (!detail.isEmpty())
        box->setInformativeText(detail);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    return box;
}

} // namespace tarvel
