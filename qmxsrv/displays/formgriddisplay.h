// FormGridDisplay: the numeric window. A table over the whole client area
// with a heading row and one row per item of the display mode: the item's
// description in column 0, its value text in column 1 (column 2 stays
// empty). The scan writes the values through SetGridValue, the main window
// rebuilds the table through UpdateGridDisplay.
//
// Row 0 and column 0 are the table's fixed heading cells. Double-clicking a
// row opens the setup of its item (the heading row counts as row 1). The
// operator's close only hides the window (the main window's Numbers command).
#pragma once

#include "displaywindow.h"

#include <cstdint>
#include <string>

class QTableWidget;
class QTableWidgetItem;

namespace qmxsrv {

class MainWindowCommands;

class FormGridDisplay : public DisplayWindow {
    Q_OBJECT
public:
    static constexpr int DesignWidth = 3360; // client area, twips
    static constexpr int DesignHeight = 7395;
    static constexpr int DescriptionWidth = 1400; // column 0, twips
    static constexpr int ValueWidth = 1000;       // columns 1 and 2

    FormGridDisplay(ProgramState &state, MainWindowCommands &main, QWidget *parent = nullptr);

    // How many items the display mode shows.
    std::int16_t TotalNumberOfNumerics = 0;

    // The value text of row N (from 1). A row outside the table is ignored.
    void SetGridValue(std::int16_t N, const std::string &NValue);
    // Rebuilds the table for the display mode and group: CurrentGroup
    // brought into range, count, place, title, heading and descriptions.
    // The value column is left as it is; the next scan refills it.
    void UpdateGridDisplay();
    void SetNumberOfNumerics();
    void SaveGridFormSize() { savePlace(); }
    void RestoreGridFormSize() { restorePlace(); }

    QTableWidget &GridView() const { return *GridView_; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void operatorClosed() override;

private:
    void bringCurrentGroupIntoRange();
    // The cell at (row, column), made when missing.
    QTableWidgetItem &cell(int row, int column);

    MainWindowCommands &main_;
    QTableWidget *GridView_;
};

} // namespace qmxsrv
