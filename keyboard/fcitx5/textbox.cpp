// A program's text box for trying the keyboard's fcitx5 input method (scripts/keyboard-demo, the
// end-to-end check): a line edit, its text written (whole, replacing the file) to the file named
// on the command line each time it changes.
#include <QApplication>
#include <QFont>
#include <QLineEdit>
#include <QSaveFile>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QLineEdit box;
    box.setWindowTitle("kesmir textbox");
    box.setPlaceholderText("Gõ Telex ở đây: Tieengs Vieetj");
    QFont font = box.font();
    font.setPointSize(16);
    box.setFont(font);
    box.resize(900, 60);
    const QString file = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (!file.isEmpty()) {
        QObject::connect(&box, &QLineEdit::textChanged, [file](const QString& text) {
            QSaveFile out(file);
            if (out.open(QIODevice::WriteOnly)) {
                out.write(text.toUtf8());
                out.commit();
            }
        });
    }
    box.show();
    return app.exec();
}
