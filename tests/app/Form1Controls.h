#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's controls and timers as the window tests reach them: each looked up by
// its object name and type when the set is made, the way MainWindow.ui names it. A control that
// is renamed or changes its type in the form ends the test with its name.

#include "controls/Label3D.h"
#include "controls/RichTextView.h"
#include "controls/SpinEdit.h"

#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QWidget>

namespace tarvel::testing {

template <class T> T* controlOf(const QObject& form, const char* name)
{
    T* found = form.findChild<T*>(QLatin1String(name));
    if (found == nullptr)
        qFatal("the window has no %s of the expected type", name);
    return found;
}

class Form1Controls {
public:
    explicit Form1Controls(const QObject& form) : form_(form) { }

private:
    const QObject& form_;

public:
#define TARVEL_CONTROL(Type, name) Type* const name = controlOf<Type>(form_, #name)
    TARVEL_CONTROL(QChartView, Chart1);
    TARVEL_CONTROL(QChartView, Chart_Filtr);
    TARVEL_CONTROL(QChartView, Chart_PTT);
    TARVEL_CONTROL(QCheckBox, CheckBox_10);
    TARVEL_CONTROL(QCheckBox, CheckBox_5);
    TARVEL_CONTROL(QCheckBox, CheckBox_6);
    TARVEL_CONTROL(QCheckBox, CheckBox_8);
    TARVEL_CONTROL(QCheckBox, CheckBox_9);
    TARVEL_CONTROL(QCheckBox, CheckBox_ModFiltr);
    TARVEL_CONTROL(QCheckBox, CheckBox_RasKS);
    TARVEL_CONTROL(QCheckBox, CheckBox_Zwuk);
    TARVEL_CONTROL(QComboBox, ComboBox1);
    TARVEL_CONTROL(QFrame, Panel2);
    TARVEL_CONTROL(QFrame, Shape_PTT);
    TARVEL_CONTROL(QGroupBox, GroupBox1);
    TARVEL_CONTROL(QGroupBox, GroupBox11);
    TARVEL_CONTROL(QGroupBox, GroupBox19);
    TARVEL_CONTROL(QGroupBox, GroupBox20);
    TARVEL_CONTROL(QGroupBox, GroupBox26);
    TARVEL_CONTROL(QGroupBox, GroupBox28);
    TARVEL_CONTROL(QGroupBox, GroupBox_MasPer);
    TARVEL_CONTROL(QLabel, Image2);
    TARVEL_CONTROL(QLabel, Label_PTT);
    TARVEL_CONTROL(QLabel, StaticText_Error);
    TARVEL_CONTROL(QPlainTextEdit, Memo1);
    TARVEL_CONTROL(QPlainTextEdit, Memo2);
    TARVEL_CONTROL(QPlainTextEdit, Memo_MasIsh);
    TARVEL_CONTROL(QPushButton, Button2);
    TARVEL_CONTROL(QPushButton, Button3);
    TARVEL_CONTROL(QPushButton, Button_FormFile);
    TARVEL_CONTROL(QPushButton, Button_Out);
    TARVEL_CONTROL(QPushButton, Button_Sound);
    TARVEL_CONTROL(QTabWidget, PageControl1);
    TARVEL_CONTROL(QTabWidget, PageControl_UprTx);
    TARVEL_CONTROL(QWidget, TabSheet1);
    TARVEL_CONTROL(QWidget, TabSheet10);
    TARVEL_CONTROL(QWidget, TabSheet11);
    TARVEL_CONTROL(QWidget, TabSheet2);
    TARVEL_CONTROL(QWidget, TabSheet3);
    TARVEL_CONTROL(QWidget, TabSheet6);
    TARVEL_CONTROL(QWidget, TabSheet7);
    TARVEL_CONTROL(RichTextView, RichEdit1);
    TARVEL_CONTROL(RichTextView, RichEdit2);
    TARVEL_CONTROL(RichTextView, RichEdit3);
    TARVEL_CONTROL(RichTextView, RichEdit4);
    TARVEL_CONTROL(SpinEdit, SpinEdit_1);
    TARVEL_CONTROL(SpinEdit, SpinEdit_10);
    TARVEL_CONTROL(SpinEdit, SpinEdit_11);
    TARVEL_CONTROL(SpinEdit, SpinEdit_12);
    TARVEL_CONTROL(SpinEdit, SpinEdit_2);
    TARVEL_CONTROL(SpinEdit, SpinEdit_3);
    TARVEL_CONTROL(SpinEdit, SpinEdit_5);
    TARVEL_CONTROL(SpinEdit, SpinEdit_6);
    TARVEL_CONTROL(SpinEdit, SpinEdit_7);
    TARVEL_CONTROL(SpinEdit, SpinEdit_8);
    TARVEL_CONTROL(SpinEdit, SpinEdit_9);
    TARVEL_CONTROL(SpinEdit, SpinEdit_Alfa);
    TARVEL_CONTROL(SpinEdit, SpinEdit_dF);
    TARVEL_CONTROL(TLabel3D, Label3D1);
    TARVEL_CONTROL(TLabel3D, Label3D2);
    TARVEL_CONTROL(QTimer, Timer1);
    TARVEL_CONTROL(QTimer, Timer2);
#undef TARVEL_CONTROL
};

} // namespace tarvel::testing
