#include "frmloaicv.h"

namespace korvane {

frmloaicv::frmloaicv(App& app, QWidget* parent)
    : AbbreviationList(app,
                       {"frmloaicv", QStringLiteral("Nạp sửa loại công văn"), QStringLiteral("loaicv"), QStringLiteral("loai"), "mloai",
                        "txtloai", QStringLiteral("Loại công văn"), QStringLiteral("Xem loại công văn"), QStringLiteral("Nạp chữ tắt"),
                        QStringLiteral("Sửa loại công văn"), QStringLiteral("Xem chữ tắt"),
                        QStringLiteral("Phải điền nội dung ở cả ô chữ tắt và ô loại công văn, không được để ô trắng !")},
                       parent)
{
}

}  // namespace korvane
