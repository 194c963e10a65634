// The message dialog: shows App::MsgText in mode App::MsgMode ("ok", "yesno", or a notice) and
// hands the answer back in App::MsgResult. It grows to fit its message.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace korvane {

class App;

class frmtbao : public QDialog {
    Q_OBJECT
public:
    explicit frmtbao(App& app, QWidget* parent = nullptr);

    // Geometry in twips (15 to a pixel), as the layout is designed.
    static constexpr double kTwipsPerPixel = 15.0;
    double dialogWidthTwips() const { return width_; }
    double dialogHeightTwips() const { return height_; }
    double buttonTopTwips() const { return buttonTop_; }
    double labelTopTwips() const { return labelTop_; }

    QLabel* Label1;
    QPushButton* cmdyes;
    QPushButton* cmdok;
    QPushButton* cmdno;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void fit();
    void place();
    void showText();
    double labelHeightTwips() const;

    App& app_;
    QString saved_;  // the message while the last failure is shown
    bool escPressed_ = false;
    double width_ = 5355, height_ = 2760, labelWidth_ = 4860, labelTop_ = 0;
    double yesLeft_ = 1440, okLeft_ = 2115, noLeft_ = 2790, buttonTop_ = 2250;
};

}  // namespace korvane
