// The station's token: made once, read whole, refused with the reason when
// it cannot be read, and the handshake's header that shows it.
#include "service/stationtoken.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace qmxsrv;

TEST(StationToken, MadeOnceSecretAndComparedWhole)
{
    QTemporaryDir folder;
    QString error;
    const QByteArray token = stationToken(folder.path(), error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(token.size(), 64);
    EXPECT_EQ(QByteArray::fromHex(token).toHex(), token) << "hexadecimal";
    const QString file = folder.filePath(TokenFileName);
    namespace fs = std::filesystem;
    EXPECT_EQ(fs::status(file.toStdString()).permissions(),
              fs::perms::owner_read | fs::perms::owner_write)
        << "no one else may read it";
    EXPECT_EQ(stationToken(folder.path(), error), token) << "the same at the next start";
    QTemporaryDir other;
    EXPECT_NE(stationToken(other.path(), error), token);

    QFile broken(file);
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("not a token\n");
    broken.close();
    EXPECT_TRUE(stationToken(folder.path(), error).isEmpty());
    EXPECT_TRUE(error.contains("does not hold a token")) << error.toStdString();

    for (const auto &[given, same] : {std::pair<QByteArray, bool>{token, true},
                                      {token.left(63), false},
                                      {token + "0", false},
                                      {QByteArray(64, '0'), false},
                                      {{}, false}})
        EXPECT_EQ(sameToken(given, token), same) << given.toStdString();
    EXPECT_FALSE(sameToken({}, {})) << "an empty token matches nothing";
}

// A token file that is there but cannot be read says why at once: no
// endless retry (a stack overflow at start), no wait on a FIFO.
TEST(StationToken, AnUnreadableTokenFileSaysWhyAndNeverHangs)
{
    namespace fs = std::filesystem;
    const struct {
        const char *what;
        std::function<void(const fs::path &)> make;
        const char *why;
    } cases[] = {
        {"a folder", [](const fs::path &p) { fs::create_directory(p); }, "is not a file"},
        {"a dangling link",
         [](const fs::path &p) { fs::create_symlink(p.parent_path() / "gone", p); },
         "leads nowhere"},
        {"a FIFO", [](const fs::path &p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
         "is not a file"},
        {"a link round in a circle", [](const fs::path &p) { fs::create_symlink(p, p); },
         "Too many levels of symbolic links"},
        {"unreadable",
         [](const fs::path &p) {
             std::ofstream(p) << std::string(64, 'a') << "\n";
             fs::permissions(p, fs::perms::none);
         },
         ::geteuid() == 0 ? "" : "Permission denied"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir folder;
        c.make(fs::path(folder.filePath(TokenFileName).toStdString()));
        QString error;
        const QByteArray token = stationToken(folder.path(), error);
        if (::geteuid() == 0 && std::string(c.why).empty())
            continue; // root reads what it likes
        EXPECT_TRUE(token.isEmpty());
        EXPECT_TRUE(error.contains(c.why)) << error.toStdString();
    }
}

TEST(StationToken, TheBearerSchemeInAnyCase)
{
    const QByteArray token(64, 'a');
    const struct {
        QByteArray header;
        bool shown;
    } cases[] = {{"Bearer " + token, true},
                 {"bearer " + token, true},
                 {"BeArEr  " + token, true},
                 {"Bearer\t" + token + " ", true},
                 {"Basic " + token, false},
                 {"Bearer" + token, false},
                 {"Bearer " + token + "a", false},
                 {token, false},
                 {"Bearer", false},
                 {{}, false}};
    for (const auto &c : cases)
        EXPECT_EQ(bearerTokenMatches(c.header, token), c.shown) << c.header.toStdString();
    EXPECT_FALSE(bearerTokenMatches("Bearer ", {})) << "no token, no commands";
}
