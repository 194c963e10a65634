<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="vi_VN">
<context>
    <name>Print Device Input Slot</name>
    <message>
        <source>Automatic</source>
        <translation>Tự động</translation>
    </message>
</context>
<context>
    <name>Print Device Output Bin</name>
    <message>
        <source>Automatic</source>
        <translation>Tự động</translation>
    </message>
</context>
<context>
    <name>QAbstractFileIconProvider</name>
    <message>
        <source>Alias</source>
        <translation>Bí danh</translation>
    </message>
    <message>
        <source>Drive</source>
        <translation>Ổ đĩa</translation>
    </message>
    <message>
        <source>File</source>
        <translation>File</translation>
    </message>
    <message>
        <source>File Folder</source>
        <translation>Thư mục</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Thư mục</translation>
    </message>
    <message>
        <source>Shortcut</source>
        <translation>Lối tắt</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Không rõ</translation>
    </message>
</context>
<context>
    <name>QAbstractSpinBox</name>
    <message>
        <source>&amp;Select All</source>
        <translation>&amp;Chọn tất cả</translation>
    </message>
    <message>
        <source>&amp;Step up</source>
        <translation>&amp;Tăng</translation>
    </message>
    <message>
        <source>Step &amp;down</source>
        <translation>&amp;Giảm</translation>
    </message>
</context>
<context>
    <name>QComboBox</name>
    <message>
        <source>False</source>
        <translation>Sai</translation>
    </message>
    <message>
        <source>Open the combo box selection popup</source>
        <translation>Mở danh sách chọn</translation>
    </message>
    <message>
        <source>True</source>
        <translation>Đúng</translation>
    </message>
</context>
<context>
    <name>QCupsJobWidget</name>
    <message>
        <source>Banner Pages</source>
        <translation>Trang bìa</translation>
    </message>
    <message>
        <source>Billing information:</source>
        <translation>Thông tin thanh toán:</translation>
    </message>
    <message>
        <source>Classified</source>
        <translation>Mật</translation>
    </message>
    <message>
        <source>Confidential</source>
        <translation>Kín</translation>
    </message>
    <message>
        <source>Day (06:00 to 17:59)</source>
        <translation>Ban ngày (06:00 đến 17:59)</translation>
    </message>
    <message>
        <source>End:</source>
        <translation>Cuối:</translation>
    </message>
    <message>
        <source>Hold Indefinitely</source>
        <translation>Giữ lại, chưa in</translation>
    </message>
    <message>
        <source>Job</source>
        <translation>Lệnh in</translation>
    </message>
    <message>
        <source>Job Control</source>
        <translation>Điều khiển lệnh in</translation>
    </message>
    <message>
        <source>Job priority:</source>
        <translation>Độ ưu tiên:</translation>
    </message>
    <message>
        <source>Night (18:00 to 05:59)</source>
        <translation>Ban đêm (18:00 đến 05:59)</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Không</translation>
    </message>
    <message>
        <source>Print Immediately</source>
        <translation>In ngay</translation>
    </message>
    <message>
        <source>Scheduled printing:</source>
        <translation>Hẹn giờ in:</translation>
    </message>
    <message>
        <source>Second Shift (16:00 to 23:59)</source>
        <translation>Ca hai (16:00 đến 23:59)</translation>
    </message>
    <message>
        <source>Secret</source>
        <translation>Tối mật</translation>
    </message>
    <message>
        <source>Specific Time</source>
        <translation>Giờ định trước</translation>
    </message>
    <message>
        <source>Standard</source>
        <translation>Thường</translation>
    </message>
    <message>
        <source>Start:</source>
        <translation>Đầu:</translation>
    </message>
    <message>
        <source>Third Shift (00:00 to 07:59)</source>
        <translation>Ca ba (00:00 đến 07:59)</translation>
    </message>
    <message>
        <source>Top Secret</source>
        <translation>Tuyệt mật</translation>
    </message>
    <message>
        <source>Unclassified</source>
        <translation>Không mật</translation>
    </message>
    <message>
        <source>Weekend (Saturday to Sunday)</source>
        <translation>Cuối tuần (thứ bảy đến chủ nhật)</translation>
    </message>
