#pragma once

#include "TLEDCustomLabel.h"

// The LED label as forms place it.
class TLEDLabel : public TLEDCustomLabel
{
    Q_OBJECT
public:
    using TLEDCustomLabel::TLEDCustomLabel;
};
