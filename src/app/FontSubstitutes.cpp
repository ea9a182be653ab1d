// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FontSubstitutes.h"

#include <QFont>
#include <QStringList>

namespace tarvel {

void installFontSubstitutes()
{
    // A list per face: the first one installed wins; fontconfig decides if none is.
    QFont::insertSubstitutions(QStringLiteral("Arial Narrow"),
        {QStringLiteral("Liberation Sans Narrow"), QStringLiteral("DejaVu Sans Condensed")});
    QFont::insertSubstitutions(
        QStringLiteral("MS Sans Serif"), {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Courier New"),
        {QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")});
}

} // namespace tarvel
