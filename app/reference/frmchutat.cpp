#include "frmchutat.h"

namespace korvane {

frmchutat::frmchutat(App& app, QWidget* parent)
    : AbbreviationList(app,
                       {"frmchutat", QStringLiteral("Nạp sửa bảng chữ tắt"), QStringLiteral("chutat"), QStringLiteral("chudu"), "mchudu",
                        "txtchudu", QStringLiteral("Nội dung đầy đủ"), QStringLiteral("Xem chữ tắt"), QStringLiteral("Nạp chữ tắt"),
                        QStringLiteral("Sửa chữ tắt"), QStringLiteral("Xem chữ tắt"),
                        QStringLiteral("Phải điền nội dung ở cả ô chữ tắt và ô chữ đủ, không được để ô trắng !")},
                       parent)
{
}

}  // namespace korvane
