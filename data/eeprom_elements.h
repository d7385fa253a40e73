#pragma once

#include "base/xml.h"

class Teeprom_configurer;

namespace eeprom {

// One configuration element compiled into its record at the configurer's write
// position; tag is the element's tag (the base tag where the element picks its
// own). Returns compile result bits.
using Telement_compiler = int (*)(Teeprom_configurer& image, Txml_element element,
                                  unsigned char tag);

// The setup writer's generic form: "h" and the tag in decimal (1 to 191).
// True when name is such a name; tag gets the tag.
bool generic_record_tag(const char* name, unsigned char* tag);
// <hN value="V"/> for a value record, <hN size="L" hex="..."/> for a block
// record: the bytes go in as they stand.
int compile_generic_record(Teeprom_configurer& image, Txml_element element, unsigned char tag);

// Values, texts and the small block records.
int compile_value(Teeprom_configurer& image, Txml_element element, unsigned char tag);
int compile_value_five_bytes(Teeprom_configurer& image, Txml_element element, unsigned char tag);
int compile_station_id(Teeprom_configurer& image, Txml_element element, unsigned char tag);
int compile_pin_code(Teeprom_configurer& image, Txml_element element, unsigned char tag);
int compile_sysctrl(Teeprom_configurer& image, Txml_element element, unsigned char tag);
int compile_text(Teeprom_configurer& image, Txml_element element, unsigned char tag);
int compile_string(Teeprom_configurer& image, Txml_element element, unsigned char tag);
int compile_sms_text_format(Teeprom_configurer& image, Txml_element element, unsigned char tag);
int compile_const(Teeprom_configurer& image, Txml_element element, unsigned char tag);
int compile_system_config(Teeprom_configurer& image, Txml_element element, unsigned char tag);

// Communication records.
int compile_http_host(Teeprom_configurer& image, Txml_element element, unsigned char tag);
int compile_gprs_tcp(Teeprom_configurer& image, Txml_element element, unsigned char tag);
int compile_server_ip(Teeprom_configurer& image, Txml_element element, unsigned char tag);
int compile_com_key(Teeprom_configurer& image, Txml_element element, unsigned char tag);
int compile_task_configuration(Teeprom_configurer& image, Txml_element element, unsigned char tag);
int compile_ethernet_ip(Teeprom_configurer& image, Txml_element element, unsigned char tag);
int compile_security_config(Teeprom_configurer& image, Txml_element element, unsigned char tag);
int compile_com_config(Teeprom_configurer& image, Txml_element element, unsigned char tag);
int compile_radio_config(Teeprom_configurer& image, Txml_element element, unsigned char tag);

// Filters (tag 39).
int compile_obis_filter(Teeprom_configurer& image, Txml_element element, unsigned char tag);
int compile_m_bus_filter(Teeprom_configurer& image, Txml_element element, unsigned char tag);
int compile_vif_filter(Teeprom_configurer& image, Txml_element element, unsigned char tag);

// Alarms and acquisition sequences.
int compile_alarm_input(Teeprom_configurer& image, Txml_element element, unsigned char tag);
int compile_acquisition_sequence(Teeprom_configurer& image, Txml_element element,
                                 unsigned char tag);

// Serial numbers.
int compile_snr_text(Teeprom_configurer& image, Txml_element element, unsigned char tag);
int compile_snr_list(Teeprom_configurer& image, Txml_element element, unsigned char tag);
int compile_snr_value_threshold_list(Teeprom_configurer& image, Txml_element element,
                                     unsigned char tag);

}  // namespace eeprom
