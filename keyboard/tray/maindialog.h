// The settings dialog MAIN, the ABOUT box and the floating toolbar: widgets only. What their
// controls do is the tray program's (trayprogram.h); the marks they show are set from the settings
// by refresh(), never by a click on their own.
#pragma once

#include "traysettings.h"

#include <QDialog>
#include <QWidget>

class QAbstractButton;
class QCheckBox;
class QPushButton;
class QRadioButton;

namespace kesmir::tray {

class MainDialog : public QDialog {
    Q_OBJECT
public:
    explicit MainDialog(QWidget* parent = nullptr);

    void refresh(const Settings& settings);
    // The control of an id ("103", "1000", ...).
    QAbstractButton* control(int id) const;

    // Esc does nothing here: the dialog is left by its buttons or its close box.
    void reject() override {}

signals:
    void controlClicked(int id);
    void closeRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QRadioButton* radio(int id, const char* text);
    QCheckBox* check(int id, const char* text);
    QPushButton* button(int id, const char* text);
};

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
};

// A frameless tool window that stays above the others, with three buttons side by side.
class FloatBar : public QWidget {
    Q_OBJECT
public:
    explicit FloatBar(QWidget* parent = nullptr);

    void refresh(const Settings& settings);
    QAbstractButton* button(int id) const;

signals:
    void modePressed();   // button 1 pressed
    void modeClicked();   // button 1 released over it
    void mainClicked();   // button 2
    void converterClicked();  // button 3

protected:
    void closeEvent(QCloseEvent* event) override;
};

}  // namespace kesmir::tray
