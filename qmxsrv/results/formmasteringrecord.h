// Results > Mastering Record...: every zeroing and mastering of a setup,
// newest first, of all channels or of one; their CSV export; the setup's
// mastering interval (Interval...). Non-modal, beside the main window; it
// reads the store afresh whenever a mastering is recorded while it shows.
#pragma once

#include "quality/masteringstore.h"

#include <QDialog>
#include <QWidget>

#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace qmxsrv {

class FileDialogs;
class MessageBoxes;

class FormMasteringRecord : public QWidget {
    Q_OBJECT
public:
    enum Column {
        ColumnTime,
        ColumnChannel,
        ColumnKind,
        ColumnOperator,
        ColumnMaster1,
        ColumnMaster2,
        ColumnReading1,
        ColumnReading2,
        ColumnZeroBefore,
        ColumnZeroAfter,
        ColumnScalingBefore,
        ColumnScalingAfter,
        ColumnCount
    };

    FormMasteringRecord(ResultsStore &store, FileDialogs &dialogs, MessageBoxes &boxes,
                        QWidget *parent = nullptr);
    ~FormMasteringRecord() override;

    // Shows the window on the current setup's masterings (the setups read anew).
    void showFor(const std::string &currentSetup);
    // A mastering was kept: shown at once when the window is open.
    void masteringRecorded();
    // The rows on view, newest first.
    const std::vector<MasteringRow> &shown() const { return shown_; }
    // Writes the rows on view as CSV, whole or not at all: "" or the reason.
    std::string exportCsv(const std::string &path) const;

signals:
    // The setup's interval was set anew.
    void intervalChanged(const std::string &setup);

private:
    void reload();
    void showRows();
    void ExportCsv();
    void Interval();
    void showInterval();
    std::string chosenSetup() const;

    MasteringStore store_;
    FileDialogs &dialogs_;
    MessageBoxes &boxes_;
    std::vector<MasteringRow> all_;   // of the chosen setup, newest first
    std::vector<MasteringRow> shown_; // of them, those of the chosen channel
    QComboBox *setup_;
    QComboBox *channel_;
    QLabel *interval_;
    QTableWidget *table_;
    QPushButton *intervalButton_;
    QPushButton *export_;
};

// Interval...: every N parts and/or every H hours, each switched on by its
// check box; both off is no interval.
class FormMasteringInterval : public QDialog {
    Q_OBJECT
public:
    FormMasteringInterval(const std::string &setup, const MasteringInterval &interval,
                          QWidget *parent = nullptr);
    MasteringInterval interval() const;

private:
    QCheckBox *byParts_;
    QSpinBox *parts_;
    QCheckBox *byHours_;
    QSpinBox *hours_;
};

// "every 500 parts or 8 hours", "every 8 hours", "off".
std::string intervalText(const MasteringInterval &interval);

} // namespace qmxsrv
