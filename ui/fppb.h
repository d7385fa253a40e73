#pragma once

#include <QWidget>

#include "data/ruvo_fluo.h"
#include "platform/widgets/dialog_seam.h"
#include "ui/ppb_table_model.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class Tgrid_view;

// The ppb view: converts the fluorometer readings of the result window's
// records into tracer concentrations, turbidity and conductivity with the
// calibration constants of a probe, and exports the table. One per program,
// made at start and kept until exit.
class TFppb : public QWidget {
public:
    explicit TFppb(QWidget* parent = nullptr);
    ~TFppb() override;
    TFppb(const TFppb&) = delete;
    TFppb& operator=(const TFppb&) = delete;

    // The program's ppb view, null while there is none.
    static TFppb* instance();

    const Truvo_fluo& constants() const { return fluo; }

    // Shows the window with one row of "-" per record of the result window.
    void prepareGrid();
    void Button1Click();
    void Button2Click();
    void copytoclipboard1Click();
    void Savetabular1Click();

    Tfile_dialog OpenDialog1;
    Tfile_dialog SaveDialog1;

private:
    void buildWidgets();
    void showConstants(int result);
    void showNoConstants();
    // The sensitivity field as a number; false, with a message, when it is none.
    bool readSensitivity(float* out);

    Truvo_fluo fluo;
    Tppb_table_model model;

    Tgrid_view* StringGrid1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QLabel* pl_result = nullptr;
    QLabel* lb_no_constants = nullptr;  // shown after a run without constants
    QCheckBox* cb_tracers[3] = {};
    QLineEdit* ed_turbsens = nullptr;
    QLabel* constant_labels[8] = {};
};

// When both the ppb view and the result window exist, prepares and shows the view.
void show_ppb_view();
