#include "platform/widgets/log_memo.h"

#include <gtest/gtest.h>

#include <QPlainTextEdit>

#include <string>

#include "tests/gui/qt_application.h"

namespace {

std::string shown(const std::string& line)
{
    return log_window_text(line.c_str()).toStdString();
}

}  // namespace

TEST(LogWindowLine, LinesUpToTheLimitAreShownWholeLongerOnesSayWhatWasLeftOut)
{
    const std::string full(log_window_line_bytes, 'a');
    EXPECT_EQ(shown(full), full);
    EXPECT_EQ(shown(""), "");
    EXPECT_EQ(log_window_text(nullptr).toStdString(), "");

    EXPECT_EQ(shown(full + "b"), full + " [... 1 more bytes not shown]");
    EXPECT_EQ(shown(full + std::string(10 << 20, 'b')), full + " [... 10485760 more bytes not shown]");

    // A cut never splits a character: "é" (C3 A9) straddling the limit goes whole to the left-out part.
    const std::string straddling = std::string(log_window_line_bytes - 1, 'a') + "\xC3\xA9" + "z";
    EXPECT_EQ(shown(straddling), std::string(log_window_line_bytes - 1, 'a') + " [... 3 more bytes not shown]");
}

TEST(LogWindowLine, AppendAddsOneLineAndIgnoresANullLine)
{
    ensure_qt_application();
    QPlainTextEdit memo;
    append_log_line(&memo, "INFO  : one");
    append_log_line(&memo, nullptr);
    append_log_line(nullptr, "nothing to show it in");
    append_log_line(&memo, (std::string("ERROR : ") + std::string(log_window_line_bytes, 'x')).c_str());
    EXPECT_EQ(memo.toPlainText().toStdString(), "INFO  : one\nERROR : " +
                                                   std::string(log_window_line_bytes - 8, 'x') +
                                                   " [... 8 more bytes not shown]");
}
