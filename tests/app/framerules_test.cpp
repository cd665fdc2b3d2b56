// The window's rules without a window: the questions of one run, dropped files, the output log's
// lines, where a restored window goes and which help file opens.
#include "app/droppedfiles.h"
#include "app/help.h"
#include "app/outputlogmodel.h"
#include "app/placement.h"
#include "app/scriptedreplace.h"
#include "jobs/applysettings.h"
#include "jobs/jobfixture.h"
#include "jobs/outputnaming.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace pix {
namespace {

using A = ReplaceAnswer;

TEST(RunPromptAnswers, ToAllHoldsForThePromptsRunOnly) {
    test::ScriptedReplace question;
    question.answers = {A::No, A::YesToAll, A::NoToAll};
    RunPrompt first(question, nullptr);
    EXPECT_EQ(first.askYesNo("replace?", MessageIcon::Question, nullptr), Answer::No);
    EXPECT_EQ(first.askYesNo("replace?", MessageIcon::Question, nullptr), Answer::Yes);
    EXPECT_EQ(first.askYesNo("replace?", MessageIcon::Question, nullptr), Answer::Yes);
    EXPECT_EQ(question.asked, 2);
    RunPrompt second(question, nullptr);
    EXPECT_EQ(second.askYesNo("replace?", MessageIcon::Question, nullptr), Answer::No);
    EXPECT_EQ(second.askYesNo("replace?", MessageIcon::Question, nullptr), Answer::No);
    EXPECT_EQ(question.asked, 3);
}

TEST(DroppedFiles, FoldersGiveTheirPicturesInNameOrderAndFilesArePicturesByContent) {
    QTemporaryDir drop;
    QTemporaryDir dir;
    QDir(drop.path()).mkdir("sub");
    for (const char* name : {"b.png", "A.png", "c.jpg", "sub/deep.png"})
        ASSERT_TRUE(test::writeQuadrantsPng(drop.filePath(name), 8, 4));
    QFile text(drop.filePath("notes.png"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a picture");
    text.close();
    QFile::copy(drop.filePath("c.jpg"), dir.filePath("single.gif")); // a PNG by its content

    const std::vector<DroppedPicture> found = picturesFromDrop(
        {drop.path(), dir.filePath("single.gif"), dir.filePath("missing.png")}, {"*.png", "*.PNG"});
    QStringList names;
    for (const DroppedPicture& picture : found)
        names << picture.name;
    // The folder's pictures in name order, its sub-folder and the broken file left out; a
    // dropped file is taken whatever its name, when it is a picture.
    EXPECT_EQ(names, QStringList({"A.png", "b.png", "single.gif"}));
    EXPECT_EQ(found.front().size, QSize(8, 4));
    EXPECT_EQ(found.front().relativeFolder, QFileInfo(drop.path()).fileName());
    EXPECT_EQ(found.back().relativeFolder, "") << "a file dropped by itself";

    // The duplicate question comes from the list; No keeps the second copy out.
    test::ScriptedPrompt prompt;
    JobList list(&prompt);
    EXPECT_EQ(addDropped(list, {drop.filePath("b.png")}, {}), 1);
    EXPECT_EQ(addDropped(list, {drop.filePath("b.png")}, {}), 0);
    EXPECT_EQ(prompt.questions.size(), 1);
    EXPECT_EQ(list.itemAt(0)->source.width, 8);
    // A list held by a run takes nothing, and nobody is asked.
    const JobList::RunLock lock(list);
    EXPECT_EQ(addDropped(list, {drop.filePath("A.png")}, {}), 0);
    EXPECT_EQ(list.rowCount(), 1);
}

// Two dropped folders with one name in each: "Keep folder structure" keeps them apart.
TEST(DroppedFolders, KeepTheirStructureWhenAsked) {
    QTemporaryDir drop;
    for (const char* name : {"2023/beach.png", "2024/beach.png"}) {
        QDir(drop.path()).mkpath(QFileInfo(drop.filePath(name)).path());
        ASSERT_TRUE(test::writeQuadrantsPng(drop.filePath(name), 8, 4));
    }
    JobList list;
    ASSERT_EQ(addDropped(list, {drop.filePath("2023"), drop.filePath("2024")}, {"*.png"}), 2);
    SettingsResult kept;
    kept.outputFolder = "/out";
    for (const std::int32_t keep : {0, 1}) {
        kept.keepFolders = keep;
        QStringList paths;
        for (int row = 0; row < 2; ++row) {
            ApplySettings(*list.itemAt(row), kept, 0);
            paths << BuildOutputPath(*list.itemAt(row), list.rowName(row));
        }
        EXPECT_EQ(paths, keep ? QStringList({"/out/2023/beach.png", "/out/2024/beach.png"})
                              : QStringList({"/out/beach.png", "/out/beach.png"}));
    }
}

TEST(OutputLogLines, KeepTheirOrderAndAnEmptyTextAddsNothing) {
    const QString saved = QStringLiteral("The file has been saved to /out/a.jpg successfully.");
    const QString unable = QStringLiteral("Unable to save the file - /out/b.jpg.");
    OutputLogModel log;
    log.AddLine(saved, QStringLiteral("/out"));
    log.AddLine(QString(), QStringLiteral("/lost"));
    log.AddLine(unable);
    ASSERT_EQ(log.rowCount(), 2);
    EXPECT_EQ(log.index(0).data().toString(), saved);
    EXPECT_EQ(log.index(1).data().toString(), unable);
    EXPECT_EQ(log.log().line(0).path, QStringLiteral("/out"));
    EXPECT_FALSE(log.log().line(1).path);
}

struct PlacementCase {
    const char* what;
    QRect saved;
    QRect expected;
};

TEST(Placement, AWindowIsKeptReachableOnSomeScreen) {
    const QList<QRect> screens{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    const QSize fallback(960, 680);
    const PlacementCase cases[] = {
        {"on the primary screen", {100, 100, 800, 600}, {100, 100, 800, 600}},
        {"on the second screen", {2000, 50, 800, 600}, {2000, 50, 800, 600}},
        {"partly off the right edge", {1700, 100, 800, 600}, {1120, 100, 800, 600}},
        {"larger than its screen", {2000, 10, 3000, 2000}, {1920, 0, 1280, 1024}},
        {"on a screen that is gone", {4000, 100, 800, 600}, {480, 200, 960, 680}},
        {"title above every screen", {100, -500, 800, 600}, {480, 200, 960, 680}},
        {"empty", {}, {480, 200, 960, 680}},
    };
    for (const PlacementCase& c : cases) {
        EXPECT_EQ(placeOnScreens(c.saved, screens, fallback), c.expected) << c.what;
    }
    EXPECT_EQ(placeOnScreens({5, 5, 10, 10}, {}, fallback), QRect(5, 5, 10, 10));
    EXPECT_EQ(placeOnScreens({}, {QRect(0, 0, 800, 600)}, fallback), QRect(0, 0, 800, 600));
}

// The first start takes most of the primary screen, centred, never less than the usual size
// where the screen has room.
TEST(Placement, TheFirstStartTakesMostOfThePrimaryScreen) {
    const QSize least(960, 680);
    const struct {
        QList<QRect> screens;
        QRect expected;
    } cases[] = {
        {{QRect(0, 0, 1600, 1000), QRect(1600, 0, 800, 600)}, QRect(160, 100, 1280, 800)},
        {{QRect(0, 30, 1920, 1050)}, QRect(192, 135, 1536, 840)},
        {{QRect(0, 0, 1024, 768)}, QRect(32, 44, 960, 680)},
        {{QRect(0, 0, 800, 600)}, QRect(0, 0, 800, 600)},
        {{}, QRect(0, 0, 960, 680)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(firstPlacement(c.screens, least), c.expected) << c.expected.width();
}

bool touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

TEST(Help, TheCompiledHelpBesideTheProgramComesFirstThenTheInstalledGuide) {
    QTemporaryDir root;
    const QString program = root.filePath("my tools/bin");
    const QStringList candidates = helpCandidates(program);
    ASSERT_GE(candidates.size(), 2);
    EXPECT_EQ(candidates[0], program + "/help/pixovia.chm");
    EXPECT_EQ(candidates[1], root.filePath("my tools/share/pixovia/help/guide.html"));

    ASSERT_TRUE(touch(candidates[0]));
    ASSERT_TRUE(touch(candidates[1]));
    std::vector<QUrl> tried;
    // The desktop has no handler for the compiled help: the guide opens instead.
    EXPECT_TRUE(ShowHelp(program, [&](const QUrl& url) {
        tried.push_back(url);
        return url.toLocalFile().endsWith(".html");
    }));
    ASSERT_EQ(tried.size(), 2u);
    EXPECT_EQ(tried[0].toLocalFile(), candidates[0]); // the blank stays in the path
    EXPECT_EQ(tried[1].toLocalFile(), candidates[1]);
}

TEST(Help, MissingFilesAreNotHandedToTheDesktop) {
    QTemporaryDir root;
    std::vector<QUrl> tried;
    ShowHelp(root.filePath("bin"), [&](const QUrl& url) {
        tried.push_back(url);
        return true;
    });
    for (const QUrl& url : tried)
        EXPECT_TRUE(QFileInfo(url.toLocalFile()).isFile());
    EXPECT_FALSE(ShowHelp(root.filePath("bin"), nullptr));
}

} // namespace
} // namespace pix
