#include "autotext.h"

#include "tcvn3.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace kesmir::tray {

namespace {

QString fromTcvn3(const std::string& bytes) { return QString::fromStdU16String(tcvn3::decode(bytes)); }

std::string folded(const std::string& bytes)
{
    std::string out = bytes;
    for (char& c : out) c = static_cast<char>(tcvn3::foldByte(static_cast<unsigned char>(c)));
    return out;
}

// The text in TCVN3, or the reason it cannot be: the first character the code cannot hold. A
// capital vowel with a tone has no code of its own (it would come back small), so it counts too.
QString encode(const QString& text, std::string* out)
{
    const QString composed = text.normalized(QString::NormalizationForm_C);
    const tcvn3::Encoded encoded = tcvn3::encode(composed.toStdU16String());
    // Encoding stops at a character it cannot hold: what comes back is the text before it.
    const QString back = fromTcvn3(encoded.bytes);
    qsizetype same = 0;
    while (same < back.size() && same < composed.size() && back[same] == composed[same]) ++same;
    if (!encoded.ok() || same < composed.size())
        return QStringLiteral("Chữ \"%1\" không có trong bảng mã TCVN3 !").arg(composed.mid(same, 1));
    *out = encoded.bytes;
    return {};
}

}  // namespace

AutoTextTable::AutoTextTable(IniFiles ini) : ini_(std::move(ini)) {}

void AutoTextTable::Load()
{
    records_.clear();
    // The key list as the engine reads it, so that the list shows what the engine loads.
    char keys[640];
    const int n = ini_.Get(kAutoTextSection, nullptr, "", keys, sizeof keys, kAutoTextFile);
    for (const char* k = keys; k < keys + n && *k; k += std::char_traits<char>::length(k) + 1) {
        const std::string key(k);
        if (key.size() > 8) continue;
        // A key written twice in the same case reads as its first line, which the engine expands:
        // the later line is left as it is, out of the list.
        if (find({key, {}}) >= 0) continue;
        char value[120];
        ini_.Get(kAutoTextSection, k, "", value, sizeof value, kAutoTextFile);
        records_.push_back({key, value});
    }
}

int AutoTextTable::find(const AutoTextRecord& record) const
{
    for (int row = 0; row < static_cast<int>(records_.size()); ++row)
        if (records_[static_cast<std::size_t>(row)].abbreviation == record.abbreviation) return row;
    return -1;
}

QString AutoTextTable::LineOf(const AutoTextRecord& record)
{
    return fromTcvn3(record.abbreviation) + QStringLiteral("  . . .  ") + fromTcvn3(record.replacement);
}

QString AutoTextTable::check(const QString& abbreviationText, const QString& replacementText, int skipRow,
                             AutoTextRecord* out) const
{
    const QString abbreviation = abbreviationText.left(kAbbreviationMax);
    const QString replacement = replacementText.left(kReplacementMax).trimmed();
    if (abbreviation.isEmpty() || replacement.isEmpty()) return {};
    // The file's lines are "abbreviation=replacement", read back trimmed; "[" opens a section and
    // ";" a comment there.
    for (const QChar c : abbreviation)
        if (c == u'=' || c.isSpace())
            return QStringLiteral("Từ gõ tắt không được có dấu '=' hay khoảng trắng !");
    if (abbreviation.startsWith(u'[') || abbreviation.startsWith(u';'))
        return QStringLiteral("Từ gõ tắt không được bắt đầu bằng '[' hay ';' !");
    if (QString reason = encode(abbreviation, &out->abbreviation); !reason.isEmpty()) return reason;
    if (QString reason = encode(replacement, &out->replacement); !reason.isEmpty()) return reason;
    // The file finds a key whatever its letter case, the expansion only in its own case: two
    // abbreviations that differ in case only would share one line of the file.
    const std::string key = folded(out->abbreviation);
    for (int row = 0; row < static_cast<int>(records_.size()); ++row) {
        if (row == skipRow || folded(records_[static_cast<std::size_t>(row)].abbreviation) != key) continue;
        return QStringLiteral("Từ gõ tắt \"%1\" đã có rồi (\"%2\") !")
            .arg(abbreviation, fromTcvn3(records_[static_cast<std::size_t>(row)].abbreviation));
    }
    return {};
}

