// The dialog as the operator sees it: nothing overlaps, no text is cut off,
// the narrow form ends right of every field. With QUORVEX_SCREENSHOT_DIR set,
// the views are also saved there as setup-*.png.
#include <QApplication>
#include <QDir>
#include <QPixmap>

#include "LayoutCheck.h"
#include "SetupFixture.h"

using SetupLayout = SetupTest;

namespace {

void SaveView(QWidget& window, const char* name)
{
    const QString dir = qEnvironmentVariable("QUORVEX_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        EXPECT_TRUE(window.grab().save(QDir(dir).filePath(QString("setup-%1.png").arg(name))));
    }
}

}  // namespace

TEST_F(SetupLayout, NothingOverlapsOrIsCutOffAndTheNarrowFormHoldsEveryField)
{
    OpenOnline();
    Fs.Plug(MakeBoard(u"VELNOR-I2C", u"2"));
    Dialog->show();
    QApplication::setActiveWindow(Dialog.get());
    SaveView(*Dialog, "narrow");
    ShowSetupsLongestTexts(*Dialog);

    // What every window is checked for, and the dialog's own rule: the narrow
    // form ends right of every field, the device panel lies wholly beyond it.
    const LayoutExceptions panel{.Scrolls = {Dialog->ListBox1, Dialog->Edit7},
                                 .BeyondEdge = {Dialog->ListBox1, Dialog->Button5, Dialog->Edit7, Dialog->ComboDevs}};
    EXPECT_EQ(LayoutProblems(*Dialog, panel), std::vector<std::string>{});
    for (QWidget* w : Dialog->centralWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w->isVisibleTo(Dialog.get()) && !panel.BeyondEdge.count(w)) {
            EXPECT_LE(w->geometry().right(), Dialog->width() - 1)
                << "beyond the narrow form: " << w->property("text").toString().toStdString();
        }
    EXPECT_EQ(Dialog->ComboDevs->count(), 2);
    EXPECT_EQ(Dialog->Label14->text(), "Startup frequency must be near 56.32 MHz");
}

TEST_F(SetupLayout, WidenedWithTwoBoardsAndAfterACalibration)
{
    OpenOnline();
    Fs.Plug(MakeBoard(u"VELNOR-I2C", u"2"));
    Dialog->show();
    QApplication::setActiveWindow(Dialog.get());
    Dialog->resize(Dialog->ListBox1->geometry().right() + 13, Dialog->height());
    SaveView(*Dialog, "two-boards");

    Dialog->resize(Dialog->Label9->geometry().right() + 11, Dialog->height());
    Dialog->Button1->click();
    EXPECT_EQ(Dialog->StatusBar1->text().left(20), "crystal frequency = ");
    SaveView(*Dialog, "calibrated");

    Retype(Dialog->Edit4, "10");
    Dialog->Button1->click();
    EXPECT_EQ(Dialog->Label12->text(), "Wrong factory startup frequency selected!");
    SaveView(*Dialog, "calibration-warning");
}
