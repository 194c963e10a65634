#include "frmdonvi.h"

namespace korvane {

namespace {

AbbreviationList::Kind UnitsKind(frmdonvi::Rows rows)
{
    const bool units = rows == frmdonvi::Rows::Units;
    return {"frmdonvi",
            units ? QStringLiteral("Nạp sửa danh sách ban, đơn vị trực thuộc")
                  : QStringLiteral("Nạp sửa danh sách các cơ quan thường xuyên trao đổi công văn"),
            units ? QStringLiteral("donvi") : QStringLiteral("noigui"),
            QStringLiteral("tendonvi"),
            "mtendonvi",
            "txttendonvi",
            QStringLiteral("Tên đơn vị"),
            QStringLiteral("Xem tên đơn vị"),
            QStringLiteral("Nạp tên đơn vị"),
            QStringLiteral("Sửa tên đơn vị"),
            QStringLiteral("Xem tên đơn vị"),
            QStringLiteral("Phải điền nội dung ở cả ô chữ tắt và ô tên đơn vị, không được để ô trắng !")};
}

}  // namespace

frmdonvi::frmdonvi(App& app, Rows rows, QWidget* parent) : AbbreviationList(app, UnitsKind(rows), parent) {}

}  // namespace korvane
