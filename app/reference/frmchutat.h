// The abbreviations that text boxes expand into their full wording.
#pragma once

#include "referencelists.h"

namespace korvane {

class frmchutat : public AbbreviationList {
    Q_OBJECT
public:
    explicit frmchutat(App& app, QWidget* parent = nullptr);
};

}  // namespace korvane
