// The document types and their abbreviations.
#pragma once

#include "referencelists.h"

namespace korvane {

class frmloaicv : public AbbreviationList {
    Q_OBJECT
public:
    explicit frmloaicv(App& app, QWidget* parent = nullptr);
};

}  // namespace korvane
