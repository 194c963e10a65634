// The Vietnamese sort key.
#pragma once

#include <QString>

namespace korvane {

// With fold off, each Vietnamese letter becomes its base letter and two digits (shape, tone), so
// that a plain text comparison gives dictionary order ("bac" before "bà"). With fold on, only the
// base letters remain: the text without marks, "đ" as "d". Other characters stay as they are.
QString VietSortKey(const QString& text, bool fold);

}  // namespace korvane
