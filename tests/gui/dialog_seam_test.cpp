#include "platform/widgets/dialog_seam.h"

#include <gtest/gtest.h>

#include "platform/widgets/qt_dialogs.h"
#include "platform/widgets/recording_dialogs.h"
#include "tests/gui/qt_application.h"

namespace {

TEST(DialogSeam, RecordingHandlerInstallsItselfAndPutsThePreviousOneBack)
{
    Tdialog_seam* const qt_handler = &dialog_seam();
    EXPECT_NE(dynamic_cast<Tqt_dialogs*>(qt_handler), nullptr);
    {
        Trecording_dialogs outer;
        EXPECT_EQ(&dialog_seam(), &outer);
        {
            Trecording_dialogs inner;
            EXPECT_EQ(&dialog_seam(), &inner);
        }
        EXPECT_EQ(&dialog_seam(), &outer);
    }
    EXPECT_EQ(&dialog_seam(), qt_handler);

    Trecording_dialogs other;
    EXPECT_EQ(set_dialog_seam(nullptr), &other);
    EXPECT_EQ(&dialog_seam(), qt_handler);
    EXPECT_EQ(set_dialog_seam(&other), nullptr);
}

TEST(DialogSeam, RecordingHandlerAnswersInOrderThenWithTheFirstButtonAndRecords)
{
    Trecording_dialogs dialogs;
    dialogs.box_answers = {Tbox_answer::no, Tbox_answer::cancel};
    Tmessage_box question;
    question.text = "Do you really want to update the configuration ?";
    question.icon = Tbox_icon::warning;
    question.buttons = Tbox_buttons::yes_no_cancel;

    EXPECT_EQ(dialog_seam().messageBox(question), Tbox_answer::no);
    EXPECT_EQ(dialog_seam().messageBox(question), Tbox_answer::cancel);
    EXPECT_EQ(dialog_seam().messageBox(question), Tbox_answer::yes);
    question.buttons = Tbox_buttons::retry_cancel;
    EXPECT_EQ(dialog_seam().messageBox(question), Tbox_answer::retry);
    question.buttons = Tbox_buttons::ok_cancel;
    EXPECT_EQ(dialog_seam().messageBox(question), Tbox_answer::ok);
    ASSERT_EQ(dialogs.boxes.size(), 5u);
    EXPECT_EQ(dialogs.boxes[0].text, question.text);
    EXPECT_EQ(dialogs.boxes[0].icon, Tbox_icon::warning);
    EXPECT_EQ(dialogs.boxes[4].buttons, Tbox_buttons::ok_cancel);

    dialogs.file_answers = {"/tmp/a.xml"};
    Tfile_dialog save;
    save.mode = Tfile_dialog_mode::save;
    save.filter = "Text files|*.txt";
    save.default_extension = "txt";
    EXPECT_EQ(dialog_seam().chooseFile(save), "/tmp/a.xml");
    EXPECT_EQ(dialog_seam().chooseFile(save), "");
    ASSERT_EQ(dialogs.file_dialogs.size(), 2u);
    EXPECT_EQ(dialogs.file_dialogs[0].mode, Tfile_dialog_mode::save);
    EXPECT_EQ(dialogs.file_dialogs[0].default_extension, "txt");

    dialog_seam().setClipboardText("7F0401850002");
    EXPECT_EQ(dialog_seam().clipboardText(), "7F0401850002");
}

TEST(DialogSeam, FilterPairsBecomeQtNameFilters)
{
    EXPECT_EQ(qt_name_filters("XML files (.xml)|*.xml|All files|*.*"),
              QStringList({"XML files (.xml) (*.xml)", "All files (*)"}));
    // Several patterns of one pair; a description without patterns is dropped.
    EXPECT_EQ(qt_name_filters("Setups|*.xml; *.XML|Nothing| ; |Dangling"),
              QStringList({"Setups (*.xml *.XML)"}));
    EXPECT_TRUE(qt_name_filters("").isEmpty());
}

TEST(DialogSeam, QtClipboardKeepsUtf8Text)
{
    ensure_qt_application();
    Tqt_dialogs qt;
    qt.setClipboardText("Erreur lors de l'\xC3\xA9" "criture");
    EXPECT_EQ(qt.clipboardText(), "Erreur lors de l'\xC3\xA9" "criture");
}

}  // namespace