namespace {

QString notWritten(const IniFiles& ini)
{
    return QStringLiteral("Không ghi được file %1 !").arg(QString::fromStdString(ini.folder() + "/" + kAutoTextFile));
}

QString goneElsewhere(const AutoTextRecord& record)
{
    return QStringLiteral("Từ gõ tắt \"%1\" vừa bị đổi hay xoá ở nơi khác, danh sách đã được đọc lại !")
        .arg(fromTcvn3(record.abbreviation));
}

}  // namespace

// Every action reads the file again first: another program, or the dialog of another session, may
// have changed it since the list was shown, and nothing of theirs is written over.
QString AutoTextTable::Add(const QString& abbreviation, const QString& replacement, bool* done)
{
    *done = false;
    Load();
    AutoTextRecord record;
    if (QString reason = check(abbreviation, replacement, -1, &record); !reason.isEmpty() || record.abbreviation.empty())
        return reason;
    if (static_cast<int>(records_.size()) >= kRecordsMax)
        return QStringLiteral("Đã có đủ %1 từ gõ tắt, không thêm được nữa !").arg(kRecordsMax);
    if (!ini_.Write(kAutoTextSection, record.abbreviation.c_str(), record.replacement.c_str(), kAutoTextFile))
        return notWritten(ini_);
    Load();
    *done = true;
    return {};
}

QString AutoTextTable::Modify(int row, const QString& abbreviation, const QString& replacement, bool* done, int* at)
{
    *done = false;
    if (row < 0 || row >= static_cast<int>(records_.size())) return {};
    const AutoTextRecord chosen = records_[static_cast<std::size_t>(row)];
    Load();
    row = find(chosen);
    if (row < 0) return goneElsewhere(chosen);
    AutoTextRecord record;
    if (QString reason = check(abbreviation, replacement, row, &record); !reason.isEmpty() || record.abbreviation.empty())
        return reason;
    // The new key takes the old one's line, so that the file keeps the order of the list.
    if (!ini_.Rename(kAutoTextSection, chosen.abbreviation.c_str(), record.abbreviation.c_str(), record.replacement.c_str(),
                     kAutoTextFile))
        return notWritten(ini_);
    Load();
    if (at) *at = find(record);
    *done = true;
    return {};
}

QString AutoTextTable::Delete(int row, bool* done)
{
    *done = false;
    if (row < 0 || row >= static_cast<int>(records_.size())) return {};
    const AutoTextRecord chosen = records_[static_cast<std::size_t>(row)];
    Load();
    row = find(chosen);
    if (row < 0) return goneElsewhere(chosen);
    if (!ini_.Write(kAutoTextSection, chosen.abbreviation.c_str(), nullptr, kAutoTextFile)) return notWritten(ini_);
    Load();  // a later line of the same key, if the file had one, now shows
    *done = true;
    return {};
}

