#pragma once

#include <functional>

// What every program does around its application object.

// After the application object exists: Qt has taken the user's locale, but
// numbers are written and read in C's (setup texts, status files, logs).
void numbers_in_c_locale();

// An exception that escaped a program's forms or loop, in an error box
// captioned with the program's name.
void show_exception_box(const char* caption, const char* text);

// The program's name for the platform. Once a display name is set, Qt appends
// it to every caption it hands the window manager that does not end with it:
// the display name is set empty, so that each caption reaches the window
// manager as the window sets it.
void name_program(const char* name);

// Runs a program's body, its pre-initialisation and its loop included; an
// exception of any type that escapes it is shown in the error box (an
// application object is made for the box when the body had none yet). True
// when one escaped.
bool run_showing_exceptions(const char* caption, const std::function<void()>& body);
