// The second-instance test: a lock file in the program folder.
#pragma once

#include <QLockFile>
#include <QString>

namespace qmxsrv {

class InstanceLock {
public:
    enum class Result {
        Acquired,    // this is the only running copy for the folder
        HeldByOther, // another running copy holds the lock
        Unavailable, // the lock file cannot be made (folder missing or read-only)
    };

    // Runs with different program folders (QMXSRV_HOME) do not share a lock.
    explicit InstanceLock(const QString &programFolder);

    // A lock left by a run that has died is taken over. Held until this
    // object is destroyed.
    Result acquire();

    QString path() const { return path_; }

private:
    QString path_;
    QLockFile file_;
};

} // namespace qmxsrv
