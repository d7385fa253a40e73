#pragma once

#include <QTableView>

#include <functional>
#include <string>

class Tgrid_model;

// The grid of a result display: a table view over a grid model with the
// model's column widths widened to what its headings and cells need, one fixed row height (so that long tables scroll
// without measuring rows) and an Escape action.
class Tgrid_view : public QTableView {
public:
    Tgrid_view(const char* name, QWidget* parent);

    // Shows the model (the view does not own it) and keeps its widths on every reset.
    void showModel(Tgrid_model* model);
    Tgrid_model* gridModel() const { return shown; }

    // Run on the Escape key; none: Escape does nothing.
    std::function<void()> on_escape;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void applyWidths();

    Tgrid_model* shown = nullptr;
};
