#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QLabel;
class QWidget;

// Background and text colour of a panel or label, drawn through its palette.
void set_panel_colours(QWidget* panel, const QColor& background, const QColor& text);
void set_panel_background(QWidget* panel, const QColor& background);
// The platform's button face colour.
QColor button_face();
// "#RRGGBB" as a colour.
QColor colour_of(const char* hex);

// The fixed-pitch font of the log texts and lists ("Courier New" where it exists).
QFont fixed_pitch_font();

// Keeps a window whole on its screen's available area (the task bar left
// out), title bar and borders included: shrunk to fit, then moved in.
void keep_on_screen(QWidget* window);
// Puts a window, kept whole, in the middle of its screen's available area.
void centre_on_screen(QWidget* window);

// The label "lb_error" in which a prompt says why it refused its input.
QLabel* make_error_label(QWidget* parent);

// A label of plain text, named when name is not null.
QLabel* make_label(QWidget* parent, const char* name, const QString& text);
