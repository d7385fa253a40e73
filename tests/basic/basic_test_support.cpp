#include "tests/basic/basic_test_support.h"

#include "programs/basic/basic_program.h"
#include "tests/support/recording_program.h"

#include <QDir>
#include <QEventLoop>
#include <QImage>
#include <QKeyEvent>
#include <QPixmap>
#include <QTimer>

#include <clocale>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

QApplication* application = nullptr;

// Deletes the application object when the tests are over, before exit()
// destroys the statics that Qt's input devices still use.
class Tapplication_environment : public ::testing::Environment {
public:
    void TearDown() override
    {
        delete application;
        application = nullptr;
    }
};

::testing::Environment* const application_environment =
    ::testing::AddGlobalTestEnvironment(new Tapplication_environment);

}  // namespace

void ensure_basic_application()
{
    static int argc = 1;
    static char name[] = "basic_tests";
    static char* argv[] = {name, nullptr};
    if (!application) {
        // The offscreen screen is the technician's laptop screen, described
        // in the process's own scratch home (tests/support/scratch_home.cpp).
        const char* home = std::getenv("HOME");
        const std::string config = std::string(home ? home : ".") + "/offscreen_laptop_screen.json";
        std::ofstream(config) << "{ \"screens\": [ { \"name\": \"laptop\", \"x\": 0, \"y\": 0, \"width\": "
                              << laptop_screen_width << ", \"height\": " << laptop_screen_height
                              << ", \"logicalDpi\": 96, \"logicalBaseDpi\": 96, \"dpr\": 1 } ] }\n";
        qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + config.c_str());
        application = new QApplication(argc, argv);
    }
    std::setlocale(LC_NUMERIC, "C");
}

std::string save_grab(QWidget* window, const std::string& name)
{
    QDir().mkpath("grabs");
    const std::string path = "grabs/" + name + ".png";
    if (!window)
        return path;
    const QPixmap pixmap = window->grab();
    EXPECT_FALSE(pixmap.isNull()) << name;
    EXPECT_GT(pixmap.width(), 0) << name;
    EXPECT_GT(pixmap.height(), 0) << name;
    const QImage image = pixmap.toImage();
    bool varied = false;
    const QRgb first = image.isNull() ? 0 : image.pixel(0, 0);
    for (int y = 0; y < image.height() && !varied; y += 3)
        for (int x = 0; x < image.width() && !varied; x += 3)
            varied = image.pixel(x, y) != first;
    EXPECT_TRUE(varied) << name << ": the grab is one colour";
    EXPECT_TRUE(pixmap.save(QString::fromStdString(path))) << path;
    return path;
}

void type_key(QWidget* widget, int key, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
}

void type_text(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        int key = Qt::Key_unknown;
        if (c >= 'a' && c <= 'z')
            key = Qt::Key_A + (c.unicode() - 'a');
        else if (c >= 'A' && c <= 'Z')
            key = Qt::Key_A + (c.unicode() - 'A');
        else if (c >= '0' && c <= '9')
            key = Qt::Key_0 + (c.unicode() - '0');
        type_key(widget, key, QString(c));
    }
}

void when_modal(const std::function<void(QWidget* dialog)>& answer)
{
    // Waits for the dialog's own loop by re-posting itself: never sleeps.
    QTimer::singleShot(0, [answer] {
        if (QWidget* dialog = QApplication::activeModalWidget())
            answer(dialog);
        else
            when_modal(answer);
    });
}

bool loop_until(const std::function<bool()>& done, int timeout_ms)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    check.start(5);
    limit.start(timeout_ms);
    loop.exec();
    return done();
}

QColor background_of(const QWidget* widget)
{
    return widget->palette().color(widget->backgroundRole());
}

QColor text_colour_of(const QWidget* widget)
{
    return widget->palette().color(widget->foregroundRole());
}

namespace {

Tbasic_program* program_under_test = nullptr;
std::function<void(int, const char*)> channel_spy;

void to_program_log(const char* line)
{
    if (program_under_test)
        program_under_test->logOutput(line);
}

void to_program_gui(int id, const char* text)
{
    if (program_under_test)
        program_under_test->guiSet(id, text);
    if (channel_spy)
        channel_spy(id, text);
}

void to_program_ready()
{
    if (program_under_test)
        program_under_test->onApplicationReady();
}

}  // namespace

void forward_program_interface(Tbasic_program* program, bool with_start_message)
{
    program_under_test = program;
    if (!program)
        channel_spy = nullptr;
    recorded::set_log_forward(program ? &to_program_log : nullptr);
    recorded::set_gui_forward(program ? &to_program_gui : nullptr);
    recorded::set_ready_forward(program && with_start_message ? &to_program_ready : nullptr);
}

void set_channel_spy(std::function<void(int id, const char* text)> spy)
{
    channel_spy = std::move(spy);
}
