// The login dialog: at start-up (mode "ktranguoidung") and for the administrator re-check
// (mode "ktraquyenquantri"). It sets App::UserFullName, UserRights and RecheckRights.
#pragma once

#include <QDialog>

#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace engine {
class Database;
class Recordset;
}

namespace korvane {

class App;

class frmlogin : public QDialog {
    Q_OBJECT
public:
    frmlogin(App& app, const QString& mode, QWidget* parent = nullptr);
    ~frmlogin() override;

    QLineEdit* txtUserName;
    QLineEdit* txtPassword;
    QComboBox* Combotenbangthamkhao;
    QLineEdit* Txtchedologin;
    QLabel* Label1;
    QPushButton* cmdok;
    QPushButton* cmdCancel;

    int failedAttempts() const { return failures_; }

public slots:
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool readUsers();  // false when the users table cannot be read
    void openUsers();
    void onContinue();
    void onCancel();
    bool findUser(const QString& criteria);
    // The first row of `criteria` whose stored password is `password`; it becomes the current row.
    bool findUserWithPassword(const QString& criteria, const QString& password);
    // The current row's password, still kept in clear, is written hashed.
    void hashClearPassword(const QString& password);
    void accept(const QString& fullName, const QString& rights);

    App& app_;
    std::unique_ptr<engine::Database> db_;
    std::unique_ptr<engine::Recordset> users_;
    int failures_ = 0;
};

// Asks for the name and password again. Kind "q": an administrator is required, and the result is
// "q" or empty. Any other kind: the re-entered user's rights, or empty when cancelled.
QString KiemtraQuyenQuantri(App& app, const QString& kind);

}  // namespace korvane
