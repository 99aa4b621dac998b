// The operator's message boxes: MessageBoxes shown as QMessageBox.
#pragma once

#include "core/messageboxes.h"

#include <QString>

class QWidget;

namespace qmxsrv {

// The text as the box shows it: each character 13 is a line break (a CR LF
// pair is one break, as is a lone LF).
QString boxText(const std::string &text);

// The title as the box shows it. An empty title means the box has no
// caption of its own; it then carries the application's name.
QString boxTitle(const std::string &title, const QString &applicationName);

class QtMessageBoxes : public MessageBoxes {
public:
    // parent only places the boxes; they are modal for the whole program.
    explicit QtMessageBoxes(QWidget *parent = nullptr);

    Answer show(const std::string &text, const std::string &title, Buttons buttons,
                Icon icon) override;
    void beep() override;

private:
    QWidget *parent_;
};

} // namespace qmxsrv
