// SPDX-License-Identifier: GPL-3.0-or-later
// The working folder of a menu start: where it lies and how it is prepared.

#include "app/WorkingFolder.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/stat.h>

using namespace tarvel;
namespace fs = std::filesystem;

namespace {

void writeText(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string readText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

class WorkingFolderTest : public QObject {
    Q_OBJECT

private slots:
    void perUserFolderFollowsTheXdgRules_data()
    {
        QTest::addColumn<QString>("xdg");
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("base");
        QTest::newRow("xdg set") << "/data/me"
                                 << "/home/me"
                                 << "/data/me/tarvel"
                                 << "/data";
        QTest::newRow("xdg in the home") << "/home/me/.local/share"
                                         << "/home/me"
                                         << "/home/me/.local/share/tarvel"
                                         << "/home/me";
        QTest::newRow("xdg beside the home") << "/home/meme"
                                             << "/home/me"
                                             << "/home/meme/tarvel"
                                             << "/home";
        QTest::newRow("xdg with a slash at its end") << "/data/me/"
                                                     << "/home/me"
                                                     << "/data/me/tarvel"
                                                     << "/data";
        QTest::newRow("xdg unset") << QString() << "/home/me"
                                   << "/home/me/.local/share/tarvel"
                                   << "/home/me";
        QTest::newRow("xdg empty") << ""
                                   << "/home/me"
                                   << "/home/me/.local/share/tarvel"
                                   << "/home/me";
        QTest::newRow("xdg relative") << "data"
                                      << "/home/me"
                                      << "/home/me/.local/share/tarvel"
                                      << "/home/me";
        QTest::newRow("no home") << QString() << QString() << ""
                                 << "";
        QTest::newRow("home relative") << QString() << "me"
                                       << ""
                                       << "";
    }

    void perUserFolderFollowsTheXdgRules()
    {
        QFETCH(QString, xdg);
        QFETCH(QString, home);
        QFETCH(QString, folder);
        QFETCH(QString, base);
        const std::string x = xdg.toStdString(), h = home.toStdString();
        const UserFolder user
            = perUserFolder(xdg.isNull() ? nullptr : x.c_str(), home.isNull() ? nullptr : h.c_str());
        QCOMPARE(QString::fromStdString(user.folder.string()), folder);
        QCOMPARE(QString::fromStdString(user.base.string()), base);
    }

    // Only the levels below an existing home (or XDG_DATA_HOME's parent) are made, those of
    // the data home private to the user; a missing home is said in one line and nothing made.
    void onlyTheLevelsBelowAnExistingBaseAreMade_data()
    {
        QTest::addColumn<QString>("xdg"); // below the scratch folder
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QStringList>("privateLevels"); // levels made with mode 0700
        QTest::newRow("empty home") << QString() << "home" << QString()
                                    << QStringList {"home/.local", "home/.local/share"};
        QTest::newRow("home missing") << QString() << "nonexistent/x"
                                      << "the home folder (HOME) %1/nonexistent/x does not exist, so "
                                         "%1/nonexistent/x/.local/share/tarvel was not made: set HOME, or "
                                         "XDG_DATA_HOME, to an existing folder"
                                      << QStringList {};
        QTest::newRow("xdg made") << "home/data"
                                  << "home" << QString() << QStringList {"home/data"};
        QTest::newRow("xdg in the home, two levels made")
            << "home/.local/share"
            << "home" << QString() << QStringList {"home/.local", "home/.local/share"};
        QTest::newRow("xdg's parent missing") << "gone/data"
                                              << "home"
                                              << "the folder above XDG_DATA_HOME %1/gone does not exist, so "
                                                 "%1/gone/data/tarvel was not made: set "
                                                 "HOME, or XDG_DATA_HOME, to an existing folder"
                                              << QStringList {};
    }

    void onlyTheLevelsBelowAnExistingBaseAreMade()
    {
        QFETCH(QString, xdg);
        QFETCH(QString, home);
        QFETCH(QString, error);
        QFETCH(QStringList, privateLevels);
        QTemporaryDir scratch;
        const fs::path root = scratch.path().toStdString();
        fs::create_directory(root / "home");
        const std::string x = (root / xdg.toStdString()).string(), h = (root / home.toStdString()).string();
        const UserFolder user = perUserFolder(xdg.isNull() ? nullptr : x.c_str(), h.c_str());
        const ::mode_t mask = ::umask(022);
        const PreparedFolder prepared = prepareWorkingFolder(user, root / "no-such-share");
        ::umask(mask);
        QCOMPARE(QString::fromStdString(prepared.error), error.isEmpty() ? error : error.arg(scratch.path()));
        if (!error.isEmpty()) {
            QCOMPARE(QDir(scratch.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                QStringList {"home"});
            QVERIFY(QDir(scratch.filePath("home"))
                        .isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
            return;
        }
        QVERIFY(fs::is_directory(user.folder));
        QCOMPARE(fs::status(user.folder).permissions(), fs::perms(0755));
        for (const QString& level : privateLevels)
            QCOMPARE(fs::status(root / level.toStdString()).permissions(), fs::perms(0700));
    }

    void shippedHelpLiesBesideTheProgramsBinFolder()
    {
        QCOMPARE(QString::fromStdString(shippedHelpFolder("/opt/x/usr/bin").string()),
            QStringLiteral("/opt/x/usr/share/tarvel/help"));
    }

    // First start: the folder is made and gets the shipped help; later starts keep what the
    // user changed or added, and anything in the way of a help file's name.
    void preparingCopiesOnlyWhatIsNotThere()
    {
        QTemporaryDir scratch;
        const fs::path root = scratch.path().toStdString();
        const fs::path shipped = root / "share";
        fs::create_directories(shipped);
        writeText(shipped / "help2.rtf", "{\\rtf1 shipped 2}");
        writeText(shipped / "help3.rtf", "{\\rtf1 shipped 3}");
        writeText(shipped / "notes.txt", "not a help file");
        const fs::path folder = root / "xdg" / "tarvel";
        const UserFolder user {folder, root, "the root"};

        PreparedFolder first = prepareWorkingFolder(user, shipped);
        QCOMPARE(QString::fromStdString(first.error), QString());
        QCOMPARE(first.copied, (std::vector<std::string> {"help2.rtf", "help3.rtf"}));
        QCOMPARE(readText(folder / "help2.rtf"), std::string("{\\rtf1 shipped 2}"));
        QVERIFY(!fs::exists(folder / "notes.txt"));

        writeText(folder / "help2.rtf", "{\\rtf1 mine}");
        fs::remove(folder / "help3.rtf");
        fs::create_symlink("elsewhere", folder / "help3.rtf");
        PreparedFolder again = prepareWorkingFolder(user, shipped);
        QCOMPARE(QString::fromStdString(again.error), QString());
        QVERIFY(again.copied.empty());
        QCOMPARE(readText(folder / "help2.rtf"), std::string("{\\rtf1 mine}"));
        QVERIFY(fs::is_symlink(folder / "help3.rtf"));
    }

    void aMissingShippedFolderStillGivesTheFolder()
    {
        QTemporaryDir scratch;
        const fs::path folder = fs::path(scratch.path().toStdString()) / "tarvel";
        const PreparedFolder prepared = prepareWorkingFolder(
            {folder, scratch.path().toStdString(), "the root"}, folder / "no-such-share");
        QCOMPARE(QString::fromStdString(prepared.error), QString());
        QVERIFY(fs::is_directory(folder));
    }

    void aFileInTheWayIsReported()
    {
        QTemporaryDir scratch;
        const fs::path blocked = fs::path(scratch.path().toStdString()) / "tarvel";
        writeText(blocked, "a file, not a folder");
        const PreparedFolder prepared
            = prepareWorkingFolder({blocked, scratch.path().toStdString(), "the root"}, blocked);
        QVERIFY(
            QString::fromStdString(prepared.error).startsWith(QStringLiteral("cannot create the folder ")));
        QCOMPARE(readText(blocked), std::string("a file, not a folder"));
    }
};

QTEST_MAIN(WorkingFolderTest)
#include "tst_workingfolder.moc"
