#pragma once

// Short ways from the main window's form to the widgets it drives. Every
// step of the way is checked, so a caller gets null instead of a crash when
// a form is incomplete. GUI thread only; used by the main window's sources.

#include "player/ui/CentralWidget.h"
#include "player/ui/ControlSectionWidget.h"
#include "player/ui/MainWindowForm.h"
#include "player/ui/MeterSectionWidget.h"
#include "player/ui/TableViewWidget.h"
#include "player/ui/TimeWidget.h"
#include "player/ui/TransportWidget.h"
#include "player/ui/VolumeSliderWidget.h"

class InfoBoxWidget;
class LevelMeterWidget;
class MeterNumericalDisplayWidget;
class QTableView;

namespace MainWindowWidgets {

inline Ui::CentralWidget* central(Ui::MainWindow* form)
{
    return form && form->centralWidget ? form->centralWidget->form() : nullptr;
}

inline Ui::ControlSectionWidget* controls(Ui::MainWindow* form)
{
    Ui::CentralWidget* c = central(form);
    return c && c->controlSection ? c->controlSection->form() : nullptr;
}

inline Ui::MeterSectionWidget* meters(Ui::MainWindow* form)
{
    Ui::CentralWidget* c = central(form);
    return c && c->meterSection ? c->meterSection->form() : nullptr;
}

inline Ui::TimeWidget* time(Ui::MainWindow* form)
{
    Ui::ControlSectionWidget* c = controls(form);
    return c && c->timeWidget ? c->timeWidget->form() : nullptr;
}

inline Ui::VolumeSliderWidget* volume(Ui::MainWindow* form)
{
    Ui::ControlSectionWidget* c = controls(form);
    return c && c->volumeSliderWidget ? c->volumeSliderWidget->form() : nullptr;
}

inline Ui::TransportWidget* transport(Ui::MainWindow* form)
{
    Ui::ControlSectionWidget* c = controls(form);
    return c && c->transportWidget ? c->transportWidget->form() : nullptr;
}

inline TableViewWidget* tablePanel(Ui::MainWindow* form)
{
    Ui::ControlSectionWidget* c = controls(form);
    return c ? c->tableViewWidget : nullptr;
}

inline QTableView* tableView(Ui::MainWindow* form)
{
    TableViewWidget* panel = tablePanel(form);
    return panel && panel->form() ? panel->form()->tableView : nullptr;
}

inline InfoBoxWidget* infoBox(Ui::MainWindow* form)
{
    Ui::ControlSectionWidget* c = controls(form);
    return c ? c->infoBox : nullptr;
}

inline LevelMeterWidget* levelMeter(Ui::MainWindow* form)
{
    Ui::MeterSectionWidget* m = meters(form);
    return m ? m->levelMeter : nullptr;
}

inline MeterNumericalDisplayWidget* numericalDisplay(Ui::MainWindow* form)
{
    Ui::MeterSectionWidget* m = meters(form);
    return m ? m->numericalDisplay : nullptr;
}

} // namespace MainWindowWidgets
