#include "formgriddisplay.h"

#include "core/group.h"
#include "core/mainwindowcommands.h"
#include "core/programstate.h"
#include "platform/named.h"
#include "platform/qttext.h"
#include "platform/twips.h"

#include <QHeaderView>
#include <QTableWidget>

namespace qmxsrv {

namespace {

constexpr int Columns = 3;

} // namespace

FormGridDisplay::FormGridDisplay(ProgramState &state, MainWindowCommands &main, QWidget *parent)
    : DisplayWindow(state, &WindowGeometry::Grid, QStringLiteral("Numeric Display"),
                    QSize(DesignWidth, DesignHeight), parent),
      main_(main), GridView_(named<QTableWidget>("GridView", this))
{
    setObjectName(QStringLiteral("FormGridDisplay"));
    // The heading row and column are cells of the table, as the scan and
    // the row numbers count them; the view's own headers are not used.
    GridView_->horizontalHeader()->hide();
    GridView_->verticalHeader()->hide();
    GridView_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    GridView_->setWordWrap(false);
    GridView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GridView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    GridView_->setSelectionMode(QAbstractItemView::SingleSelection);
    GridView_->setColumnCount(Columns);
    GridView_->setRowCount(1);
    GridView_->setGeometry(rect());
    // Queued: the setup that opens may rebuild the table under the click.
    connect(
        GridView_, &QTableWidget::cellDoubleClicked, this,
        [this](int row, int) {
            std::int16_t Index = std::int16_t(std::max(row, 1));
            main_.GotoSetupFromView(Index);
        },
        Qt::QueuedConnection);
}

QTableWidgetItem &FormGridDisplay::cell(int row, int column)
{
    QTableWidgetItem *item = GridView_->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        if (row == 0 || column == 0)
            item->setBackground(palette().button());
        if (column == 1)
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        GridView_->setItem(row, column, item);
    }
    return *item;
}

void FormGridDisplay::SetGridValue(std::int16_t N, const std::string &NValue)
{
    if (N < 1 || N >= GridView_->rowCount())
        return;
    cell(N, 1).setText(qtText(NValue));
}

void FormGridDisplay::SetNumberOfNumerics() { TotalNumberOfNumerics = displayItemCount(state_); }

// 0 becomes 1 and a number beyond the groups the last group; without any
// group it is 0.
void FormGridDisplay::bringCurrentGroupIntoRange()
{
    std::int16_t &current = state_.view.CurrentGroup;
    current = std::int16_t(std::min(std::max<int>(current, 1), state_.Groups.Count()));
}

void FormGridDisplay::resizeEvent(QResizeEvent *event)
{
    GridView_->setGeometry(rect());
    DisplayWindow::resizeEvent(event);
}

void FormGridDisplay::UpdateGridDisplay()
{
    // Into range first, so that the count, the place and the rows all belong
    // to the group that is shown.
    if (state_.view.DisplayMode == ViewState::ShowGroup)
        bringCurrentGroupIntoRange();
    SetNumberOfNumerics();
    RestoreGridFormSize();
    GridView_->setGeometry(rect());

    QString heading;
    switch (state_.view.DisplayMode) {
    case ViewState::ShowGroup: {
        const group *g = currentGroup(state_);
        heading = g ? qtText(g->Description) : QString();
        setWindowTitle(QStringLiteral("Group: ") + heading);
        break;
    }
    case ViewState::ShowChannels:
        heading = QStringLiteral("Channel");
        setWindowTitle(QStringLiteral("Channels"));
        break;
    case ViewState::ShowLVDTs:
        heading = QStringLiteral("LVDT");
        setWindowTitle(QStringLiteral("LVDTs"));
        break;
    case ViewState::ShowAnalogs:
        heading = QStringLiteral("Analog Inputs");
        setWindowTitle(QStringLiteral("Analogs"));
        break;
    default: return;
    }

    const double dpi = logicalDpiY();
    GridView_->setColumnCount(Columns);
    GridView_->setColumnWidth(0, twipsToPixels(DescriptionWidth, dpi));
    GridView_->setColumnWidth(1, twipsToPixels(ValueWidth, dpi));
    GridView_->setColumnWidth(2, twipsToPixels(ValueWidth, dpi));

    // An empty group, or none, shows its heading only: rows of what was
    // shown before would no longer be filled.
    const int count = TotalNumberOfNumerics;
    GridView_->setRowCount(count + 1);
    for (int column = 0; column < Columns; ++column)
        cell(0, column);
    cell(0, 0).setText(heading);
    for (int i = 1; i <= count; ++i)
        cell(i, 0).setText(qtText(displayedDescription(state_, i)));
}

void FormGridDisplay::operatorClosed() { main_.EnableGrid_Click(); }

} // namespace qmxsrv
