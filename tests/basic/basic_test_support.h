#pragma once

// What the tests of calyxo_basic's windows share: widgets by name, grabs of
// every window shown, keys typed into a widget, and answers to modal dialogs.

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include <functional>
#include <string>

class Tbasic_program;

// The one application object of the binary, made on first use and deleted
// when the tests end (before exit, which Qt's input devices would not
// survive). Numbers are read and written in the C locale, as the program does.
void ensure_basic_application();
// The offscreen screen of that application: a 1366 x 768 laptop screen.
constexpr int laptop_screen_width = 1366;
constexpr int laptop_screen_height = 768;
// What a laptop's desktop takes off that screen: its task bar, and the title
// bar that the window manager adds to each window.
constexpr int laptop_task_bar = 40;
constexpr int laptop_title_bar = 30;

// The recording program interface hands the log lines and the numeric channels
// to program, as calyxo_basic's own main does, and the start message too when
// with_start_message; null stops it (and the spy). spy, when set, sees every
// numeric channel after the program.
void forward_program_interface(Tbasic_program* program, bool with_start_message);
void set_channel_spy(std::function<void(int id, const char* text)> spy);

// The child of a window by objectName; the test fails when it is missing.
template <class T>
T* child_of(const QObject* parent, const char* name)
{
    T* found = parent->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// Saves a PNG of the window under the build folder's grabs/ and fails the
// test when the grab is empty. Returns the path.
std::string save_grab(QWidget* window, const std::string& name);

// A key pressed and released in the widget; text is what it types.
void type_key(QWidget* widget, int key, const QString& text = QString());
void type_text(QWidget* widget, const QString& text);

// Runs answer on the next modal dialog once it is up (its nested loop runs),
// then the caller's exec() returns when answer closed it.
void when_modal(const std::function<void(QWidget* dialog)>& answer);

// Runs the GUI loop until done holds (checked every few milliseconds) or
// timeout_ms has passed; returns done().
bool loop_until(const std::function<bool()>& done, int timeout_ms = 60000);

// The sRGB colour of a widget's background role.
QColor background_of(const QWidget* widget);
QColor text_colour_of(const QWidget* widget);