</context>
<context>
    <name>QCupsPrinterSupport</name>
    <message>
        <source>Authentication Needed</source>
        <translation>Cần xác thực</translation>
    </message>
    <message>
        <source>Authentication needed to use %1 on %2.</source>
        <translation>Cần xác thực để dùng %1 trên %2.</translation>
    </message>
    <message>
        <source>Authentication needed to use %1.</source>
        <translation>Cần xác thực để dùng %1.</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Mật khẩu:</translation>
    </message>
    <message>
        <source>Username:</source>
        <translation>Tên người dùng:</translation>
    </message>
</context>
<context>
    <name>QDialog</name>
    <message>
        <source>What&apos;s This?</source>
        <translation>Đây là gì?</translation>
    </message>
</context>
<context>
    <name>QDialogButtonBox</name>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Huỷ bỏ</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>Đó&amp;ng</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;Không</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;Đồng ý</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Lưu</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Có</translation>
    </message>
    <message>
        <source>Abort</source>
        <translation>Bỏ dở</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Áp dụng</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Huỷ bỏ</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Đóng</translation>
    </message>
    <message>
        <source>Close without Saving</source>
        <translation>Đóng, không lưu</translation>
    </message>
    <message>
        <source>Discard</source>
        <translation>Bỏ đi</translation>
    </message>
    <message>
        <source>Don&apos;t Save</source>
        <translation>Không lưu</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Trợ giúp</translation>
    </message>
    <message>
        <source>Ignore</source>
        <translation>Bỏ qua</translation>
    </message>
    <message>
        <source>N&amp;o to All</source>
        <translation>Không &amp;với tất cả</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>Đồng ý</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Mở</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Đặt lại</translation>
    </message>
    <message>
        <source>Restore Defaults</source>
        <translation>Về mặc định</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Thử lại</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Lưu</translation>
    </message>
    <message>
        <source>Save All</source>
        <translation>Lưu tất cả</translation>
    </message>
    <message>
        <source>Yes to &amp;All</source>
        <translation>Có với &amp;tất cả</translation>
    </message>
</context>
<context>
    <name>QFileDialog</name>
    <message>
        <source>%1
Directory not found.
Please verify the correct directory name was given.</source>
        <translation>%1
Không tìm thấy thư mục.
Hãy kiểm tra lại tên thư mục đã nhập.</translation>
    </message>
    <message>
        <source>%1
File not found.
Please verify the correct file name was given.</source>
        <translation>%1
Không tìm thấy file.
Hãy kiểm tra lại tên file đã nhập.</translation>
    </message>
    <message>
        <source>%1 File</source>
        <translation>File %1</translation>
    </message>
    <message>
        <source>%1 already exists.
Do you want to replace it?</source>
        <translation>%1 đã có.
Có muốn thay file này không?</translation>
    </message>
    <message>
        <source>&amp;Choose</source>
        <translation>&amp;Chọn</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Xoá</translation>
    </message>
    <message>
        <source>&amp;New Folder</source>
        <translation>Thư mục &amp;mới</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>&amp;Mở</translation>
    </message>
    <message>
        <source>&amp;Rename</source>
        <translation>Đổi &amp;tên</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Lưu</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is write protected.
Do you want to delete it anyway?</source>
        <translation>&apos;%1&apos; đang được bảo vệ chống ghi.
