// The open and save dialogs shown as QFileDialog.
#pragma once

#include "platform/filedialogs.h"

#include <QStringList>

class QWidget;

namespace qmxsrv {

// "Desc (*.x)|*.x|All (*.*)|*.*" as Qt's name filters. Qt takes the patterns
// from the parentheses of each name, so the name is rebuilt around the
// stored patterns: "*.*" (every file) becomes "*" and "a;b" becomes "a b".
// A name without a pattern matches every file.
QStringList qtNameFilters(const std::string &filter);

// "qmx", ".qmx" and "*.qmx" all mean the extension qmx.
QString qtDefaultSuffix(const std::string &extension);

class QtFileDialogs : public FileDialogs {
public:
    explicit QtFileDialogs(QWidget *parent = nullptr);

    std::string openFile(const FileDialogRequest &request) override;
    std::string saveFile(const FileDialogRequest &request) override;

private:
    std::string run(const FileDialogRequest &request, bool save);

    QWidget *parent_;
};

} // namespace qmxsrv
