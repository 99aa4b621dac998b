// Results > Control Plan...: the control plan of each channel of the open
// setup. The channel chosen shows its plan (or none); OK applies the plan
// shown, which takes effect at once (a new subgroup starts), Remove takes
// the channel's plan away. What the station refuses is told and the dialog
// stays open.
#pragma once

#include "quality/controlplan.h"

#include <QDialog>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace qmxsrv {

class MessageBoxes;

class FormControlPlan : public QDialog {
    Q_OBJECT
public:
    struct Channel {
        int number = 0;
        std::string description;
    };
    using Fix = std::optional<std::pair<std::int64_t, std::int64_t>>;
    struct Actions {
        // The reason when refused, else empty.
        std::function<std::string(const spc::ControlPlan &plan, Fix fix)> apply;
        std::function<std::string(int channel)> remove;
        std::function<std::vector<spc::ControlPlan>()> plans;
    };

    FormControlPlan(std::vector<Channel> channels, Actions actions, MessageBoxes &boxes,
                    QWidget *parent = nullptr);

    // The plan the controls show for the chosen channel.
    spc::ControlPlan shownPlan() const;

private:
    void channelChosen();
    void showPlan(const spc::ControlPlan *plan);
    void rulesChosen();
    void limitsChosen();
    void apply();
    void removePlan();

    std::vector<Channel> channels_;
    Actions actions_;
    MessageBoxes &boxes_;
    QComboBox *ComboChannel;
    QSpinBox *SpinSubgroup;
    QCheckBox *CheckUseS;
    QComboBox *ComboRules;
    std::vector<QCheckBox *> CheckTests; // CheckTest1 ... CheckTest8
    QRadioButton *RadioComputed, *RadioFixed, *RadioTyped;
    QSpinBox *SpinFixFirst, *SpinFixLast;
    QLineEdit *TextCentre, *TextSigma;
    QCheckBox *CheckHold;
    QLabel *LabelPlan;
};

} // namespace qmxsrv