Vẫn muốn xoá không?</translation>
    </message>
    <message>
        <source>Alias</source>
        <translation>Bí danh</translation>
    </message>
    <message>
        <source>All Files (*)</source>
        <translation>Tất cả các file (*)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Tất cả các file (*)</translation>
    </message>
    <message>
        <source>Alt+Left</source>
        <translation>Alt+Left</translation>
    </message>
    <message>
        <source>Alt+Right</source>
        <translation>Alt+Right</translation>
    </message>
    <message>
        <source>Alt+Up</source>
        <translation>Alt+Up</translation>
    </message>
    <message>
        <source>Are you sure you want to delete &apos;%1&apos;?</source>
        <translation>Có thực sự muốn xoá &apos;%1&apos; không?</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Lùi lại</translation>
    </message>
    <message>
        <source>Change to detail view mode</source>
        <translation>Xem chi tiết</translation>
    </message>
    <message>
        <source>Change to list view mode</source>
        <translation>Xem dạng danh sách</translation>
    </message>
    <message>
        <source>Could not delete directory.</source>
        <translation>Không xoá được thư mục.</translation>
    </message>
    <message>
        <source>Create New Folder</source>
        <translation>Tạo thư mục mới</translation>
    </message>
    <message>
        <source>Create a New Folder</source>
        <translation>Tạo một thư mục mới</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Xoá</translation>
    </message>
    <message>
        <source>Detail View</source>
        <translation>Xem chi tiết</translation>
    </message>
    <message>
        <source>Directories</source>
        <translation>Thư mục</translation>
    </message>
    <message>
        <source>Directory:</source>
        <translation>Thư mục:</translation>
    </message>
    <message>
        <source>Drive</source>
        <translation>Ổ đĩa</translation>
    </message>
    <message>
        <source>File</source>
        <translation>File</translation>
    </message>
    <message>
        <source>File &amp;name:</source>
        <translation>&amp;Tên file:</translation>
    </message>
    <message>
        <source>File Folder</source>
        <translation>Thư mục</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Files of type:</source>
        <translation>Kiểu file:</translation>
    </message>
    <message>
        <source>Find Directory</source>
        <translation>Tìm thư mục</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Thư mục</translation>
    </message>
    <message>
        <source>Forward</source>
        <translation>Tiến tới</translation>
    </message>
    <message>
        <source>Go back</source>
        <translation>Lùi lại</translation>
    </message>
    <message>
        <source>Go forward</source>
        <translation>Tiến tới</translation>
    </message>
    <message>
        <source>Go to the parent directory</source>
        <translation>Lên thư mục cha</translation>
    </message>
    <message>
        <source>List View</source>
        <translation>Xem dạng danh sách</translation>
    </message>
    <message>
        <source>List of places and bookmarks</source>
        <translation>Danh sách nơi hay dùng và dấu trang</translation>
    </message>
    <message>
        <source>Look in:</source>
        <translation>Tìm trong:</translation>
    </message>
    <message>
        <source>My Computer</source>
        <translation>Máy tính</translation>
    </message>
    <message>
        <source>New Folder</source>
        <translation>Thư mục mới</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Mở</translation>
    </message>
    <message>
        <source>Parent Directory</source>
        <translation>Thư mục cha</translation>
    </message>
    <message>
        <source>Recent Places</source>
        <translation>Nơi mới dùng</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Bỏ</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>Lưu thành</translation>
    </message>
    <message>
        <source>Shortcut</source>
        <translation>Lối tắt</translation>
    </message>
    <message>
        <source>Show </source>
        <translation>Hiện </translation>
    </message>
    <message>
        <source>Show &amp;hidden files</source>
        <translation>Hiện các file ẩ&amp;n</translation>
    </message>
    <message>
        <source>Sidebar</source>
        <translation>Thanh bên</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Không rõ</translation>
    </message>
</context>
<context>
    <name>QFileSystemModel</name>
    <message>
        <source>&lt;b&gt;The name &quot;%1&quot; can not be used.&lt;/b&gt;&lt;p&gt;Try using another name, with fewer characters or no punctuations marks.</source>
        <translation>&lt;b&gt;Không dùng được tên &quot;%1&quot;.&lt;/b&gt;&lt;p&gt;Hãy đặt tên khác, ngắn hơn hoặc không có dấu chấm câu.</translation>
    </message>
    <message>
        <source>&lt;b&gt;The name &quot;%1&quot; cannot be used.&lt;/b&gt;&lt;p&gt;Try using another name, with fewer characters or no punctuation marks.</source>
        <translation>&lt;b&gt;Không dùng được tên &quot;%1&quot;.&lt;/b&gt;&lt;p&gt;Hãy đặt tên khác, ngắn hơn hoặc không có dấu chấm câu.</translation>
    </message>
    <message>
        <source>Computer</source>
        <translation>Máy tính</translation>
    </message>
    <message>
        <source>Date Modified</source>
        <translation>Ngày sửa</translation>
    </message>
    <message>
        <source>Invalid filename</source>
        <translation>Tên file không hợp lệ</translation>
    </message>
    <message>
        <source>Kind</source>
        <translation>Kiểu</translation>
    </message>
    <message>
        <source>My Computer</source>
        <translation>Máy tính</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Tên</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Cỡ</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Kiểu</translation>
    </message>