AutoTextDialog::AutoTextDialog(const IniFiles& ini, QWidget* parent) : QDialog(parent), table_(ini)
{
    setObjectName(QStringLiteral("AUTOTEXT"));
    setWindowTitle(QStringLiteral("AutoText"));

    auto* heading = new QLabel(QStringLiteral("( Định nghĩa gõ tắt )"));
    heading->setAlignment(Qt::AlignCenter);
    abbreviation_ = new QLineEdit;
    abbreviation_->setObjectName(QStringLiteral("1002"));
    abbreviation_->setMaxLength(kAbbreviationMax);
    replacement_ = new QLineEdit;
    replacement_->setObjectName(QStringLiteral("1003"));
    replacement_->setMaxLength(kReplacementMax);
    auto* replaceLabel = new QLabel(QStringLiteral("Replace"));
    replaceLabel->setBuddy(abbreviation_);
    auto* withLabel = new QLabel(QStringLiteral("With"));
    withLabel->setBuddy(replacement_);
    list_ = new QListWidget;
    list_->setObjectName(QStringLiteral("1001"));
    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("status"));
    status_->setWordWrap(true);
    status_->setStyleSheet(QStringLiteral("color: #a00000"));

    auto button = [this](const char* name, const char* text) {
        auto* b = new QPushButton(QString::fromUtf8(text));
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    QPushButton* addButton = button("1005", "&Add");
    QPushButton* modifyButton = button("1004", "&Modify");
    QPushButton* deleteButton = button("1006", "&Delete");
    QPushButton* okButton = button("1012", "&OK");

    auto* fields = new QGridLayout;
    fields->addWidget(replaceLabel, 0, 0);
    fields->addWidget(withLabel, 0, 1);
    fields->addWidget(abbreviation_, 1, 0);
    fields->addWidget(replacement_, 1, 1);
    fields->setColumnStretch(1, 4);
    fields->setColumnStretch(0, 1);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {addButton, modifyButton, deleteButton, okButton}) buttons->addWidget(b);
    buttons->addStretch();
    auto* middle = new QHBoxLayout;
    middle->addWidget(list_, 1);
    middle->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addLayout(fields);
    layout->addLayout(middle, 1);
    layout->addWidget(status_);
    resize(440, 330);

    connect(list_, &QListWidget::currentRowChanged, this, &AutoTextDialog::lineChosen);
    connect(addButton, &QPushButton::clicked, this, &AutoTextDialog::add);
    connect(modifyButton, &QPushButton::clicked, this, &AutoTextDialog::modify);
    connect(deleteButton, &QPushButton::clicked, this, &AutoTextDialog::remove);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);

    table_.Load();
    fill(-1);
    abbreviation_->setFocus();
}

void AutoTextDialog::fill(int current)
{
    const QSignalBlocker quiet(list_);
    list_->clear();
    for (const AutoTextRecord& record : table_.records()) list_->addItem(AutoTextTable::LineOf(record));
    list_->setCurrentRow(current);
}

void AutoTextDialog::lineChosen(int row)
{
    if (row < 0 || row >= static_cast<int>(table_.records().size())) return;
    const AutoTextRecord& record = table_.records()[static_cast<std::size_t>(row)];
    abbreviation_->setText(QString::fromStdU16String(tcvn3::decode(record.abbreviation)));
    replacement_->setText(QString::fromStdU16String(tcvn3::decode(record.replacement)));
    status_->clear();
}

void AutoTextDialog::report(const QString& reason)
{
    status_->setText(reason);
    if (!reason.isEmpty()) QApplication::beep();
    abbreviation_->setFocus();
}

// The list shows the table as the action left it (read again from the file); the chosen line
// stays chosen wherever it now is, unless it was deleted.
std::string AutoTextDialog::chosen() const
{
    const int row = list_->currentRow();
    return row >= 0 && row < static_cast<int>(table_.records().size()) ? table_.records()[static_cast<std::size_t>(row)].abbreviation
                                                                       : std::string();
}

void AutoTextDialog::reselect(const std::string& abbreviation)
{
    int row = -1;
    for (int k = 0; k < static_cast<int>(table_.records().size()) && !abbreviation.empty(); ++k)
        if (table_.records()[static_cast<std::size_t>(k)].abbreviation == abbreviation) row = k;
    fill(row);
}

void AutoTextDialog::add()
{
    bool done = false;
    const std::string before = chosen();
    const QString reason = table_.Add(abbreviation_->text(), replacement_->text(), &done);
    reselect(before);
    report(reason);
}

void AutoTextDialog::modify()
{
    bool done = false;
    const std::string before = chosen();
    int at = -1;
    const QString reason = table_.Modify(list_->currentRow(), abbreviation_->text(), replacement_->text(), &done, &at);
    if (done) fill(at);
    else reselect(before);
    report(reason);
}

void AutoTextDialog::remove()
{
    bool done = false;
    const std::string before = chosen();
    const QString reason = table_.Delete(list_->currentRow(), &done);
    reselect(done ? std::string() : before);
    report(reason);
}

}  // namespace kesmir::tray
