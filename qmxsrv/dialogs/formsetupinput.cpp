#include "dialogs/formsetupinput.h"

#include "core/numbertext.h"
#include "core/programstate.h"
#include "dialogs/fieldreader.h"
#include "dialogs/itemsetup.h"
#include "platform/named.h"
#include "platform/qttext.h"
#include "platform/spinbutton.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qmxsrv {

FormSetupInput::FormSetupInput(ProgramState &state, std::int16_t &current, std::int16_t &liveLink,
                               const Design &design, QWidget *parent)
    : SetupDialog(design.form, design.title, parent), state_(state), current_(current),
      live_(liveLink)
{
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, design.background);
    setPalette(colours);

    number_ = field(design.numberBox, design.numberLabel);
    // Written by the dialog only: the spin button changes the input.
    number_->setReadOnly(true);
    auto *spin = named<SpinButton>(design.spin, this);
    description_ = field("TextDescription", "&Description");
    zero_ = field("TextZeroOffset", "&Zero");
    fullScale_ = field("TextFullScale", "&Full Scale");
    value_ = field(design.valueBox, "Value");
    value_->setReadOnly(true);
    showValue_ = named<QCheckBox>("CheckShowCurrentValue", "Show Current Value", this);
    autoInc_ = named<QCheckBox>(design.autoIncBox, "Auto Increment", this);
    QPushButton *program = button("CommandProgram", design.programCaption);
    done_ = button("CommandDone", "Do&ne");

    auto *grid = new QGridLayout;
    addLabelled(grid, 0, 0, design.numberLabel, number_);
    grid->addWidget(spin, 0, 2, Qt::AlignLeft);
    addLabelled(grid, 1, 0, "&Description", description_, 3);
    addLabelled(grid, 2, 0, "&Zero", zero_);
    addLabelled(grid, 3, 0, "&Full Scale", fullScale_);
    addLabelled(grid, 4, 0, "Value", value_);
    grid->addWidget(showValue_, 4, 2, 1, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(program);
    buttons->addWidget(autoInc_);
    buttons->addStretch();
    buttons->addWidget(done_);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addLayout(buttons);
    setDesignSize(design.widthTwips, design.heightTwips);

    // The zero field is programmed but an edit of it alone is no change.
    for (QLineEdit *edit : {description_, fullScale_})
        connect(edit, &QLineEdit::textChanged, this, [this] { modified_ = true; });
    connect(showValue_, &QCheckBox::toggled, this, [this] { showValueClicked(); });
    connect(spin, &SpinButton::up, this, [this] { stepUp(); });
    connect(spin, &SpinButton::down, this, [this] { stepDown(); });
    connect(program, &QPushButton::clicked, this, [this] {
        if (ProgramItem())
            afterProgram();
    });
    connect(done_, &QPushButton::clicked, this, &FormSetupInput::reject);
}

FormSetupInput::~FormSetupInput()
{
    // Gone while still open (the program ending): the scan cycle must not
    // write into it. A closed dialog has cleared its link already.
    if (isVisible())
        live_ = 0;
}

void FormSetupInput::load()
{
    current_ = itemInRange(current_, count());
    if (current_ == 0)
        disableEditing(done_);
    else
        ShowItem();
}

void FormSetupInput::setCurrent(std::int16_t n)
{
    n = itemInRange(n, count());
    if (n == 0)
        return;
    current_ = n;
    ShowItem();
}

void FormSetupInput::ShowItem()
{
    BoardInput &input = item(current_);
    number_->setText(qtText(numberText(current_)));
    value_->clear();
    description_->setText(qtText(input.Description));
    zero_->setText(qtText(formatValue(input.ZeroOffset(), decimals())));
    fullScale_->setText(qtText(formatValue(input.FullScale(), decimals())));
    modified_ = false;
}

bool FormSetupInput::ProgramItem()
{
    if (current_ == 0)
        return false;
    FieldReader read(state_.boxes(), "Nothing has been programmed.");
    const float fullScale = read.number(fullScale_);
    const float zero = read.number(zero_);
    if (!read.ok())
        return false;
    BoardInput &input = item(current_);
    input.Description = storedText(description_->text());
    input.setFullScale(fullScale);
    input.setZeroOffset(zero);
    modified_ = false;
    state_.view.SetupModified = true;
    return true;
}

void FormSetupInput::showValueClicked()
{
    if (showValue_->isChecked()) {
        live_ = current_;
    } else {
        live_ = 0;
        value_->clear();
    }
}

} // namespace qmxsrv
