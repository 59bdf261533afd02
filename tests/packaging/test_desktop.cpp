#include <gtest/gtest.h>

#include "app/AppInfo.h"
#include "app/mdlZorvoFLV.h"
#include "common/TestMedia.h"
#include "ui/MsgBox.h"
#include "ui/SmallDialogs.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileSystemModel>
#include <QMimeDatabase>
#include <QUrl>

namespace {

QStringList desktopMimeTypes()
{
    QFile f(QStringLiteral(ZORVO_DESKTOP_FILE));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("MimeType="))
            return QString::fromUtf8(line.mid(9)).split(u';', Qt::SkipEmptyParts);
    return {};
}

} // namespace

// "Open with" in a file manager goes by MIME type: every playable extension that the
// desktop's database knows must lead to a type the entry claims, and the entry claims
// no type the player would not take.
TEST(DesktopEntry, ClaimsTheMimeTypeOfEveryPlayableExtension)
{
    const QStringList claimed = desktopMimeTypes();
    ASSERT_FALSE(claimed.isEmpty());
    QMimeDatabase db;
    QSet<QString> reached;
    for (const QString& ext : mdlZorvoFLV::playableList.split(u';', Qt::SkipEmptyParts)) {
        const QList<QMimeType> types = db.mimeTypesForFileName(QStringLiteral("x.") + ext);
        if (types.isEmpty())
            continue; // no desktop could send such a file by type
        bool any = false;
        for (const QMimeType& t : types) {
            if (claimed.contains(t.name())) {
                any = true;
                reached.insert(t.name());
            }
        }
        EXPECT_TRUE(any) << ext.toStdString() << " (" << types.first().name().toStdString() << ")";
    }
    for (const QString& type : claimed) {
        EXPECT_TRUE(db.mimeTypeForName(type).isValid()) << type.toStdString();
        EXPECT_TRUE(reached.contains(type)) << type.toStdString() << " is no playable type";
    }
}

// Qt draws the file dialogs' columns and side bar itself; its catalogue makes them Chinese.
TEST(QtTranslations, FileDialogTextsComeOutInChinese)
{
    ASSERT_TRUE(mdlZorvoFLV::installQtTranslations()) << "qt6-translations-l10n is not installed";
    QFileSystemModel model;
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("名称"));
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("体积"));
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "Open"), QStringLiteral("Open"));
}

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

// The about window's links are the help pages beside the program: present, the desktop
// opens them; missing, the program says so in its own words.
TEST(AboutWindow, LinksOpenTheHelpPagesBesideTheProgram)
{
    ui::frmAbout about;
    const QString links = about.lblLinks->text();
    EXPECT_FALSE(links.contains(QStringLiteral("example.org")));

    testmedia::TempDir folder;
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
    ui::ScriptedAnswers answers;
    ui::openHelpFile(folder.path(), ui::codecHelpFileName, &about);
    EXPECT_EQ(answers.texts(), QStringList{QStringLiteral("找不到说明档 Zuvud.ODI.html！")});

    QFile page(folder.file(ui::helpFileName));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.close();
    ui::openHelpFile(folder.path(), ui::helpFileName, &about);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_EQ(catcher.opened[0], QUrl::fromLocalFile(folder.file(ui::helpFileName)));
    EXPECT_TRUE(links.contains(QStringLiteral("href=\"") + ui::helpFileName + u'"'));
    EXPECT_TRUE(links.contains(QStringLiteral("href=\"") + ui::codecHelpFileName + u'"'));
}

#include "test_desktop.moc"
