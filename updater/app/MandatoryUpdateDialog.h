#pragma once

#include "updater/app/ConsentDialog.h"

// Asks whether to go online when the medium lacks components, and shows
// where they can be fetched by hand.
class MandatoryUpdateDialog : public ConsentDialog {
    Q_OBJECT
public:
    MandatoryUpdateDialog(bool showSecurityWarning, const QString& productLink, QWidget* parent);
};
