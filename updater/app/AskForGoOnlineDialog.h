#pragma once

#include "updater/app/ConsentDialog.h"

// Asks at a regular start whether the updater may go online.
class AskForGoOnlineDialog : public ConsentDialog {
    Q_OBJECT
public:
    AskForGoOnlineDialog(bool showSecurityWarning, QWidget* parent);
};
