#include "formlingage.h"

#include "baritem.h"
#include "barlayout.h"

#include "core/group.h"
#include "core/mainwindowcommands.h"
#include "core/programstate.h"
#include "platform/named.h"
#include "platform/qttext.h"

#include <QResizeEvent>

namespace qmxsrv {

namespace {

const char BarName[] = "LGauge";

} // namespace

FormLinGage::FormLinGage(ProgramState &state, MainWindowCommands &main, QWidget *parent)
    : DisplayWindow(state, &WindowGeometry::Bar, QStringLiteral("Bar Graphs"),
                    QSize(DesignWidth, DesignHeight), parent),
      main_(main)
{
    setObjectName(QStringLiteral("FormLinGage"));
    BarGauge *templateBar = makeBar();
    templateBar->setReadoutVisible(true);
    templateBar->setBorderStyle(0);
    templateBar->hide();
    bars_.push_back(templateBar);
}

BarGauge *FormLinGage::makeBar()
{
    auto *b = named<BarGauge>(BarName, this);
    b->setIndex(int(bars_.size()));
    // Queued: the setup that opens may rebuild the window and destroy the
    // bar whose double click is still being handled.
    connect(
        b, &BarGauge::activated, this,
        [this](int k) {
            std::int16_t Index = std::int16_t(k + 1);
            main_.GotoSetupFromView(Index);
        },
        Qt::QueuedConnection);
    return b;
}

BarGauge *FormLinGage::bar(int k) const
{
    return k >= 0 && k < int(bars_.size()) ? bars_[std::size_t(k)] : nullptr;
}

void FormLinGage::SetBarValue(std::int16_t N, float BValue, bool measured)
{
    if (N < 1 || N > TotalNumberOfBars || N > int(bars_.size()))
        return;
    showBarValue(*bars_[std::size_t(N - 1)], BValue, measured);
}

void FormLinGage::SetNumberOfBars()
{
    // Without a group (mode 1) or in another mode no bars are shown: bars
    // of an earlier mode would stand for items that are not on display.
    TotalNumberOfBars = displayItemCount(state_);
    CreateBars();
}

void FormLinGage::CreateBars()
{
    // The template always exists, so the family is never smaller than one.
    const std::size_t wanted = std::size_t(std::max<int>(TotalNumberOfBars, 1));
    if (bars_.size() == wanted)
        return;
    BarGauge &templateBar = *bars_.front();
    const double scaleFont = templateBar.scaleFontSize();
    const double captionFont = templateBar.captionFontSize();
    templateBar.setRedraw(false);
    while (bars_.size() < wanted) {
        BarGauge *b = makeBar();
        b->copySettingsFrom(templateBar);
        b->hide();
        b->setReadoutVisible(true);
        b->setBorderStyle(0);
        b->setScaleFontSize(scaleFont);
        b->setCaptionFontSize(captionFont);
        bars_.push_back(b);
    }
    while (bars_.size() > wanted) {
        delete bars_.back();
        bars_.pop_back();
    }
}

void FormLinGage::layOutBars()
{
    const int n = std::min<int>(TotalNumberOfBars, int(bars_.size()));
    if (n < 1) {
        bars_.front()->hide();
        return;
    }
    const std::vector<QRect> rects = layoutBars(n, QRectF(rect()));
    for (int k = 0; k < n; ++k) {
        bars_[std::size_t(k)]->setRedraw(false);
        bars_[std::size_t(k)]->setGeometry(rects[std::size_t(k)]);
    }
    for (int k = 0; k < n; ++k) {
        bars_[std::size_t(k)]->setVisible(true);
        bars_[std::size_t(k)]->setRedraw(true);
    }
}

void FormLinGage::resizeEvent(QResizeEvent *event)
{
    layOutBars();
    DisplayWindow::resizeEvent(event);
}

void FormLinGage::UpdateBarDisplay()
{
    SetNumberOfBars();
    RestoreLGaugeFormSize();
    layOutBars();

    const group *g = currentGroup(state_);
    switch (state_.view.DisplayMode) {
    case ViewState::ShowGroup:
        setWindowTitle(QStringLiteral("Display Group ") + (g ? qtText(g->Description) : QString()));
        break;
    case ViewState::ShowChannels: setWindowTitle(QStringLiteral("Display Channels")); break;
    case ViewState::ShowLVDTs: setWindowTitle(QStringLiteral("Display LVDTs")); break;
    case ViewState::ShowAnalogs: setWindowTitle(QStringLiteral("Display Analogs")); break;
    default: break;
    }

    const int count = std::min<int>(TotalNumberOfBars, int(bars_.size()));
    for (int i = 1; i <= count; ++i)
        configureBar(*bars_[std::size_t(i - 1)], i);
}

void FormLinGage::configureBar(BarGauge &b, int i)
{
    BarItem item; // a group position naming a channel that is gone: a blank bar
    if (const channel *c = displayedChannel(state_, i))
        item = channelBar(*c);
    else if (BoardInput *input = displayedInput(state_, i))
        item = inputBar(*input, state_.settings.SystemDecimals);
    qmxsrv::configureBar(b, item);
}

void FormLinGage::operatorClosed() { main_.EnableBarGraphs_Click(); }

} // namespace qmxsrv
