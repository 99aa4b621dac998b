#include "platform/scriptedfiledialogs.h"

namespace qmxsrv {

void ScriptedFileDialogs::answerNext(const std::string &path) { answers_.push_back(path); }

std::string ScriptedFileDialogs::openFile(const FileDialogRequest &request)
{
    return answer(Kind::Open, request);
}

std::string ScriptedFileDialogs::saveFile(const FileDialogRequest &request)
{
    return answer(Kind::Save, request);
}

std::string ScriptedFileDialogs::answer(Kind kind, const FileDialogRequest &request)
{
    asked.push_back({kind, request});
    if (answers_.empty())
        return {};
    std::string path = answers_.front();
    answers_.pop_front();
    return path;
}

} // namespace qmxsrv
