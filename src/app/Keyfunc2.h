#pragma once
// Page 2 of the key list: moving through the text, search, jump and the
// other commands.

#include "app/Keyfunc1.h"

class TKeyFunc2 : public TKeyFuncWindow {
    Q_OBJECT
public:
    TKeyFunc2(bool& keyListOn, int& page, QWidget* parent = nullptr);
};
