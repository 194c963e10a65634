// A program's text box for trying the keyboard's fcitx5 input method (scripts/keyboard-demo, the
// end-to-end check): a line edit, its text written (whole, replacing the file) to the file named
// on the command line each time it changes. A second file, when named, gets after each change of
// text or caret one line per caret position: the x and y where a click puts the caret there.
#include <QApplication>
#include <QFont>
#include <QLineEdit>
#include <QSaveFile>
#include <QTimer>

namespace {

void replace(const QString& file, const QByteArray& data)
{
    QSaveFile out(file);
    if (out.open(QIODevice::WriteOnly)) {
        out.write(data);
        out.commit();
    }
}

// Where a click lands on each caret position: the middle of the pixels that give it.
QByteArray caretPlaces(QLineEdit& box)
{
    const int y = box.height() / 2;
    QList<int> first(box.text().size() + 1, -1), last(box.text().size() + 1, -1);
    for (int x = 0; x < box.width(); ++x) {
        const int at = box.cursorPositionAt(QPoint(x, y));
        if (at < 0 || at >= first.size()) continue;
        if (first[at] < 0) first[at] = x;
        last[at] = x;
    }
    QByteArray lines;
    for (int k = 0; k < first.size(); ++k)
        lines += QByteArray::number(first[k] < 0 ? -1 : (first[k] + last[k]) / 2) + ' ' + QByteArray::number(y) + '\n';
    return lines;
}

}  // namespace

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
    const QString places = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    if (!file.isEmpty())
        QObject::connect(&box, &QLineEdit::textChanged, [file](const QString& text) { replace(file, text.toUtf8()); });
    if (!places.isEmpty()) {
        const auto write = [&box, places] { QTimer::singleShot(0, &box, [&box, places] { replace(places, caretPlaces(box)); }); };
        QObject::connect(&box, &QLineEdit::textChanged, write);
        QObject::connect(&box, &QLineEdit::cursorPositionChanged, write);
        write();
    }
    box.show();
    return app.exec();
}
