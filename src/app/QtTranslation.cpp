// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstring>

namespace tarvel {

namespace {

// "OK" of the standard buttons, in Cyrillic letters.
class CyrillicOk final : public QTranslator {
public:
    using QTranslator::QTranslator;

    bool isEmpty() const override { return false; }

    QString translate(const char* context, const char* sourceText, const char* disambiguation = nullptr,
        int n = -1) const override
    {
        Q_UNUSED(disambiguation)
        Q_UNUSED(n)
        if (context == nullptr || sourceText == nullptr)
            return {};
        const bool buttonText
            = std::strcmp(context, "QPlatformTheme") == 0 || std::strcmp(context, "QDialogButtonBox") == 0;
        if (buttonText && std::strcmp(sourceText, "OK") == 0)
            return QStringLiteral("ОК");
        return {};
    }
};

} // namespace

bool installQtRussianTranslation(QCoreApplication& application)
{
    auto* qtRussian = new QTranslator(&application);
    const bool loaded
        = qtRussian->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (loaded)
        QCoreApplication::installTranslator(qtRussian);
    else
        delete qtRussian;
    // Installed last, so it is asked first.
    QCoreApplication::installTranslator(new CyrillicOk(&application));
    return loaded;
}

} // namespace tarvel
