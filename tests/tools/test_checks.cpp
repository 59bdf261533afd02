// Results that are checked before a job calls them good, and a join that looks at its
// items before it runs: the jobs as the pages run them, with the real front-ends and a
// stand-in ffmpeg where a fault is needed.
#include "ToolTestEnv.h"
#include "common/TestMedia.h"
#include "app/mdlZorvoFLV.h"
#include "tools/frmBuzy.h"
#include "tools/mdlEncode.h"
#include "tools/mdlFix.h"
#include "tools/mdlJoin.h"
#include "tools/mdlSaveRng.h"
#include "tools/mdlSnap.h"
#include "tools/mdlToolCmds.h"
#include "tools/mdlTools.h"
#include "ui/MsgBox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <sys/mount.h>

using namespace testmedia;
using tooltest::entries;

namespace {

tooltest::PrivateRuntime g_runtime;

// The real ffmpeg, after which the file it wrote (its last argument; picture 1 of a
// numbered pattern) loses its second half.
QByteArray truncatingFfmpeg()
{
    return "for a; do last=$a; done\n'" + QFile::encodeName(ffmpeg()) + "' \"$@\"; rc=$?\nf=$(printf \"$last\" 1)\n"
           "if [ -f \"$f\" ]; then truncate -s $(( $(stat -c %s \"$f\") / 2 )) \"$f\"; fi\nexit $rc\n";
}

class Checks : public tooltest::JobTest {
protected:
    // The job ended in its failure message with the line that says what was wrong, and
    // left nothing behind.
    void expectCaught(const QStringList& texts, const QString& failure, const QString& why)
    {
        ASSERT_FALSE(texts.isEmpty());
        EXPECT_TRUE(texts.last().startsWith(failure + QStringLiteral("\r\n") + why)) << texts.last().toStdString();
        for (const QString& t : texts)
            EXPECT_FALSE(t.contains(QStringLiteral("成功结束")));
        EXPECT_EQ(frmBuzy::instance(), nullptr);
        EXPECT_FALSE(QFileInfo::exists(mdlTools::pathFfmpeg));
        EXPECT_EQ(entries(out_.path()), QStringList{});
    }
};

} // namespace

// A front-end that writes a file cut short: the fix, the encode, a crop and a snapshot
// each end in their own failure message with the check's line, and the file is gone.
TEST_F(Checks, ShortResultsEndInTheFailureMessage)
{
    const QString mpg = source(Mpeg1Mp2, QStringLiteral("m.mpg"));
    const QString flv = source(Flv1Mp3, QStringLiteral("f.flv"));
    const QString shortLine = QStringLiteral("检查结果：新档案长 ");
    tooltest::StandInFfmpeg cutShort(truncatingFfmpeg());
    {
        ui::ScriptedAnswers answers;
        answers.thenFile(out_.file(QStringLiteral("m_fix.mpg")));
        EXPECT_EQ(mdlFix::cmdMediaFix(host_, host_.workspace.get(), mpg, saveFolder_), mdlFix::FixEnd::Failed);
        expectCaught(answers.texts(), mdlFix::failureMessage(), shortLine);
    }
    {
        ui::ScriptedAnswers answers;
        const mdlEncode::EncodeRequest request{flv, out_.file(QStringLiteral("f.avi")), mdlToolCmds::encodeDefaults(0)};
        EXPECT_EQ(mdlEncode::cmdMediaEncode(host_, host_.workspace.get(), request), mdlEncode::EncodeEnd::Failed);
        expectCaught(answers.texts(), mdlEncode::failureMessage(), shortLine);
    }
    {
        mdlSaveRng::RangeSource marks;
        marks.file = flv;
        marks.hasScale = true;
        marks.ranges = {{0.4, 3.6}};
        ui::ScriptedAnswers answers;
        answers.then(ui::Ok).thenFile(out_.file(QStringLiteral("f_part.flv")));
        EXPECT_EQ(mdlSaveRng::saveMarkedRanges(host_, host_.player.get(), mdlSaveRng::modeCrop, marks, saveFolder_),
                  mdlSaveRng::SaveEnd::Failed);
        expectCaught(answers.texts(), mdlSaveRng::failureMessage(), shortLine);
    }
    {
        const mdlSnap::SnapRequest request{flv, 0, 0, QStringLiteral("4.00"), QStringLiteral("1"), {}, {}, {}, {},
                                           QStringLiteral("PNG")};
        ui::ScriptedAnswers answers;
        answers.thenFile(out_.file(QStringLiteral("f_snapshot.png")));
        EXPECT_EQ(mdlSnap::cmdMediaSnap(host_, host_.workspace.get(), request, saveFolder_), mdlSnap::SnapEnd::Failed);
        expectCaught(answers.texts(), mdlSnap::failureMessage(), QStringLiteral("检查结果：截图档案无法开启"));
    }
}

