#include "frmmain.h"

#include "app.h"
#include "datafiles.h"
#include "formkit.h"
#include "frmlogin.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

namespace korvane {

frmMain::frmMain(App& app, QWidget* parent) : QMainWindow(parent), app_(app)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QLatin1String(kTitle));
    buildButtons();
    buildMenus();
    PressButtonsWithEnter(this);
    resize(760, 560);
    app_.Owner().SetMainWindow(this);
    // Every window shown from here on is noted, so that closing closes the latest first.
    qApp->installEventFilter(this);
}

void frmMain::buildButtons()
{
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    lblBanner1 = new QLabel(central);
    lblBanner1->setObjectName(QStringLiteral("lblBanner1"));
    lblBanner2 = new QLabel(QStringLiteral("Quản lý công văn đến, công văn đi, kế hoạch công tác và lịch làm việc"), central);
    lblBanner2->setObjectName(QStringLiteral("lblBanner2"));
    QFont big = lblBanner1->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    lblBanner1->setFont(big);
    for (QLabel* l : {lblBanner1, lblBanner2}) {
        l->setAlignment(Qt::AlignCenter);
        l->setStyleSheet(QStringLiteral("color: #1a3d7c;"));
        layout->addWidget(l);
    }
    SetBanner(QString());
    Lblnamlamviec = new QLabel(central);
    Lblnamlamviec->setObjectName(QStringLiteral("Lblnamlamviec"));
    Lblnamlamviec->setToolTip(QStringLiteral("Nháy đúp để chọn năm làm việc"));
    Lblnamlamviec->installEventFilter(this);
    QFont yearFont = Lblnamlamviec->font();
    yearFont.setBold(true);
    Lblnamlamviec->setFont(yearFont);
    Lblnamlamviec->setAlignment(Qt::AlignCenter);
    Lblfiledulieu = new QLabel(central);
    Lblfiledulieu->setObjectName(QStringLiteral("Lblfiledulieu"));
    Lblfiledulieu->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(Lblnamlamviec);
    layout->addWidget(Lblfiledulieu);
    cmdchuaxuly = new QPushButton(central);
    cmdchuaxuly->setObjectName(QStringLiteral("cmdchuaxuly"));
    cmdchuaxuly->setFlat(true);
    cmdchuaxuly->setCursor(Qt::PointingHandCursor);
    cmdchuaxuly->setToolTip(QStringLiteral("Bấm để xem danh sách các công văn đến chưa xử lý xong"));
    cmdchuaxuly->setStyleSheet(QStringLiteral("QPushButton { color: #b22222; font-weight: bold; text-decoration: underline; }"));
    layout->addWidget(cmdchuaxuly, 0, Qt::AlignHCenter);

    auto* groups = new QGridLayout;
    auto group = [&](const QString& heading, int row, int column,
                     std::initializer_list<std::pair<QPushButton**, std::pair<const char*, QString>>> buttons) {
        auto* box = new QGroupBox(heading, central);
        auto* v = new QVBoxLayout(box);
        for (const auto& [slot, nameAndCaption] : buttons) {
            auto* b = new QPushButton(nameAndCaption.second, box);
            b->setObjectName(QLatin1String(nameAndCaption.first));
            b->setMinimumHeight(32);
            v->addWidget(b);
            *slot = b;
        }
        groups->addWidget(box, row, column);
    };
    group(QStringLiteral("Công văn đến"), 0, 0,
          {{&cmdtracuucvden, {"cmdtracuucvden", QStringLiteral("Tra cứu CV đến")}},
           {&Cmdxemcvden, {"Cmdxemcvden", QStringLiteral("Xem CV đến")}},
           {&cmdnapcvden, {"cmdnapcvden", QStringLiteral("Nạp, sửa, in CV đến")}}});
    group(QStringLiteral("Công văn đi"), 0, 1,
          {{&cmdtracuucvdi, {"cmdtracuucvdi", QStringLiteral("Tra cứu CV đi")}},
           {&cmdnapcvdi, {"cmdnapcvdi", QStringLiteral("Nạp, sửa, in CV đi")}},
           {&cmdxemcvdi, {"cmdxemcvdi", QStringLiteral("Xem CV đi")}}});
    group(QStringLiteral("kế hoạch công tác"), 1, 0,
          {{&cmdxemkh, {"cmdxemkh", QStringLiteral("Xem kế hoạch")}},
           {&cmdtracuukh, {"cmdtracuukh", QStringLiteral("Tra cứu kế hoạch")}},
           {&cmdnapkh, {"cmdnapkh", QStringLiteral("Nạp, sửa kế hoạch")}}});
    group(QStringLiteral("Lịch làm việc"), 1, 1,
          {{&Cmdxemlich, {"Cmdxemlich", QStringLiteral("Xem lịch tuần")}},
           {&cmdnaplich, {"cmdnaplich", QStringLiteral("Nạp, sửa lịch tuần")}},
           {&cmdtracuulich, {"cmdtracuulich", QStringLiteral("Tra cứu lịch tuần")}}});
    layout->addLayout(groups);
    Cmdclose = new QPushButton(QStringLiteral("&Kết thúc"), central);
    Cmdclose->setObjectName(QStringLiteral("Cmdclose"));
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(Cmdclose);
    layout->addLayout(bottom);
    setCentralWidget(central);

    // Each button: its group's data file, the mode of the window it opens.
    const auto doc = [this] { return app_.DocFile; };
    const auto plan = [this] { return app_.PlanFile; };
    struct Wiring {
        QPushButton* button;
        std::function<QString()> file;
        const char* mode;
    };
    const Wiring wiring[] = {
        {cmdnapcvden, doc, "xemcv"},        {cmdnapcvdi, doc, "xemcv"},          {cmdtracuucvden, doc, "tracuucv"},
        {cmdtracuucvdi, doc, "tracuucv"},   {Cmdxemcvden, doc, "xembangcv"},     {cmdxemcvdi, doc, "xembangcv"},
        {cmdnapkh, plan, "xemkehoach"},     {cmdnaplich, plan, "xemlich"},       {cmdtracuukh, plan, "tracuukehoach"},
        {cmdtracuulich, plan, "tracuulich"}, {cmdxemkh, plan, "xemgridkehoach"}, {Cmdxemlich, plan, "xemlichtuan"},
    };
    for (const Wiring& w : wiring) {
        QPushButton* b = w.button;
        const auto file = w.file;
        const QString mode = QLatin1String(w.mode);
        connect(b, &QPushButton::clicked, this, [this, b, file, mode] { OpenFromButton(b->objectName(), file(), mode); });
    }
    connect(Cmdclose, &QPushButton::clicked, this, &QWidget::close);
    connect(cmdchuaxuly, &QPushButton::clicked, this,
            [this] { OpenFromButton(QStringLiteral("cmdchuaxuly"), app_.DocFile, QStringLiteral("xembangcv")); });
}

