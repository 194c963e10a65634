// The Vietnamese sort key.
#pragma once

#include <QString>

namespace korvane {

// With fold off, each Vietnamese letter becomes its base letter and two digits (shape, tone), so
// that a plain text comparison gives dictionary order ("bac" before "bà"). With fold on, only the
// base letters remain: the text without marks, "đ" as "d". Other characters stay as they are.
QString VietSortKey(const QString& text, bool fold);

// A text as searched when marks are not told apart: every Vietnamese letter its small base
// letter ("Đà Nẵng" as "da nang"). The engine folds stored texts by the same rule (SQL "Fold").
QString WithoutMarks(const QString& text);
// Whether a typed text carries marks ("đ" included), so that a search must match them.
bool HasMarks(const QString& text);

}  // namespace korvane
