#include "platform/instancelock.h"

namespace qmxsrv {

InstanceLock::InstanceLock(const QString &programFolder)
    : path_(programFolder + QLatin1String("/qmxsrv.lock")), file_(path_)
{
    // Never by age: a server runs for months and its lock stays valid while
    // its process lives. A dead holder is recognised by its process id.
    file_.setStaleLockTime(0);
}

InstanceLock::Result InstanceLock::acquire()
{
    if (file_.isLocked() || file_.tryLock(0))
        return Result::Acquired;
    return file_.error() == QLockFile::LockFailedError ? Result::HeldByOther : Result::Unavailable;
}

} // namespace qmxsrv
