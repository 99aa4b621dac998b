// The Results menu's small dialogs: the next part serial, the operator, and
// what to export.
#pragma once

#include <QDate>
#include <QDialog>

#include <string>
#include <vector>

class QComboBox;
class QDateEdit;
class QLineEdit;

namespace qmxsrv {

// Results > Part Serial...: the serial the next recorded part gets, at most
// MaxPartSerial characters.
class FormPartSerial : public QDialog {
    Q_OBJECT
public:
    explicit FormPartSerial(const std::string &serial, QWidget *parent = nullptr);
    std::string serial() const;

private:
    QLineEdit *TextSerial;
};

// Results > Operator...: who is working, a name or a badge number, at most
// MaxOperator characters; every part recorded and every answer carries it.
class FormOperator : public QDialog {
    Q_OBJECT
public:
    static constexpr int MaxOperator = 40;
    explicit FormOperator(const std::string &name, QWidget *parent = nullptr);
    std::string name() const;

private:
    QLineEdit *TextOperator;
};

struct ExportChoice {
    enum Range { All, Today, SinceLastExport, BetweenDates };
    std::string setup;
    Range range = All;
    QDate from, to; // BetweenDates: both days included
    bool dfq = false;
};

// Results > Export Results...: the setup (those with recorded parts, and the
// current one), the range and the format.
class FormExportResults : public QDialog {
    Q_OBJECT
public:
    FormExportResults(const std::vector<std::string> &setups, const std::string &current,
                      QWidget *parent = nullptr);
    ExportChoice choice() const;

private:
    QComboBox *ComboSetup, *ComboRange, *ComboFormat;
    QDateEdit *DateFrom, *DateTo;
};

} // namespace qmxsrv
