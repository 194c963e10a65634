// The document searches: a year and a condition per field, in the condition language, make one
// SELECT over that year's register, and the list of the documents found opens over it. The
// incoming and outgoing searches are one window with their own fields.
#pragma once

#include "formkit.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace korvane {

class App;

class DocumentSearch : public QWidget {
    Q_OBJECT
public:
    ~DocumentSearch() override;

    QComboBox* Combonamlamviec;
    QLineEdit *mstt, *mng_cv1, *mng_cv2, *mdv_nhan, *mtt_ndung, *mso_cv, *mloai;
    QLabel* lblhuongdan;
    QPushButton *cmdtracuu, *cmdxoa, *cmdclose;
    QCheckBox* chkkhongdau;

    // Runs the search; false when it stopped (the reason was said).
    bool Search();
    void ClearConditions();
    void CloseSearch();

    // The lists its pick grids offer: the values used in the working year (from the main window)
    // or the reference lists (at first, and from a register window).
    void UseYearLists();
    // Offers the years of the register's tables as they are now; the year chosen stays chosen
    // while it is one of them (at first: the working year).
    void FillYears();

protected:
    struct Condition {
        QLineEdit* box;
        enum Kind { Number, Dates, Text } kind;
        QString field;           // as the clause names it: "[noigui]"
        QLineEdit* to = nullptr;  // the end of a period
        QString orderMessage = {};  // a period in the wrong order, at search time
        QString leaveMessage = {};  // the same, when its end is left
    };
    struct Pick {
        DBGrid* grid;
        QLineEdit* box;
        bool singleClick;
        QString column;           // of the year's table, for the lists of the main window
        QString reference;        // the reference table: "donvi", "noigui", "loaicv"
        bool units;               // the reference table lies in the plan side's file
    };
    struct Expansion {
        QLineEdit* box;
        std::function<engine::Recordset*()> list;
        QString column;
        bool onKeys, onLeave;
    };

    DocumentSearch(App& app, const QString& prefix);
    QLineEdit* box(const char* name, int limit);
    DBGrid* pickGrid(const char* name);
    // A period's two boxes on one row: from … "đến ngày" … to.
    QWidget* period(QLineEdit* from, QLineEdit* to);
    // Lays out the conditions (label, box) and the controls the two searches share.
    void finish(const QList<QPair<QString, QWidget*>>& rows, const QString& helpFirstLine);
    virtual bool registerKey(QLineEdit*, int) { return false; }
    // Where "Kết thúc" goes back to: the register the search came from, or the main window.
    virtual void showRegister() = 0;

    App& app_;
    QString prefix_;  // "cvden" or "cvdi"
    QList<Condition> conditions_;  // in the order they enter the clause
    QList<Pick> picks_;
    QList<Expansion> expansions_;
    std::unique_ptr<engine::Recordset> unitList_, senderList_, typeList_;
    std::vector<std::unique_ptr<engine::Recordset>> lists_;

    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void useReferenceLists();
    bool checkDate(QLineEdit* box);
    bool checkNumber();
    bool periodInOrder(const Condition& c, const QString& message, QWidget* focus);
    void fieldLeft(QLineEdit* box);
    void keyReleased(QLineEdit* box, int code, bool shift);
    void pick(const Pick& p, int row);
    // Binds a pick grid to its list (null: a list that could not be read shows no rows).
    void setList(const Pick& p, engine::Recordset* rs);
    // Opens every pick grid's list with `open`, and only then lets go of the lists they showed.
    void openLists(const std::function<std::unique_ptr<engine::Recordset>(const Pick&)>& open);

    bool checking_ = false;
};

class frmtracuucvden : public DocumentSearch {
    Q_OBJECT
public:
    explicit frmtracuucvden(App& app);
    // The one search window of the incoming register, made when first needed.
    static frmtracuucvden* Instance(App& app);

    QLineEdit *mng_den1, *mng_den2, *mcd_dang, *mmat, *mnoigui;
    DBGrid *DBGriddv_nhan, *DBGridnoigui, *DBGridloai;

protected:
    bool registerKey(QLineEdit* box, int code) override;
    void showRegister() override;
};

class frmtracuucvdi : public DocumentSearch {
    Q_OBJECT
public:
    explicit frmtracuucvdi(App& app);
    static frmtracuucvdi* Instance(App& app);

    QLineEdit *mnoiluu, *mnguoiky;
    DBGrid *DBGriddv_nhan, *DBGridnoiluu, *DBGridloai;

protected:
    void showRegister() override;
};

}  // namespace korvane
