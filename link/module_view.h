#pragma once

#include <cstdint>

// One entry of a module view table. ACQ items hold floats (kept as their bits),
// VAR and STATUS items unsigned integers.
struct Tmodule_view_item {
    uint8_t header = 0;
    uint32_t sub_values[10] = {};
    uint32_t value = 0;
    uint8_t updated = 0;
    uint8_t subscribed = 0;
};

// A field of the status block: its value, whether it was received, and whether
// the logger has it (the status read asks only for present fields).
struct Tstatus_field {
    uint32_t value = 0;
    uint8_t valid = 0;
    uint8_t present = 0;
};

enum Tstatus_field_id {
    STATUS_ACQ,
    STATUS_ACQ_NEXT,
    STATUS_ACQ_INTERVAL0,
    STATUS_ACQ_INTERVAL1,
    STATUS_ACQ_MODE,
    STATUS_GSM,
    STATUS_GSM_NEXT,
    STATUS_GSM_NEXT_OFF,
    STATUS_GSM_INTERVAL,
    STATUS_GSM_DURATION,
    STATUS_MMS_PT,
    STATUS_LAST_BLOCK,
    STATUS_NVFLAGS,
    STATUS_NEXT_DOWNLOAD_ADDRESS,
    STATUS_STATION_ID,
    STATUS_SYSTEM_INFO,
    STATUS_PIN_STATE,
    STATUS_FIELD_COUNT
};

// STATUS items that the decoders keep up to date.
enum : int {
    STATUS_ITEM_ACQ_RUNNING = 1,
    STATUS_ITEM_GSM_ON = 2,
    STATUS_ITEM_STATION_ID = 3,
    STATUS_ITEM_STATUS_TEXT = 4,
};

// The ACQ item that fluorometer records fill.
constexpr int ACQ_ITEM_FLUOROMETER = 21;

// What the programs know about the connected logger. Writers mark items updated;
// a write to a subscribed item sets the change flag, which the module resource
// core turns into its VIEW_UPDATED event. GUI thread only.
class Tmodule_view {
public:
    static constexpr int item_count = 256;
    static constexpr int sub_value_count = 10;

    // An item index outside 0..255 is ignored by every writer.
    void setAcqValue(int item, uint32_t value_bits);
    void setVarValue(int item, uint32_t value);
    void setStatusValue(int item, uint32_t value);
    void setAcqSubValue(int item, int sub_index, float value);
    void clearAcqValues(int item);
    void subscribeAcq(int item);
    void subscribeVar(int item);
    void subscribeStatus(int item);
    void unsubscribeAll();

    // The flag, which is then cleared.
    uint8_t takeChanged();
    // The item's updated flag, which is then cleared; 0 outside 0..255.
    uint8_t takeAcqUpdated(int item);
    uint8_t takeVarUpdated(int item);
    uint8_t takeStatusUpdated(int item);

    // A status field receives a value: value and valid flag.
    void setStatus(Tstatus_field_id id, uint32_t value);
    // Value 0, not received.
    void clearStatus(Tstatus_field_id id);
    const Tstatus_field& status(Tstatus_field_id id) const { return fields[id]; }
    void setPresent(Tstatus_field_id id, uint8_t present) { fields[id].present = present; }
    void setPresentAll(uint8_t present);
    // Every valid flag of the status block, TIME's included.
    void clearValid();

    // The logger's clock as read, and its offset from the computer's clock then.
    void setTime(uint32_t logger_time, uint32_t pc_time);
    uint32_t time() const { return time_value; }
    bool timeValid() const { return time_valid != 0; }
    int32_t clockOffset() const { return clock_offset; }
    void setFlashSize(uint32_t size) { flash_size = size; }
    uint32_t flashSize() const { return flash_size; }

    const Tmodule_view_item& acqItem(int item) const;
    const Tmodule_view_item& varItem(int item) const;
    const Tmodule_view_item& statusItem(int item) const;
    // ACQ values as the floats they are.
    float acqValue(int item) const;
    float acqSubValue(int item, int sub_index) const;

    // The log dump of the status block and the subscribed items.
    void printStatus() const;

    // Set by the ping command; the next PIPO status text is then logged.
    uint8_t ping_text = 0;

private:
    void write(Tmodule_view_item* table, int item, uint32_t value);
    static uint8_t take(Tmodule_view_item* table, int item);
    static const Tmodule_view_item& itemOf(const Tmodule_view_item* table, int item);
    static void printSubscribed(const char* table_name, const Tmodule_view_item* table);

    Tmodule_view_item acq_items[item_count];
    Tmodule_view_item var_items[item_count];
    Tmodule_view_item status_items[item_count];
    uint8_t changed = 0;

    uint32_t time_value = 0;
    uint8_t time_valid = 0;
    uint32_t flash_size = 0;
    int32_t clock_offset = 0;
    Tstatus_field fields[STATUS_FIELD_COUNT];
};

// The program's one view of the connected logger.
extern Tmodule_view module_view;