</context>
<context>
    <name>QGnomeTheme</name>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Huỷ bỏ</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>Đó&amp;ng</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;Đồng ý</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Lưu</translation>
    </message>
    <message>
        <source>Close without Saving</source>
        <translation>Đóng, không lưu</translation>
    </message>
</context>
<context>
    <name>QInputDialog</name>
    <message>
        <source>Enter a value:</source>
        <translation>Nhập một giá trị:</translation>
    </message>
</context>
<context>
    <name>QLineEdit</name>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Chép</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>&amp;Dán</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Làm lại</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Huỷ thao tác</translation>
    </message>
    <message>
        <source>Cu&amp;t</source>
        <translation>Cắ&amp;t</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Xoá</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Chọn tất cả</translation>
    </message>
</context>
<context>
    <name>QMessageBox</name>
    <message>
        <source>About Qt</source>
        <translation>Về Qt</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Trợ giúp</translation>
    </message>
    <message>
        <source>Hide Details...</source>
        <translation>Ẩn chi tiết...</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>Đồng ý</translation>
    </message>
    <message>
        <source>Show Details...</source>
        <translation>Xem chi tiết...</translation>
    </message>
</context>
<context>
    <name>QPageSetupWidget</name>
    <message>
        <source>CC</source>
        <translation>CC</translation>
    </message>
    <message>
        <source>Centimeters (cm)</source>
        <translation>Xentimét (cm)</translation>
    </message>
    <message>
        <source>Cicero (CC)</source>
        <translation>Cicero (CC)</translation>
    </message>
    <message>
        <source>Custom</source>
        <translation>Tự đặt</translation>
    </message>
    <message>
        <source>DD</source>
        <translation>DD</translation>
    </message>
    <message>
        <source>Didot (DD)</source>
        <translation>Didot (DD)</translation>
    </message>
    <message>
        <source>Form</source>
        <translation>Mẫu</translation>
    </message>
    <message>
        <source>Height:</source>
        <translation>Cao:</translation>
    </message>
    <message>
        <source>Inches (in)</source>
        <translation>Insơ (in)</translation>
    </message>
    <message>
        <source>Landscape</source>
        <translation>Khổ ngang</translation>
    </message>
    <message>
        <source>Margins</source>
        <translation>Lề</translation>
    </message>
    <message>
        <source>Millimeters (mm)</source>
        <translation>Milimét (mm)</translation>
    </message>
    <message>
        <source>Orientation</source>
        <translation>Hướng giấy</translation>
    </message>
    <message>
        <source>Page Layout</source>
        <translation>Bố cục trang</translation>
    </message>
    <message>
        <source>Page order:</source>
        <translation>Thứ tự trang:</translation>
    </message>
    <message>
        <source>Page size:</source>
        <translation>Cỡ giấy:</translation>
    </message>
    <message>
        <source>Pages per sheet:</source>
        <translation>Số trang một tờ:</translation>
    </message>
    <message>
        <source>Paper</source>
        <translation>Giấy</translation>
    </message>
    <message>
        <source>Paper source:</source>
        <translation>Nguồn giấy:</translation>
    </message>
    <message>
        <source>Pica (P̸)</source>
        <translation>Pica (P̸)</translation>
    </message>
    <message>
        <source>Points (pt)</source>
        <translation>Point (pt)</translation>
    </message>
    <message>
        <source>Portrait</source>
        <translation>Khổ dọc</translation>
    </message>
    <message>
        <source>P̸</source>
        <translation>P̸</translation>
    </message>
    <message>
        <source>Reverse landscape</source>
        <translation>Khổ ngang đảo chiều</translation>
    </message>
    <message>
        <source>Reverse portrait</source>
        <translation>Khổ dọc đảo chiều</translation>
    </message>
    <message>
        <source>Width:</source>
        <translation>Rộng:</translation>
    </message>
    <message>
        <source>bottom margin</source>
        <translation>lề dưới</translation>
    </message>
    <message>
        <source>in</source>
        <translation>in</translation>
    </message>
    <message>
        <source>left margin</source>
        <translation>lề trái</translation>
    </message>
    <message>
        <source>mm</source>
        <translation>mm</translation>
    </message>
    <message>
        <source>pt</source>
        <translation>pt</translation>
    </message>
    <message>
        <source>right margin</source>
        <translation>lề phải</translation>
    </message>
    <message>
        <source>top margin</source>
        <translation>lề trên</translation>
    </message>
