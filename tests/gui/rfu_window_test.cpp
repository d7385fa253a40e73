// The firmware update window, headless: file choice and error boxes answered
// through the recording dialog seam, widgets found by their names.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <string>

#include <sys/stat.h>

#include "link/calyxo_master.h"
#include "link/firmware_update.h"
#include "platform/widgets/recording_dialogs.h"
#include "programs/basic/wrfu.h"
#include "tests/gui/qt_application.h"
#include "tests/support/temp_dir.h"

namespace {

const char* const read_error = "Erreur de lecture du fichier de firmware ! Voir log";

std::string sound_file()
{
    const std::string line = "<LINE address=\"0\" data=\"00112233445566778899AABBCCDDEEFF\"/>";
    const std::string check = "<CHECK address=\"0\" value=\"1\"/>";
    const std::string lists = "<DATA>" + line + "</DATA><CRC>" + check + "</CRC>";
    return "<F><RFU>" + lists + "</RFU><FIRMWARE>" + lists + "</FIRMWARE></F>";
}

class RfuWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensure_qt_application(); }

    template <class T>
    T* child(const char* name)
    {
        T* found = form.findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    void loadThroughDialog(const std::string& path)
    {
        dialogs.file_answers.push_back(path);
        child<QPushButton>("bt_load")->click();
    }

    bool buttonsEnabled()
    {
        return child<QPushButton>("bt_load")->isEnabled() && child<QPushButton>("bt_program")->isEnabled();
    }

    Trecording_dialogs dialogs;
    Ttemp_dir folder;
    // No module resource: every REDP request is refused.
    Tcalyxo_master master;
    Tfirmware_update update{master};
    TFormrfu form{update};
};

TEST_F(RfuWindow, StartsAsDesigned)
{
    EXPECT_EQ(form.windowTitle().toStdString(), "RFU - Remote Firmware Update");
    EXPECT_EQ(child<QPushButton>("bt_load")->text().toStdString(), "Load File");
    EXPECT_EQ(child<QPushButton>("bt_program")->text().toStdString(), "Program");
    EXPECT_EQ(child<QLabel>("Label1")->text().toStdString(), "<file name>");
    EXPECT_EQ(child<QLabel>("Label2")->text().toStdString(), "<progress>");
    EXPECT_EQ(child<QProgressBar>("ProgressBar1")->maximum(), 100);
    EXPECT_TRUE(child<QPlainTextEdit>("Memo1")->isReadOnly());
    EXPECT_FALSE(child<QTimer>("Timer1")->isActive());
}

TEST_F(RfuWindow, LoadShowsThePathAndAnUnreadableFileGivesTheErrorBox)
{
    const std::string bad = folder.file("bad.xml");
    ASSERT_TRUE(write_file_bytes(bad, "<F><RFU><DATA/></RFU></F>"));
    loadThroughDialog(bad);
    EXPECT_EQ(child<QLabel>("Label1")->text().toStdString(), bad);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, std::string(read_error) + "\n" + bad + " : son contenu est refus\xC3\xA9");
    EXPECT_EQ(dialogs.boxes[0].icon, Tbox_icon::error);

    // A FIFO is refused at once with its reason, never waited on.
    const std::string fifo = folder.file("fifo.xml");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    loadThroughDialog(fifo);
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1].text,
              std::string(read_error) + "\n" + fifo + " : c'est un FIFO, pas un fichier ordinaire");

    const std::string good = folder.file("good.xml");
    ASSERT_TRUE(write_file_bytes(good, sound_file()));
    loadThroughDialog(good);
    EXPECT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_TRUE(update.loaded());

    // A cancelled dialog changes nothing.
    child<QPushButton>("bt_load")->click();
    EXPECT_EQ(child<QLabel>("Label1")->text().toStdString(), good);
    EXPECT_TRUE(update.loaded());
}

TEST_F(RfuWindow, FailedStartShowsTheErrorAndEnablesTheButtonsAgain)
{
    struct Tcase {
        bool load_sound_file;
        const char* error;
    };
    const Tcase cases[] = {
        {false, "ERROR : no valid firmware file loaded, nothing programmed"},
        {true, "ERROR : firmware update : the logger link is busy, request not sent"},
    };
    for (const Tcase& c : cases) {
        dialogs.boxes.clear();
        if (c.load_sound_file) {
            ASSERT_TRUE(write_file_bytes(folder.file("good.xml"), sound_file()));
            loadThroughDialog(folder.file("good.xml"));
        }
        child<QPushButton>("bt_program")->click();
        EXPECT_EQ(update.state(), 0u);
        ASSERT_EQ(dialogs.boxes.size(), 1u) << c.error;
        EXPECT_EQ(dialogs.boxes[0].text, c.error);
        EXPECT_TRUE(buttonsEnabled());
        EXPECT_NE(child<QPlainTextEdit>("Memo1")->toPlainText().toStdString().find(c.error), std::string::npos);
    }
}

TEST_F(RfuWindow, ProgressLinesAndTimer)
{
    form.rfu_progress(2, 40);
    EXPECT_EQ(child<QLabel>("Label2")->text().toStdString(), "0 / 40");
    EXPECT_EQ(child<QProgressBar>("ProgressBar1")->maximum(), 40);
    form.rfu_progress(1, 12);
    EXPECT_EQ(child<QLabel>("Label2")->text().toStdString(), "12 / 40");
    EXPECT_EQ(child<QProgressBar>("ProgressBar1")->value(), 12);

    form.rfu_log("- Start");
    form.rfu_log("- Send RFU Data");
    EXPECT_EQ(child<QPlainTextEdit>("Memo1")->toPlainText().toStdString(), "- Start\n- Send RFU Data");
    form.rfu_log(nullptr);
    EXPECT_TRUE(child<QPlainTextEdit>("Memo1")->toPlainText().isEmpty());

    form.rfu_wait(4000);
    QTimer* timer = child<QTimer>("Timer1");
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 4000);
    form.Timer1Timer();
    EXPECT_FALSE(timer->isActive());

    child<QPushButton>("bt_program")->setEnabled(false);
    form.rfu_show();
    EXPECT_TRUE(buttonsEnabled());
    EXPECT_TRUE(form.isVisible());
}

}  // namespace
