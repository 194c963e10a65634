// Printing the documents of a period: incoming documents by arrival date, outgoing ones by their
// date, through the register's report, without marking rows.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace korvane {

class App;
enum class ReportTarget;

class frmincv : public QDialog {
    Q_OBJECT
public:
    // The caller name is read from App::MsgText, where the opener has just written it.
    explicit frmincv(App& app, QWidget* parent = nullptr);

    // What the registers and lists do: the caller's name ("frmcvden", "frmgridcvden", "frmcvdi",
    // "frmgridcvdi") and the date of its current record as the from-date; shown modally.
    static void Show(App& app, const QString& caller, const QString& dateText);

    QLineEdit *mngay1, *mngay2, *txtle;
    QLabel* Label1;
    QPushButton *cmdOK, *cmdxemin, *cmdpdf, *cmdCancel;

    bool Incoming() const { return incoming_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void print(ReportTarget target);
    bool checkDate(QLineEdit* box);

    App& app_;
    QString caller_;
    bool incoming_ = true;
    QString destination_;  // "window" once "Xem trước khi in" was pressed
    bool checking_ = false;
};

}  // namespace korvane