</context>
<context>
    <name>QPageSize</name>
    <message>
        <source>Custom</source>
        <translation>Tự đặt</translation>
    </message>
    <message>
        <source>Custom (%1CC x %2CC)</source>
        <translation>Tự đặt (%1CC x %2CC)</translation>
    </message>
    <message>
        <source>Custom (%1DD x %2DD)</source>
        <translation>Tự đặt (%1DD x %2DD)</translation>
    </message>
    <message>
        <source>Custom (%1in x %2in)</source>
        <translation>Tự đặt (%1in x %2in)</translation>
    </message>
    <message>
        <source>Custom (%1mm x %2mm)</source>
        <translation>Tự đặt (%1mm x %2mm)</translation>
    </message>
    <message>
        <source>Custom (%1pc x %2pc)</source>
        <translation>Tự đặt (%1pc x %2pc)</translation>
    </message>
    <message>
        <source>Custom (%1pt x %2pt)</source>
        <translation>Tự đặt (%1pt x %2pt)</translation>
    </message>
</context>
<context>
    <name>QPlatformTheme</name>
    <message>
        <source>&amp;No</source>
        <translation>&amp;Không</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Có</translation>
    </message>
    <message>
        <source>Abort</source>
        <translation>Bỏ dở</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Áp dụng</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Huỷ bỏ</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Đóng</translation>
    </message>
    <message>
        <source>Discard</source>
        <translation>Bỏ đi</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Trợ giúp</translation>
    </message>
    <message>
        <source>Ignore</source>
        <translation>Bỏ qua</translation>
    </message>
    <message>
        <source>N&amp;o to All</source>
        <translation>Không &amp;với tất cả</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>Đồng ý</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Mở</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Đặt lại</translation>
    </message>
    <message>
        <source>Restore Defaults</source>
        <translation>Về mặc định</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Thử lại</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Lưu</translation>
    </message>
    <message>
        <source>Save All</source>
        <translation>Lưu tất cả</translation>
    </message>
    <message>
        <source>Yes to &amp;All</source>
        <translation>Có với &amp;tất cả</translation>
    </message>
</context>
<context>
    <name>QPrintDialog</name>
    <message>
        <source>%1 already exists.
Do you want to overwrite it?</source>
        <translation>%1 đã có.
Có muốn ghi đè lên không?</translation>
    </message>
    <message>
        <source>%1 does not follow the correct syntax. Please use &apos;,&apos; to separate ranges and pages, &apos;-&apos; to define ranges and make sure ranges do not intersect with each other.</source>
        <translation>%1 viết không đúng cách. Hãy dùng dấu &apos;,&apos; để ngăn cách các trang và các khoảng trang, dấu &apos;-&apos; để ghi một khoảng trang, và các khoảng không được chồng lên nhau.</translation>
    </message>
    <message>
        <source>%1 is a directory.
Please choose a different file name.</source>
        <translation>%1 là một thư mục.
