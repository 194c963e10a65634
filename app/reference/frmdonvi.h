// The units of the organisation, or (the same window with another heading) the bodies the
// office exchanges documents with.
#pragma once

#include "referencelists.h"

namespace korvane {

class frmdonvi : public AbbreviationList {
    Q_OBJECT
public:
    enum class Rows { Units, Correspondents };
    frmdonvi(App& app, Rows rows, QWidget* parent = nullptr);
};

}  // namespace korvane
