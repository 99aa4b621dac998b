// File dialogs for tests: records what was asked, answers from a queue.
#pragma once

#include "platform/filedialogs.h"

#include <deque>
#include <vector>

namespace qmxsrv {

class ScriptedFileDialogs : public FileDialogs {
public:
    enum class Kind { Open, Save };
    struct Asked {
        Kind kind;
        FileDialogRequest request;
    };

    // The next dialog answers path; an empty path is a cancelled dialog.
    void answerNext(const std::string &path);

    // With the queue empty a dialog is cancelled, so a test that forgot to
    // script one loads and writes nothing.
    std::string openFile(const FileDialogRequest &request) override;
    std::string saveFile(const FileDialogRequest &request) override;

    std::vector<Asked> asked;

private:
    std::string answer(Kind kind, const FileDialogRequest &request);

    std::deque<std::string> answers_;
};

} // namespace qmxsrv