// Items of different picture size: refused before the save dialog or any run, the second
// item named with both sizes and given back for the list to select.
TEST_F(Checks, JoinOfDifferentPictureSizesIsRefusedBeforeItRuns)
{
    const QStringList items{source(Flv1Mp3, QStringLiteral("a.flv")), source(Flv1Mp3, QStringLiteral("b.flv")),
                            source(Video640, QStringLiteral("c.flv"))};
    ui::ScriptedAnswers answers;
    int refused = -1;
    EXPECT_EQ(mdlJoin::cmdMediaJoin(host_, host_.workspace.get(), items, saveFolder_, &refused), mdlJoin::JoinEnd::Refused);
    EXPECT_EQ(refused, 2);
    ASSERT_EQ(ui::shownBoxes().size(), 1u);
    const ui::Shown& box = ui::shownBoxes()[0];
    EXPECT_EQ(box.title, ui::noticeTitle);
    EXPECT_TRUE(box.text.startsWith(QStringLiteral("合并清单里的第 3 个档案（c.flv）的画面大小是 640x480\r\n"
                                                   "与第 1 个档案（a.flv）的 320x240 不同")))
        << box.text.toStdString();
    EXPECT_TRUE(mdlTools::pathMencoder.isEmpty() || !QFileInfo::exists(mdlTools::pathMencoder));

    // zorvo says the same and which item, and runs nothing either.
    const tooltest::CliRun r = tooltest::runZorvo(QStringList{QStringLiteral("join")} + items
                                                  + QStringList{QStringLiteral("-o"), out_.file(QStringLiteral("j.flv"))});
    EXPECT_EQ(r.exit, 3);
    EXPECT_TRUE(r.err.startsWith(QString(box.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(items[2])) << r.err.toStdString();
    EXPECT_EQ(entries(out_.path()), QStringList{});
}

// A disk that fills up while an AVI is copied: named as a full disk, not taken for sound
// that must be re-encoded, and nothing left on it. A small tmpfs where the test may mount
// one; otherwise an ffmpeg that fails the way a full disk makes it fail.
TEST_F(Checks, FullDiskIsNamedAsSuch)
{
    TempDir small;
    struct Mount {
        QByteArray at;
        bool done;
        ~Mount()
        {
            if (done)
                ::umount(at.constData());
        }
    } tmpfs{QFile::encodeName(small.path()), false};
    tmpfs.done = ::mount("tmpfs", tmpfs.at.constData(), "tmpfs", 0, "size=64k") == 0;
    const bool mounted = tmpfs.done;
    std::unique_ptr<tooltest::StandInFfmpeg> failing;
    if (!mounted)
        failing = std::make_unique<tooltest::StandInFfmpeg>(
            "for a; do last=$a; done\nprintf partial > \"$last\"\n"
            "echo \"av_interleaved_write_frame(): No space left on device\" >&2\nexit 1\n");
    const QString avi = source(Mpeg4Mp3Avi, QStringLiteral("v.avi"));
    const QString target = small.file(QStringLiteral("v_fix.avi"));
    ui::ScriptedAnswers answers;
    answers.thenFile(target).then(ui::Ok);
    EXPECT_EQ(mdlFix::cmdMediaFix(host_, host_.workspace.get(), avi, saveFolder_), mdlFix::FixEnd::Failed);
    const QStringList texts = answers.texts();
    EXPECT_FALSE(texts.contains(mdlFix::reencodeQuestion()));
    ASSERT_FALSE(texts.isEmpty());
    EXPECT_EQ(texts.last(), mdlFix::failureMessage() + QStringLiteral("\r\n磁碟空间不足：新档案没有完整写入，请先腾出空间"));
    EXPECT_EQ(entries(small.path()), QStringList{});
    QDir::setCurrent(before_); // off the mount before it goes
}
