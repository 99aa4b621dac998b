// What the bar-graph and the numeric window have in common: a window of its
// own that opens at its design size, remembers its place per display mode
// (stored when it stops being the active window, put back when it is
// rebuilt), and is only hidden by the operator's close.
//
// A window's place is its outer frame (Top, Left, Height, Width) in twips.
// Qt moves a window by its frame but sizes it by its client area, and the
// window manager tells the frame's size only once it has framed the window:
// a place set before then is set again when the frame becomes known.
#pragma once

#include "displaymode.h"

#include <QMargins>
#include <QSize>
#include <QString>
#include <QWidget>
#include <optional>

namespace qmxsrv {

class ProgramState;

class DisplayWindow : public QWidget {
    Q_OBJECT
public:
    // The outer frame in twips, each value clamped into 16 bits.
    WindowPlace place() const;
    // Moves and sizes the outer frame.
    void setPlace(const WindowPlace &place);

    // The program's own close (when the main window unloads): it goes ahead,
    // where the operator's close only hides the window through the main
    // window's command.
    void unload();

protected:
    // designClient: width and height of the client area in twips.
    DisplayWindow(ProgramState &state, WindowKind kind, const QString &title, QSize designClient,
                  QWidget *parent);

    // The place for the current display mode: stored, and put back when one
    // is stored.
    void savePlace();
    void restorePlace();

    // The operator closed the window: the main window's View command runs.
    virtual void operatorClosed() = 0;

    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

    ProgramState &state_;

private:
    QMargins frameMargins() const;
    void applyPlace();

    WindowKind kind_;
    bool unloading_ = false;
    std::optional<WindowPlace> pending_; // set, but framed with a guess
    QMargins assumedFrame_;
};

} // namespace qmxsrv
