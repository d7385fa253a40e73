#pragma once

#include <QDialog>

#include <functional>

#include "programs/basic/health_page.h"

class QLabel;
class QLineEdit;
class QPushButton;

// The pressure sensor's linear calibration: corrected = measured x span +
// offset. The health read brings the four values; the user changes span,
// offset or the corrected value (the third follows), and "Mettre-a-jour"
// writes only the constants that changed. Nothing can be written until a
// health read brought all four values.
class TFormEtalonnage : public QDialog {
public:
    explicit TFormEtalonnage(QWidget* parent = nullptr);

    void show_calibration_dialog();
    // The health display's four values (invalid ones shown as "----").
    void calib_set(const Tpressure_health& values);

    void bt_OKClick();
    void bt_CancelClick();

    // Writes the changed constants; true when refused.
    std::function<bool(bool with_span, double span, bool with_offset, double offset)> write;
    // The main window's get-health command.
    std::function<void()> request_health;

    double measured = 0;
    double span = 0;
    double offset = 0;
    double span_read = 0;
    double offset_read = 0;
    double corrected = 0;

private:
    void spanEdited();
    void offsetEdited();
    void correctedEdited();
    static double numberOf(const QLineEdit* field);

    bool all_valid = false;
    QLabel* lb_pression = nullptr;
    QLabel* lb_span = nullptr;
    QLabel* lb_offset = nullptr;
    QLabel* lb_corrected = nullptr;
    QLabel* lb_pression_2 = nullptr;
    QLineEdit* ed_span = nullptr;
    QLineEdit* ed_offset = nullptr;
    QLineEdit* ed_corrected = nullptr;
    QPushButton* bt_OK = nullptr;
};
