// FormLinGage: the bar-graph window. One bar gauge per item of the display
// mode (a group's channels, every channel, LVDT or analog input), laid out in
// up to four rows over the client area; the scan moves each bar through
// SetBarValue, the main window rebuilds the window through UpdateBarDisplay.
//
// The bars are one family indexed from 0: bar k shows item k + 1. Bar 0, the
// template, exists from the start and is never destroyed; the others are made
// as copies of it and destroyed only when the count changes. With no items
// the window shows nothing.
//
// Double-clicking bar k opens the setup of its item (the main window's
// GotoSetupFromView with k + 1). The operator's close only hides the window
// (the main window's Bar Graphs command).
#pragma once

#include "bargauge.h"
#include "displaywindow.h"

#include <cstdint>
#include <vector>

namespace qmxsrv {

class MainWindowCommands;

class FormLinGage : public DisplayWindow {
    Q_OBJECT
public:
    static constexpr int DesignWidth = 10830; // client area, twips
    static constexpr int DesignHeight = 6240;

    FormLinGage(ProgramState &state, MainWindowCommands &main, QWidget *parent = nullptr);

    // The number of bars shown now.
    std::int16_t TotalNumberOfBars = 0;

    // A new value on bar N (from 1): the value and the pointer mark, drawn
    // once; a value that is no measurement has no zone colour. A bar number
    // outside the bars shown is ignored.
    void SetBarValue(std::int16_t N, float BValue, bool measured = true);
    // Rebuilds the window for the display mode and group: count, place,
    // layout, title, every bar's caption, scale, marks and decimals.
    void UpdateBarDisplay();
    // TotalNumberOfBars for the display mode, bars made or destroyed to match.
    void SetNumberOfBars();
    void SaveLGaugeFormSize() { savePlace(); }
    void RestoreLGaugeFormSize() { restorePlace(); }

    // Bar k of the family (0 is the template); null beyond the bars made.
    BarGauge *bar(int k) const;
    // How many bars exist, the template included.
    int barsCreated() const { return int(bars_.size()); }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void operatorClosed() override;

private:
    void CreateBars();
    BarGauge *makeBar();
    void layOutBars();
    void configureBar(BarGauge &bar, int i);

    MainWindowCommands &main_;
    std::vector<BarGauge *> bars_; // owned as children; [0] the template
};

} // namespace qmxsrv
