#include "platform/qtmessageboxes.h"

#include "platform/qttext.h"

#include <QApplication>
#include <QMessageBox>

namespace qmxsrv {

QString boxText(const std::string &text)
{
    QString shown = qtText(text);
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

QString boxTitle(const std::string &title, const QString &applicationName)
{
    return title.empty() ? applicationName : qtText(title);
}

namespace {

QMessageBox::Icon qtIcon(Icon icon)
{
    switch (icon) {
    case Icon::Question: return QMessageBox::Question;
    case Icon::Exclamation: return QMessageBox::Warning;
    case Icon::Information: return QMessageBox::Information;
    case Icon::Critical: return QMessageBox::Critical;
    case Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

struct ButtonSet {
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton first;  // the default, as on the original boxes
    QMessageBox::StandardButton escape; // what closing the box answers
};

ButtonSet qtButtons(Buttons buttons)
{
    switch (buttons) {
    case Buttons::OkCancel:
        return {QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok, QMessageBox::Cancel};
    case Buttons::YesNo:
        return {QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, QMessageBox::No};
    case Buttons::YesNoCancel:
        return {QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes,
                QMessageBox::Cancel};
    case Buttons::Ok: break;
    }
    return {QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok};
}

Answer answerOf(QMessageBox::StandardButton button)
{
    switch (button) {
    case QMessageBox::Cancel: return Answer::Cancel;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Ok;
    }
}

} // namespace

QtMessageBoxes::QtMessageBoxes(QWidget *parent) : parent_(parent) {}

Answer QtMessageBoxes::show(const std::string &text, const std::string &title, Buttons buttons,
                            Icon icon)
{
    const ButtonSet set = qtButtons(buttons);
    QMessageBox box(qtIcon(icon), boxTitle(title, QApplication::applicationDisplayName()),
                    boxText(text), set.buttons, parent_);
    box.setWindowModality(Qt::ApplicationModal);
    box.setDefaultButton(set.first);
    box.setEscapeButton(set.escape);
    box.exec();
    QAbstractButton *clicked = box.clickedButton();
    return answerOf(clicked ? box.standardButton(clicked) : set.escape);
}

void QtMessageBoxes::beep() { QApplication::beep(); }

} // namespace qmxsrv