Hãy chọn tên file khác.</translation>
    </message>
    <message>
        <source>&amp;Options &lt;&lt;</source>
        <translation>&amp;Tuỳ chọn &lt;&lt;</translation>
    </message>
    <message>
        <source>&amp;Options &gt;&gt;</source>
        <translation>&amp;Tuỳ chọn &gt;&gt;</translation>
    </message>
    <message>
        <source>&amp;Print</source>
        <translation>&amp;In</translation>
    </message>
    <message>
        <source>All Pages</source>
        <translation>Tất cả các trang</translation>
    </message>
    <message>
        <source>Automatic</source>
        <translation>Tự động</translation>
    </message>
    <message>
        <source>Bottom to Top, Left to Right</source>
        <translation>Dưới lên trên, trái sang phải</translation>
    </message>
    <message>
        <source>Bottom to Top, Right to Left</source>
        <translation>Dưới lên trên, phải sang trái</translation>
    </message>
    <message>
        <source>Custom</source>
        <translation>Tự đặt</translation>
    </message>
    <message>
        <source>Duplex Settings Conflicts</source>
        <translation>Đặt in hai mặt không khớp nhau</translation>
    </message>
    <message>
        <source>Even Pages</source>
        <translation>Trang chẵn</translation>
    </message>
    <message>
        <source>File %1 is not writable.
Please choose a different file name.</source>
        <translation>Không ghi được vào file %1.
Hãy chọn tên file khác.</translation>
    </message>
    <message>
        <source>Invalid Pages Definition</source>
        <translation>Ghi trang in không đúng</translation>
    </message>
    <message>
        <source>Left to Right, Bottom to Top</source>
        <translation>Trái sang phải, dưới lên trên</translation>
    </message>
    <message>
        <source>Left to Right, Top to Bottom</source>
        <translation>Trái sang phải, trên xuống dưới</translation>
    </message>
    <message>
        <source>Local file</source>
        <translation>File trên máy</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>Đồng ý</translation>
    </message>
    <message>
        <source>Odd Pages</source>
        <translation>Trang lẻ</translation>
    </message>
    <message>
        <source>Options &apos;Pages Per Sheet&apos; and &apos;Page Set&apos; cannot be used together.
Please turn one of those options off.</source>
        <translation>Không dùng được cùng lúc &apos;Số trang một tờ&apos; và &apos;Nhóm trang&apos;.
Hãy tắt một trong hai.</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>In</translation>
    </message>
    <message>
        <source>Print To File ...</source>
        <translation>In ra file ...</translation>
    </message>
    <message>
        <source>Print to File (PDF)</source>
        <translation>In ra file (PDF)</translation>
    </message>
    <message>
        <source>Right to Left, Bottom to Top</source>
        <translation>Phải sang trái, dưới lên trên</translation>
    </message>
    <message>
        <source>Right to Left, Top to Bottom</source>
        <translation>Phải sang trái, trên xuống dưới</translation>
    </message>
    <message>
        <source>The &apos;From&apos; value cannot be greater than the &apos;To&apos; value.</source>
        <translation>Trang &apos;Từ&apos; không được lớn hơn trang &apos;Đến&apos;.</translation>
    </message>
    <message>
        <source>There are conflicts in duplex settings. Do you want to fix them?</source>
        <translation>Các đặt in hai mặt không khớp nhau. Có muốn sửa lại không?</translation>
    </message>
    <message>
        <source>Top to Bottom, Left to Right</source>
        <translation>Trên xuống dưới, trái sang phải</translation>
    </message>
    <message>
        <source>Top to Bottom, Right to Left</source>
        <translation>Trên xuống dưới, phải sang trái</translation>
    </message>
    <message>
        <source>Write PDF file</source>
        <translation>Ghi file PDF</translation>
    </message>
