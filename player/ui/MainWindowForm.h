#pragma once

// The main window's form: its only member is the central widget, through
// whose forms every child widget is reached. Owned by the main window; the
// widget itself belongs to the window through Qt parenthood.

class CentralWidget;
class QMainWindow;

namespace Ui {

class MainWindow
{
public:
    ::CentralWidget* centralWidget = nullptr;

    // Names the window "MainWindow" when it has no name, sizes it 466 x 702
    // and installs a new CentralWidget named "centralWidget".
    void setupUi(QMainWindow* window);
    void retranslateUi(QMainWindow* window);
};

} // namespace Ui
