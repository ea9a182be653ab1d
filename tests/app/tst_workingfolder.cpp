// SPDX-License-Identifier: GPL-3.0-or-later
// The working folder of a menu start: where it lies and how it is prepared.

#include "app/WorkingFolder.h"

#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <sstream>

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
        QTest::newRow("xdg set") << "/data/me"
                                 << "/home/me"
                                 << "/data/me/tarvel";
        QTest::newRow("xdg unset") << QString() << "/home/me"
                                   << "/home/me/.local/share/tarvel";
        QTest::newRow("xdg empty") << ""
                                   << "/home/me"
                                   << "/home/me/.local/share/tarvel";
        QTest::newRow("xdg relative") << "data"
                                      << "/home/me"
                                      << "/home/me/.local/share/tarvel";
        QTest::newRow("no home") << QString() << QString() << "";
        QTest::newRow("home relative") << QString() << "me"
                                       << "";
    }

    void perUserFolderFollowsTheXdgRules()
    {
        QFETCH(QString, xdg);
        QFETCH(QString, home);
        QFETCH(QString, folder);
        const std::string x = xdg.toStdString(), h = home.toStdString();
        QCOMPARE(QString::fromStdString(
                     perUserFolder(xdg.isNull() ? nullptr : x.c_str(), home.isNull() ? nullptr : h.c_str())
                         .string()),
            folder);
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

        PreparedFolder first = prepareWorkingFolder(folder, shipped);
        QCOMPARE(QString::fromStdString(first.error), QString());
        QCOMPARE(first.copied, (std::vector<std::string> {"help2.rtf", "help3.rtf"}));
        QCOMPARE(readText(folder / "help2.rtf"), std::string("{\\rtf1 shipped 2}"));
        QVERIFY(!fs::exists(folder / "notes.txt"));

        writeText(folder / "help2.rtf", "{\\rtf1 mine}");
        fs::remove(folder / "help3.rtf");
        fs::create_symlink("elsewhere", folder / "help3.rtf");
        PreparedFolder again = prepareWorkingFolder(folder, shipped);
        QCOMPARE(QString::fromStdString(again.error), QString());
        QVERIFY(again.copied.empty());
        QCOMPARE(readText(folder / "help2.rtf"), std::string("{\\rtf1 mine}"));
        QVERIFY(fs::is_symlink(folder / "help3.rtf"));
    }

    void aMissingShippedFolderStillGivesTheFolder()
    {
        QTemporaryDir scratch;
        const fs::path folder = fs::path(scratch.path().toStdString()) / "tarvel";
        const PreparedFolder prepared = prepareWorkingFolder(folder, folder / "no-such-share");
        QCOMPARE(QString::fromStdString(prepared.error), QString());
        QVERIFY(fs::is_directory(folder));
    }

    void aFileInTheWayIsReported()
    {
        QTemporaryDir scratch;
        const fs::path blocked = fs::path(scratch.path().toStdString()) / "tarvel";
        writeText(blocked, "a file, not a folder");
        const PreparedFolder prepared = prepareWorkingFolder(blocked, blocked);
        QVERIFY(
            QString::fromStdString(prepared.error).startsWith(QStringLiteral("cannot create the folder ")));
        QCOMPARE(readText(blocked), std::string("a file, not a folder"));
    }
};

QTEST_MAIN(WorkingFolderTest)
#include "tst_workingfolder.moc"