</context>
<context>
    <name>QPrintPreviewDialog</name>
    <message>
        <source>%1%</source>
        <translation>%1%</translation>
    </message>
    <message>
        <source>Export to PDF</source>
        <translation>Xuất ra PDF</translation>
    </message>
    <message>
        <source>First page</source>
        <translation>Trang đầu</translation>
    </message>
    <message>
        <source>Fit page</source>
        <translation>Vừa trang</translation>
    </message>
    <message>
        <source>Fit width</source>
        <translation>Vừa chiều rộng</translation>
    </message>
    <message>
        <source>Landscape</source>
        <translation>Khổ ngang</translation>
    </message>
    <message>
        <source>Last page</source>
        <translation>Trang cuối</translation>
    </message>
    <message>
        <source>Next page</source>
        <translation>Trang sau</translation>
    </message>
    <message>
        <source>Page Setup</source>
        <translation>Đặt trang</translation>
    </message>
    <message>
        <source>Page setup</source>
        <translation>Đặt trang</translation>
    </message>
    <message>
        <source>Portrait</source>
        <translation>Khổ dọc</translation>
    </message>
    <message>
        <source>Previous page</source>
        <translation>Trang trước</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>In</translation>
    </message>
    <message>
        <source>Print Preview</source>
        <translation>Xem trước khi in</translation>
    </message>
    <message>
        <source>Show facing pages</source>
        <translation>Xem hai trang đối diện</translation>
    </message>
    <message>
        <source>Show overview of all pages</source>
        <translation>Xem tất cả các trang</translation>
    </message>
    <message>
        <source>Show single page</source>
        <translation>Xem từng trang</translation>
    </message>
    <message>
        <source>Zoom in</source>
        <translation>Phóng to</translation>
    </message>
    <message>
        <source>Zoom out</source>
        <translation>Thu nhỏ</translation>
    </message>
</context>
<context>
    <name>QPrintPropertiesDialog</name>
    <message>
        <source>Advanced Option Conflicts</source>
        <translation>Tuỳ chọn nâng cao không khớp nhau</translation>
    </message>
    <message>
        <source>Job Options</source>
        <translation>Tuỳ chọn lệnh in</translation>
    </message>
    <message>
        <source>Page Setup Conflicts</source>
        <translation>Đặt trang không khớp nhau</translation>
    </message>
    <message>
        <source>Printer Properties</source>
        <translation>Thuộc tính máy in</translation>
    </message>
    <message>
        <source>There are conflicts in page setup options. Do you want to fix them?</source>
        <translation>Các tuỳ chọn đặt trang không khớp nhau. Có muốn sửa lại không?</translation>
    </message>
    <message>
        <source>There are conflicts in some advanced options. Do you want to fix them?</source>
        <translation>Có tuỳ chọn nâng cao không khớp nhau. Có muốn sửa lại không?</translation>
    </message>
</context>
<context>
    <name>QPrintPropertiesWidget</name>
    <message>
        <source>Advanced</source>
        <translation>Nâng cao</translation>
    </message>
    <message>
        <source>Form</source>
        <translation>Mẫu</translation>
    </message>
    <message>
        <source>Page</source>
        <translation>Trang</translation>
    </message>
    <message>
        <source>There are conflicts in some options. Please fix them.</source>
        <translation>Có tuỳ chọn không khớp nhau. Hãy sửa lại.</translation>
    </message>
