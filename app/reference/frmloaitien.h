// The users window: the users table "nguoidung" of the plan reference file. An administrator
// sees, adds, corrects and deletes every user; anybody else sees only their own row and changes
// only its password.
#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace engine {
class Database;
class DbError;
}

namespace korvane {

class App;
class BoundLineEdit;
class DataSource;
class DBGrid;

class frmloaitien : public QDialog {
    Q_OBJECT
public:
    // `administrator`: every user is shown and may be changed; otherwise only the row of
    // app.UserFullName, and only its password.
    frmloaitien(App& app, bool administrator, QWidget* parent = nullptr);
    ~frmloaitien() override;

    DataSource* Data1;
    DBGrid* DBGrid1;
    BoundLineEdit* txthoten;
    BoundLineEdit* txttentrenmang;
    BoundLineEdit* txtmatkhau;
    QLineEdit* txtnhaplaimatkhau;  // the new password typed a second time
    QLineEdit* txtquyenhan;
    QLineEdit* Txtkieuform;
    QLineEdit* txtvitri;
    QGroupBox* Framequyenhan;
    QCheckBox* Checkquantri;
    QCheckBox* Checkxemketoan;
    QLabel* lbltrangthai;
    QPushButton* cmdAdd;
    QPushButton* Cmdsua;
    QPushButton* cmdUpdate;
    QPushButton* cmdDelete;
    QPushButton* cmdclose;

    // "nap" while a user is being added, "sua" while one is corrected, empty while viewing.
    const QString& Mode() const { return mode_; }

public slots:
    // Esc, the window's close box and "&Kết thúc" all close through the same check.
    void reject() override;

private:
    void load();
    void showRow();
    void toView();
    void onAdd();
    void onEdit();
    bool onSave();
    void onDelete();
    void rightsClicked();
    bool mayClose();
    void dataError(const engine::DbError& e);
    // Fails (the write is undone) when the table, as the transaction now holds it, has users
    // but no administrator.
    void requireAdministrator();
    QString viewStatus() const;

    App& app_;
    engine::Database* db_;
    bool admin_;
    QString mode_;
    bool standIn_ = false;  // the password box shows the stand-in of a stored password
};

// Registers the window under the main window's users item.
void InstallUserWindow(App& app);

}  // namespace korvane
