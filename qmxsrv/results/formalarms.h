// Results > Alarms...: the SPC alarms, open ones first in the reject
// colour, with their answers. An open alarm is answered with a cause and an
// action from the catalogues and a comment (FormAnswerAlarm); the quality
// engineer keeps the catalogues (FormAlarmCatalogues).
#pragma once

#include "quality/spcstore.h"

#include <QDialog>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QTableWidget;

namespace qmxsrv {

class MessageBoxes;
class ResultsStore;

class FormAnswerAlarm : public QDialog {
    Q_OBJECT
public:
    FormAnswerAlarm(const spc::Alarm &alarm, const std::vector<std::string> &causes,
                    const std::vector<std::string> &actions, QWidget *parent = nullptr);
    std::string cause() const;
    std::string action() const;
    std::string comment() const;

private:
    QComboBox *ComboCause, *ComboAction;
    QLineEdit *TextComment;
};

class FormAlarmCatalogues : public QDialog {
    Q_OBJECT
public:
    FormAlarmCatalogues(ResultsStore &store, MessageBoxes &boxes, QWidget *parent = nullptr);

private:
    void reload();
    void add(spc::Catalogue which, QLineEdit *text);
    void remove(spc::Catalogue which, QListWidget *list);

    ResultsStore &store_;
    MessageBoxes &boxes_;
    QListWidget *ListCauses, *ListActions;
    QLineEdit *TextCause, *TextAction;
};

class FormAlarms : public QWidget {
    Q_OBJECT
public:
    // answer: the station's answer to an open alarm; the reason when refused.
    using Answer =
        std::function<std::string(std::int64_t alarm, const std::string &cause,
                                  const std::string &action, const std::string &comment)>;
    FormAlarms(ResultsStore &store, Answer answer, MessageBoxes &boxes, QWidget *parent = nullptr);

    // The alarms read anew: after one was raised or answered.
    void refresh();
    // The alarm on the selected row; 0 for none.
    std::int64_t selectedAlarm() const;
    void selectAlarm(std::int64_t alarm);
    // Answers the selected alarm through FormAnswerAlarm.
    void AnswerAlarm();
    void Catalogues();

private:
    ResultsStore &store_;
    Answer answer_;
    MessageBoxes &boxes_;
    std::vector<spc::Alarm> shown_;
    QTableWidget *TableAlarms;
    QCheckBox *CheckOpenOnly;
};

} // namespace qmxsrv