</context>
<context>
    <name>QPrintSettingsOutput</name>
    <message>
        <source>Collate</source>
        <translation>Xếp theo bộ</translation>
    </message>
    <message>
        <source>Color</source>
        <translation>Màu</translation>
    </message>
    <message>
        <source>Color Mode</source>
        <translation>Chế độ màu</translation>
    </message>
    <message>
        <source>Copies</source>
        <translation>Số bản</translation>
    </message>
    <message>
        <source>Copies:</source>
        <translation>Số bản:</translation>
    </message>
    <message>
        <source>Current Page</source>
        <translation>Trang hiện tại</translation>
    </message>
    <message>
        <source>Double Sided Printing</source>
        <translation>In hai mặt</translation>
    </message>
    <message>
        <source>Duplex Printing</source>
        <translation>In hai mặt</translation>
    </message>
    <message>
        <source>Form</source>
        <translation>Mẫu</translation>
    </message>
    <message>
        <source>Grayscale</source>
        <translation>Đen trắng</translation>
    </message>
    <message>
        <source>Long side</source>
        <translation>Cạnh dài</translation>
    </message>
    <message>
        <source>Long side binding</source>
        <translation>Đóng gáy cạnh dài</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Không</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Tắt</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Tuỳ chọn</translation>
    </message>
    <message>
        <source>Output Settings</source>
        <translation>Đặt bản in</translation>
    </message>
    <message>
        <source>Page Set:</source>
        <translation>Nhóm trang:</translation>
    </message>
    <message>
        <source>Pages</source>
        <translation>Trang</translation>
    </message>
    <message>
        <source>Pages from</source>
        <translation>Từ trang</translation>
    </message>
    <message>
        <source>Print all</source>
        <translation>In tất cả</translation>
    </message>
    <message>
        <source>Print range</source>
        <translation>Phạm vi in</translation>
    </message>
    <message>
        <source>Reverse</source>
        <translation>In ngược</translation>
    </message>
    <message>
        <source>Selection</source>
        <translation>Phần chọn</translation>
    </message>
    <message>
        <source>Short side</source>
        <translation>Cạnh ngắn</translation>
    </message>
    <message>
        <source>Short side binding</source>
        <translation>Đóng gáy cạnh ngắn</translation>
    </message>
    <message>
        <source>Specify pages or ranges separated by commas. Ranges are specified by two numbers separated by a hyphen. E.g: 3,5-7,9 prints pages 3, 5, 6, 7 and 9.</source>
        <translation>Ghi các trang hay khoảng trang, cách nhau bằng dấu phẩy. Một khoảng trang là hai số nối bằng dấu gạch ngang. Ví dụ: 3,5-7,9 in các trang 3, 5, 6, 7 và 9.</translation>
    </message>
    <message>
        <source>to</source>
        <translation>đến</translation>
    </message>
</context>
<context>
    <name>QPrintWidget</name>
    <message>
        <source>&amp;Name:</source>
        <translation>&amp;Tên:</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>Form</source>
        <translation>Mẫu</translation>
    </message>
    <message>
        <source>Location:</source>
        <translation>Vị trí:</translation>
    </message>
    <message>
        <source>Output &amp;file:</source>
        <translation>&amp;File ra:</translation>
    </message>
    <message>
        <source>P&amp;roperties</source>
        <translation>Th&amp;uộc tính</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Xem trước</translation>
    </message>
    <message>
        <source>Printer</source>
        <translation>Máy in</translation>
    </message>
    <message>
        <source>Type:</source>
        <translation>Loại:</translation>
    </message>
</context>
<context>
    <name>QProgressDialog</name>
    <message>
        <source>Cancel</source>
        <translation>Huỷ bỏ</translation>
    </message>
</context>
<context>
    <name>QScrollBar</name>
    <message>
        <source>Bottom</source>
        <translation>Cuối</translation>
    </message>
    <message>
        <source>Left edge</source>
        <translation>Mép trái</translation>
    </message>
    <message>
        <source>Page down</source>
        <translation>Trang dưới</translation>
    </message>
    <message>
        <source>Page left</source>
        <translation>Trang trái</translation>
    </message>
    <message>
        <source>Page right</source>
        <translation>Trang phải</translation>
    </message>
    <message>
        <source>Page up</source>
        <translation>Trang trên</translation>
    </message>
    <message>
        <source>Right edge</source>
        <translation>Mép phải</translation>
    </message>
    <message>
        <source>Scroll down</source>
        <translation>Cuộn xuống</translation>
    </message>
    <message>
        <source>Scroll here</source>
        <translation>Cuộn đến đây</translation>
    </message>
    <message>
        <source>Scroll left</source>
        <translation>Cuộn sang trái</translation>
    </message>
    <message>
        <source>Scroll right</source>
        <translation>Cuộn sang phải</translation>
    </message>
    <message>
        <source>Scroll up</source>
        <translation>Cuộn lên</translation>
    </message>
    <message>
        <source>Top</source>
        <translation>Đầu</translation>
    </message>
</context>
<context>
    <name>QWidgetTextControl</name>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Chép</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>&amp;Dán</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Làm lại</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Huỷ thao tác</translation>
    </message>
    <message>
        <source>Copy &amp;Link Location</source>
        <translation>Chép địa chỉ &amp;liên kết</translation>
    </message>
    <message>
        <source>Cu&amp;t</source>
        <translation>Cắ&amp;t</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Xoá</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Chọn tất cả</translation>
    </message>
</context>
</TS>
