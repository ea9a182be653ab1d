// SPDX-License-Identifier: GPL-3.0-or-later
// Qt's own texts in Russian like the rest of the window: the standard buttons of a message
// box, "ОК" in Cyrillic letters included, once the translation is installed.

#include "app/QtTranslation.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

using namespace tarvel;

class TestQtTranslation : public QObject {
    Q_OBJECT

private slots:
    void standardButtonsSpeakRussian()
    {
        QVERIFY(installQtRussianTranslation(*qApp));
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Tarvel"), QStringLiteral("..."),
            QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Close);
        QCOMPARE(box.button(QMessageBox::Ok)->text(), QStringLiteral("\u041E\u041A")); // Cyrillic О, К
        QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("Отмена"));
        QCOMPARE(box.button(QMessageBox::Close)->text(), QStringLiteral("Закрыть"));
    }
};

QTEST_MAIN(TestQtTranslation)
#include "tst_qttranslation.moc"
