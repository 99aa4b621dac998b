#include "displaywindow.h"

#include "platform/twips.h"

#include <QCloseEvent>
#include <algorithm>

namespace qmxsrv {

DisplayWindow::DisplayWindow(ProgramState &state, WindowKind kind, const QString &title,
                             QSize designClient, QWidget *parent)
    : QWidget(parent, Qt::Window), state_(state), kind_(kind)
{
    setWindowTitle(title);
    const double dpi = logicalDpiY();
    resize(twipsToPixels(designClient.width(), dpi), twipsToPixels(designClient.height(), dpi));
}

QMargins DisplayWindow::frameMargins() const
{
    const QRect frame = frameGeometry();
    const QRect client = geometry();
    return {client.left() - frame.left(), client.top() - frame.top(),
            frame.right() - client.right(), frame.bottom() - client.bottom()};
}

WindowPlace DisplayWindow::place() const
{
    const QRect frame = frameGeometry();
    const double dpi = logicalDpiY();
    const auto twips = [dpi](int pixels) { return clampToInt16(pixelsToTwips(pixels, dpi)); };
    return {twips(frame.top()), twips(frame.left()), twips(frame.height()), twips(frame.width())};
}

void DisplayWindow::setPlace(const WindowPlace &place)
{
    pending_ = place;
    applyPlace();
}

void DisplayWindow::applyPlace()
{
    const double dpi = logicalDpiY();
    assumedFrame_ = frameMargins();
    const int width =
        twipsToPixels(pending_->Width, dpi) - assumedFrame_.left() - assumedFrame_.right();
    const int height =
        twipsToPixels(pending_->Height, dpi) - assumedFrame_.top() - assumedFrame_.bottom();
    move(twipsToPixels(pending_->Left, dpi), twipsToPixels(pending_->Top, dpi));
    resize(std::max(width, 1), std::max(height, 1));
}

void DisplayWindow::savePlace()
{
    pending_.reset();
    storePlace(state_, kind_, place());
}

void DisplayWindow::restorePlace()
{
    const std::optional<WindowPlace> stored = storedPlace(state_, kind_);
    if (stored && stored->isStored())
        setPlace(*stored);
}

bool DisplayWindow::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::WindowDeactivate: savePlace(); break;
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Resize:
        // The frame has become known (or changed) since the place was set.
        if (pending_ && isVisible() && frameMargins() != assumedFrame_)
            applyPlace();
        break;
    default: break;
    }
    return QWidget::event(event);
}

void DisplayWindow::unload()
{
    unloading_ = true;
    close();
    unloading_ = false;
}

void DisplayWindow::closeEvent(QCloseEvent *event)
{
    if (unloading_) {
        event->accept();
        return;
    }
    event->ignore();
    operatorClosed();
}

} // namespace qmxsrv
