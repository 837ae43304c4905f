#pragma once

#include "progresshelper/platform/PlatformServices.h"

class QMessageBox;

namespace Skylarn {

// Alert panels as modal message boxes without a parent window. The default
// button answers IAlertPanels::DefaultButton; Escape and closing the panel
// answer IAlertPanels::Dismissed, never a button's answer.
class QtAlertPanels : public IAlertPanels {
public:
    void bringApplicationToFront() override;
    int runInformational(const Alert &alert) override;
    int runCritical(const Alert &alert) override;

private:
    int run(const Alert &alert, bool critical);
};

} // namespace Skylarn