void frmMain::buildMenus()
{
    auto item = [this](QMenu* menu, QAction*& slot, const char* name, const QString& caption) {
        slot = menu->addAction(caption);
        slot->setObjectName(QLatin1String(name));
    };
    mnunap = menuBar()->addMenu(QStringLiteral("&Nạp sửa các danh sách"));
    mnunap->setObjectName(QStringLiteral("mnunap"));
    item(mnunap, mnutendonvi, "mnutendonvi", QStringLiteral("Nạp sửa tên đơn vị dùng phần mềm"));
    item(mnunap, mnunapdonvi, "mnunapdonvi", QStringLiteral("Nạp sửa danh sách ban, đơn vị trực thuộc"));
    item(mnunap, mnunapbophan, "mnunapbophan", QStringLiteral("Nạp sửa danh sách phòng, bộ phận"));
    item(mnunap, mnunapnoigui, "mnunapnoigui", QStringLiteral("Nạp sửa danh sách các đơn vị thường gửi, nhận công văn"));
    item(mnunap, mnunguoidung, "mnunguoidung", QStringLiteral("Nạp sửa danh sách người dùng, mật khẩu, quyền hạn"));
    item(mnunap, mnunapchutat, "mnunapchutat", QStringLiteral("Nạp sửa bảng chữ tắt"));
    item(mnunap, mnunaploaicv, "mnunaploaicv", QStringLiteral("Nạp sửa loại công văn"));
    mnunap->addSeparator();
    item(mnunap, mnunapkthuc, "mnunapkthuc", QStringLiteral("&Kết thúc chương trình"));

    mnudlieu = menuBar()->addMenu(QStringLiteral("&Quản lý các file dữ liệu, năm làm việc"));
    mnudlieu->setObjectName(QStringLiteral("mnudlieu"));
    item(mnudlieu, mnuchondulieucongvan, "mnuchondulieucongvan", QStringLiteral("Chọn file dữ liệu công văn"));
    item(mnudlieu, mnuchondulieulich, "mnuchondulieulich", QStringLiteral("Chọn file dữ liệu kế hoạch và lịch công tác"));
    item(mnudlieu, mnubackup, "mnubackup", QStringLiteral("Chọn file dữ liệu backup"));
    item(mnudlieu, mnuchepdulieu, "mnuchepdulieu", QStringLiteral("Chép toàn bộ dữ liệu lên máy chủ hoặc về thư mục"));
    mnudlieu->addSeparator();
    item(mnudlieu, mnunhapdulieucv, "mnunhapdulieucv", QStringLiteral("Nhập dữ liệu công văn cũ"));
    item(mnudlieu, mnunhapdulieulich, "mnunhapdulieulich", QStringLiteral("Nhập dữ liệu kế hoạch, lịch công tác cũ"));
    item(mnudlieu, mnunhapbangthamkhao, "mnunhapbangthamkhao", QStringLiteral("Nhập các danh sách tham khảo cũ"));
    mnudlieu->addSeparator();
    item(mnudlieu, mnuchonnamlamviec, "mnuchonnamlamviec", QStringLiteral("Chọn năm làm việc"));

    mnuthongkebang = menuBar()->addMenu(QStringLiteral("T&hống kê"));
    mnuthongkebang->setObjectName(QStringLiteral("mnuthongkebang"));
    item(mnuthongkebang, mnuthongke, "mnuthongke", QStringLiteral("&Thống kê công văn, kế hoạch và lịch công tác (biểu đồ)"));

    mnuHelp = menuBar()->addMenu(QStringLiteral("&Trợ giúp"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    item(mnuHelp, mnuHelpContents, "mnuHelpContents", QStringLiteral("&Hướng dẫn sử dụng chương trình..."));
    mnuHelp->addSeparator();
    item(mnuHelp, mnuHelpAbout, "mnuHelpAbout", QStringLiteral("&Về chương trình này..."));

    connect(mnutendonvi, &QAction::triggered, this, [this] {
        app_.FormMode.clear();
        runOpener(QStringLiteral("mnutendonvi"));
    });
    connect(mnunapdonvi, &QAction::triggered, this, [this] {
        if (administrator()) runOpener(QStringLiteral("mnunapdonvi"));
    });
    connect(mnunapbophan, &QAction::triggered, this, [this] {
        if (administrator()) runOpener(QStringLiteral("mnunapbophan"));
    });
    connect(mnuchepdulieu, &QAction::triggered, this, [this] {
        if (administrator()) runOpener(QStringLiteral("mnuchepdulieu"));
    });
    for (QAction* a : {mnunapnoigui, mnunapchutat, mnunaploaicv, mnunhapdulieucv, mnunhapdulieulich, mnunhapbangthamkhao,
                       mnuchonnamlamviec, mnuthongke}) {
        connect(a, &QAction::triggered, this, [this, a] { runOpener(a->objectName()); });
    }
    connect(mnunguoidung, &QAction::triggered, this, [this] {
        if (!KiemtraQuyenQuantri(app_, QStringLiteral("mk")).isEmpty()) runOpener(QStringLiteral("mnunguoidung"));
    });
    connect(mnunapkthuc, &QAction::triggered, this, &QWidget::close);
    connect(mnuchondulieucongvan, &QAction::triggered, this, [this] { openChooser(QStringLiteral("chonfiledulieucongvan")); });
    connect(mnuchondulieulich, &QAction::triggered, this, [this] { openChooser(QStringLiteral("chonfiledulieulich")); });
    connect(mnubackup, &QAction::triggered, this, [this] {
        // Only a document file inside the program's folder is backed up from here.
        if (app_.DocFile.contains(app_.AppFolder, Qt::CaseInsensitive)) openChooser(QStringLiteral("chonfiledulieubackup"));
    });
    connect(mnuHelpContents, &QAction::triggered, this, &frmMain::ShowHelp);
    connect(mnuHelpAbout, &QAction::triggered, this, &frmMain::ShowAbout);
}

void frmMain::SetBanner(const QString& organisation)
{
    lblBanner1->setText(organisation.trimmed().isEmpty() ? QStringLiteral("Văn phòng điện tử KORVANE") : organisation.trimmed());
}

void frmMain::SetLabels()
{
    Lblnamlamviec->setText(QStringLiteral("Dữ liệu năm ") + app_.WorkYear);
    Lblfiledulieu->setText(QStringLiteral("File công văn: ") + app_.DocFile + QStringLiteral("\r\nFile kế hoạch, lịch công tác: ") +
                           app_.PlanFile);
    ShowUndealtCount();
}

void frmMain::ShowUndealtCount()
{
    cmdchuaxuly->setVisible(app_.DocDb && !app_.InDocTable.isEmpty());
    if (!cmdchuaxuly->isVisibleTo(this)) return;
    try {
        auto count = app_.DocDb->OpenRecordset(
            QStringLiteral("SELECT count(*) AS n FROM ") + app_.InDocTable + QStringLiteral(" WHERE [da_xuli] = False"),
            engine::RecordsetType::Snapshot);
        cmdchuaxuly->setText(QStringLiteral("&Công văn đến chưa xử lý xong năm %1: %2")
                                 .arg(app_.WorkYear)
                                 .arg(count->Field(QStringLiteral("n")).toLongLong()));
        cmdchuaxuly->setEnabled(true);
    } catch (const engine::DbError& e) {
        app_.RecordFailure(e);
        cmdchuaxuly->setText(QStringLiteral("Không đếm được công văn đến chưa xử lý xong: ") + e.description());
        cmdchuaxuly->setEnabled(false);
    }
}

void frmMain::showEvent(QShowEvent* event)
{
    // Back from a register or a list: what the clerks did since is counted.
    ShowUndealtCount();
    QMainWindow::showEvent(event);
}

void frmMain::SetEntryButtons()
{
    // Registers write on a local disk or on a server, never into a shared file on the network.
    const bool local = !app_.DocFile.isEmpty() &&
                       (!engine::Database::IsPath(app_.DocFile) || app_.DriveKindFor(app_.DocFile) == DriveKind::LocalHardDisk);
    cmdnapcvden->setEnabled(local);
    cmdnapcvdi->setEnabled(local);
}

bool frmMain::runOpener(const QString& name)
{
    const auto it = app_.Openers.find(name);
    if (it == app_.Openers.end()) return false;
    try {
        it->second(app_);
    } catch (const engine::DbError& e) {
        app_.RecordFailure(e);
        app_.Message(QStringLiteral("Gặp lỗi khi đang mở cửa sổ.") + QLatin1Char('\r') + e.description());
        return false;
    }
    return true;
}

bool frmMain::OpenFromButton(const QString& button, const QString& dataFile, const QString& formMode)
{
    {
        BusyCursor busy;
        if (engine::Database::IsPath(dataFile) && PathExists(dataFile).isEmpty()) {
            app_.MsgText = QStringLiteral("Không tìm thấy file dữ liệu ") + dataFile + QStringLiteral(" !") + QLatin1Char('\r') +
                           QStringLiteral("Cần kiểm tra việc nối mạng và thư mục mạng chứa file này, ") +
                           QStringLiteral("chạy lại chương trình hoặc chọn lại file dữ liệu !");
        } else {
            app_.MsgText.clear();
        }
    }
    if (!app_.MsgText.isEmpty()) {
        app_.Message(app_.MsgText);
        return false;
    }
    BusyCursor busy;
    app_.FormMode = formMode;
    if (!app_.Openers.count(button)) return false;  // that window comes with a later part of the program
    if (!runOpener(button)) return false;
    hide();
    return true;
}

bool frmMain::administrator()
{
    if (app_.UserRights.toLower().startsWith(QLatin1Char('q'))) return true;
    app_.Message(QStringLiteral("Phải có quyền quản trị mới được phép sử dụng chức năng này!"));
    return false;
}

void frmMain::openChooser(const QString& mode)
{
    app_.ChooserMode = mode;
    hide();
    runOpener(QStringLiteral("chooser"));
    show();
}

QString frmMain::WeekSource() const
{
    const Week w = CurrentWeek(WeekViewDate(app_));
    return QStringLiteral("Select * from ") + app_.CalendarTable + QStringLiteral(" where [ngaychuan]>= '") +
           w.monday.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("' and [ngaychuan]<= '") +
           w.sunday.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("' order by [ngaychuan],[giochuan]");
}

QString frmMain::WeekHeading() const
{
    const Week w = CurrentWeek(WeekViewDate(app_));
    return QStringLiteral("Xem lịch làm việc trong tuần từ ") + DisplayDate(w.monday, app_.Months) + QStringLiteral(" đến ") +
           DisplayDate(w.sunday, app_.Months);
}

void frmMain::ShowHelp()
{
    const QString help = app_.DataFile(QStringLiteral("korvane.html"));
    if (PathExists(help).isEmpty()) {
        app_.modal().systemMessage(QLatin1String(kTitle),
                                   QStringLiteral("Unable to display Help Contents. There is no Help associated with this project."));
        return;
    }
    if (!app_.modal().openDocument(help))
        app_.modal().systemMessage(QLatin1String(kTitle), QStringLiteral("Không mở được trang hướng dẫn ") + help);
}

void frmMain::ShowAbout()
{
    QDialog about(this);
    about.setObjectName(QStringLiteral("frmAbout"));
    about.setWindowTitle(QStringLiteral("Về chương trình này"));
    auto* layout = new QVBoxLayout(&about);
    auto* title = new QLabel(QLatin1String(kTitle), &about);
    QFont f = title->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.5);
    title->setFont(f);
    layout->addWidget(title);
    layout->addWidget(new QLabel(QStringLiteral("Quản lý công văn đến, công văn đi, kế hoạch công tác\n"
                                                "và lịch làm việc của lãnh đạo cơ quan.\n\n"
                                                "Dữ liệu được giữ trong các file có mật khẩu, dùng chung qua mạng."),
                                 &about));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &about);
    connect(buttons, &QDialogButtonBox::accepted, &about, &QDialog::accept);
    layout->addWidget(buttons);
    app_.modal().runModal(about);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show && watched != this && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        if (w->isWindow() && (w->windowType() == Qt::Window || w->windowType() == Qt::Dialog)) {
            opened_.removeAll(w);
            opened_.append(w);
        }
    }
    if (watched == Lblnamlamviec && event->type() == QEvent::MouseButtonDblClick) {
        runOpener(QStringLiteral("mnuchonnamlamviec"));
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::closeEvent(QCloseEvent* event)
{
    // A record being typed is kept or dropped as the clerk answers; one the clerk goes on with
    // keeps the program running.
    if (!app_.Owner().ReleaseData()) {
        event->ignore();
        return;
    }
    app_.WriteSettings();
    // Every other window, from the most recently opened back to the first.
    const QList<QPointer<QWidget>> windows = opened_;
    for (auto it = windows.crbegin(); it != windows.crend(); ++it)
        if (*it && (*it)->isVisible()) (*it)->close();
    if (!isMinimized()) {
        QSettings settings(QStringLiteral("Korvane"), QStringLiteral("Korvane"));
        settings.beginGroup(QStringLiteral("Settings"));
        settings.setValue(QStringLiteral("MainLeft"), QString::number(x()));
        settings.setValue(QStringLiteral("MainTop"), QString::number(y()));
        settings.setValue(QStringLiteral("MainWidth"), QString::number(width()));
        settings.setValue(QStringLiteral("MainHeight"), QString::number(height()));
    }
    event->accept();
    emit Ended();
}

}  // namespace korvane
