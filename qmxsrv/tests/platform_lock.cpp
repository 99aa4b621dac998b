// The second-instance lock.
#include "platform/instancelock.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

using namespace qmxsrv;
using Result = InstanceLock::Result;

TEST(InstanceLock, OneHolderPerFolder)
{
    QTemporaryDir station1, station2;
    auto first = std::make_unique<InstanceLock>(station1.path());
    EXPECT_EQ(first->path(), station1.path() + "/qmxsrv.lock");
    ASSERT_EQ(first->acquire(), Result::Acquired);
    EXPECT_EQ(first->acquire(), Result::Acquired) << "asking again keeps it";

    InstanceLock second(station1.path());
    EXPECT_EQ(second.acquire(), Result::HeldByOther);
    // A server that has run for a day: its lock must not count as stale.
    const QByteArray path = QFile::encodeName(first->path());
    const struct utimbuf dayAgo = {time(nullptr) - 86400, time(nullptr) - 86400};
    ASSERT_EQ(utime(path.constData(), &dayAgo), 0);
    EXPECT_EQ(second.acquire(), Result::HeldByOther);

    InstanceLock elsewhere(station2.path());
    EXPECT_EQ(elsewhere.acquire(), Result::Acquired) << "other folders are independent";

    first.reset();
    EXPECT_FALSE(QFile::exists(station1.path() + "/qmxsrv.lock"));
    EXPECT_EQ(second.acquire(), Result::Acquired) << "free again when the holder ends";
}

TEST(InstanceLock, LockOfADeadRunIsTakenOver)
{
    QTemporaryDir station;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A run that crashes while holding the lock: no destructor, no unlock.
        InstanceLock crashed(station.path());
        _exit(crashed.acquire() == Result::Acquired ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_TRUE(QFile::exists(station.path() + "/qmxsrv.lock"));

    InstanceLock next(station.path());
    EXPECT_EQ(next.acquire(), Result::Acquired);
}

TEST(InstanceLock, FolderWithoutRoomIsNotAnotherInstance)
{
    QTemporaryDir station;
    InstanceLock missing(station.path() + "/no-such-folder");
    EXPECT_EQ(missing.acquire(), Result::Unavailable);
}
