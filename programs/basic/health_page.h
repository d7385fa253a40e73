#pragma once

#include <QWidget>

#include <functional>
#include <vector>

class QLabel;

struct Tflash_parser_data;

// The pressure sensor's four health values for the calibration dialog, each
// with its validity: measured, span, offset, corrected.
struct Tpressure_health {
    static constexpr int count = 4;
    double value[count] = {};
    bool valid[count] = {};
};

// The "Probes Health" page: the get-health button and one value label per
// health value, in its groups; every label shows "----" until a value comes.
class TFhealth_page : public QWidget {
public:
    explicit TFhealth_page(QWidget* parent = nullptr);

    // The values of a time step (null clears them all). The pressure feed
    // gets the four calibration values first.
    void show_health(const Tflash_parser_data* step);

    std::function<void(const Tpressure_health&)> pressure_feed;

    // The caption, label name, slot and format of each value, in page order.
    struct Tentry {
        const char* group;
        const char* caption;
        const char* label;
        unsigned slot;
        // printf format of the double; null: the integer in decimal; "%04u": the integer so.
        const char* format;
        bool integer;
    };
    static const Tentry entries[];
    static const unsigned entry_count;

private:
    // The value label of each entry, in the order of entries.
    std::vector<QLabel*> value_labels;
};
