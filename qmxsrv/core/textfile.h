// Whole-file reading and writing for the stored text files (qmxsrv.ini and
// setup files). Lines end with CR LF when written; when read, CR LF, LF and a
// lone CR all end a line, so a file touched by a Linux editor still loads.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace qmxsrv {

struct TextFileRead {
    enum class Status { Ok, NotFound, Failed };
    Status status = Status::Failed;
    std::string error; // the reason, when Failed
    std::vector<std::string> lines;
};

// Reads a regular file into lines. Never blocks on a FIFO or device that
// happens to carry the name, and refuses files above maxBytes (a setup or
// settings file is a few kilobytes; anything huge is not one of ours).
constexpr std::size_t MaxTextFileBytes = 16u << 20;
TextFileRead readTextFile(const std::string &path, std::size_t maxBytes = MaxTextFileBytes);

// Joins lines, each ended by CR LF.
std::string crlfText(const std::vector<std::string> &lines);

// Writes contents to a temporary file beside path and renames it over path,
// so that a failed save leaves the previous file whole. A symbolic link at
// path is followed and its target replaced; an existing file's permissions
// are kept. Returns the empty string on success, else the reason.
// Before writing, it removes the temporaries of earlier saves of the same
// target whose process is gone (removeStaleTemporaries).
std::string saveTextFileAtomically(const std::string &path, const std::string &contents);
void removeStaleTemporaries(const std::string &target);

// A text item as a stored file can carry it: line breaks inside would shift
// every following line of the file, so they become blanks.
std::string oneLine(std::string text);

} // namespace qmxsrv
